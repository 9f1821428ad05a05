// Values, remarks, references and the handle registry.
#include <gtest/gtest.h>

#include <vector>

#include "SclDll/SclLib.h"
#include "SclTextSupport.h"
#include "TestSupport.h"

using namespace Arvenko::Melvotar::Scl;
using SclTest::Add;
using SclTest::CaptureReports;

namespace {

CSclRef* AddRef(CSclContainer* apParent, tSclClassId aClassId)
{
   return static_cast<CSclRef*>(apParent->CreateSclContainer(aClassId));
}

// Templates DAType D1 and D2, DOType O1, EnumType E7, LNodeType T1; an LN MMXU below IED E1.
struct CFile {
   CSclFile file;
   CSclContainer* pScl = Add(&file, CID_SCL);
   CSclContainer* pIed = Add(pScl, CID_IED, {{"name", "E1"}});
   CSclContainer* pLn = Add(Add(pIed, CID_AccessPoint, {{"name", "AP1"}}), CID_LN,
                            {{"lnClass", "MMXU"}, {"lnType", "T1"}, {"inst", "1"}});
   CSclContainer* pTemplates = Add(pScl, CID_DataTypeTemplates);
   CSclContainer* pLNodeType = Add(pTemplates, CID_LNodeType, {{"id", "T1"}, {"lnClass", "MMXU"}});
   CSclContainer* pDOType = Add(pTemplates, CID_DOType, {{"id", "O1"}});
   CSclContainer* pD1 = Add(pTemplates, CID_DAType, {{"id", "D1"}});
   CSclContainer* pD2 = Add(pTemplates, CID_DAType, {{"id", "D2"}});
   CSclContainer* pEnum = Add(pTemplates, CID_EnumType, {{"id", "E7"}});
};

} // namespace

TEST(CSclValue, ValuesAndRemarksCopyCompareAndCheck)
{
   CSclContainer root(nullptr);
   CSclContainer* pBay = Add(&root, CID_Bay, {{"name", "B"}});
   auto* pName = static_cast<CSclValue*>(pBay->GetChild(0));
   CSclValue* pText = pBay->CreateSclValue(tSclNameId(0));
   EXPECT_EQ(pText->SetValue("abc"), SE_OK);
   EXPECT_EQ(pText->GetValue(), "abc");
   CSclValue* pOther = pBay->CreateSclValue("desc");
   EXPECT_EQ(pOther->Copy(*pName), SE_OK);
   EXPECT_EQ(pOther->GetNameId(), NID_name);
   EXPECT_EQ(pOther->GetValue(), "B");
   EXPECT_TRUE(pOther->ContentCompare(*pName));
   pText->SetValue("B");
   EXPECT_FALSE(pText->ContentCompare(*pOther)); // a text against an attribute of that value
   CSclValue* pDesc = pBay->CreateSclValue("desc");
   pDesc->SetValue("B");
   EXPECT_FALSE(pDesc->ContentCompare(*pName)); // the same text under another name
   pOther->SetValue("C");
   EXPECT_FALSE(pOther->ContentCompare(*pName));

   CSclRemark* pRemark = pBay->CreateSclRemark();
   CaptureReports capture;
   EXPECT_EQ(pName->Copy(*pRemark), SE_WRONG_TYPE);
   EXPECT_EQ(capture.Get().at(0), "Fehler: CSclValue::Copy - Aufruf mit falschem Typ");
   EXPECT_EQ(pName->GetValue(), "B");

   EXPECT_EQ(pName->Check(2), SE_OK);
   CSclValue* pUnknown = pBay->CreateSclValue("RefTest-unknown");
   EXPECT_EQ(pUnknown->Check(2), SE_NAME);
   EXPECT_EQ(pUnknown->Check(1), SE_OK);
   CSclValue free(nullptr, "RefTest-unknown", 0); // no parent: nothing to test against
   EXPECT_EQ(free.Check(2), SE_OK);

   // Inside a reference only its key attributes pass.
   CSclRef* pRef = AddRef(pBay, CID_LNodeTypeRef);
   EXPECT_EQ(pRef->CreateSclValue("lnType")->Check(2), SE_OK);
   EXPECT_EQ(pRef->CreateSclValue("desc")->Check(2), SE_NAME);

   // Remarks: the CDATA flag is copied and compared.
   CSclRemark* pComment = root.CreateSclRemark();
   pComment->SetValue("text");
   CSclRemark* pCData = root.CreateSclRemark();
   pCData->SetValue("text");
   pCData->SetCData(true);
   EXPECT_FALSE(pComment->ContentCompare(*pCData));
   EXPECT_FALSE(pComment->ContentCompare(root));
   EXPECT_TRUE(pComment->IsClass(CID_REMARK));
   EXPECT_EQ(pComment->Check(3), SE_OK);

   CSclRemark* pCopy = root.CreateSclRemark();
   EXPECT_EQ(pCopy->Copy(*pCData), SE_OK);
   EXPECT_TRUE(pCopy->IsCData());
   EXPECT_EQ(pCopy->GetValue(), "text");
   EXPECT_TRUE(pCopy->ContentCompare(*pCData));

   capture.Clear();
   EXPECT_EQ(pCopy->Copy(*pDesc), SE_WRONG_TYPE);
   EXPECT_EQ(capture.Get().at(0), "Fehler: CSclRemark::Copy - Aufruf mit falschem Typ");
   EXPECT_EQ(pCopy->GetNameId(), 0);
}

TEST(CSclRef, ResolvesByIdPathAndDeletedTargetsLeaveItUnresolved)
{
   CFile doc;
   CSclRef* pRef = AddRef(doc.pLn, CID_EnumTypeRef);
   EXPECT_EQ(pRef->GetTargetClass(), CID_EnumType);
   pRef->CreateSclValue("type")->SetValue("E7");
   EXPECT_EQ(pRef->GetValue(), "");
   EXPECT_EQ(pRef->SetValue(".E8"), SE_VALUE);
   EXPECT_EQ(pRef->GetChildCount(), 1); // nothing changed
   EXPECT_EQ(pRef->SetValue(".E7"), SE_OK);
   EXPECT_EQ(pRef->GetRefSclContainer(), doc.pEnum);
   EXPECT_EQ(pRef->GetValue(), ".E7");
   EXPECT_EQ(pRef->GetChildCount(), 0); // the stored keys are gone
   EXPECT_EQ(doc.pEnum->GetRefCount(), 1);

   // Outside a file nothing resolves.
   CSclContainer root(nullptr);
   CSclRef* pLoose = AddRef(&root, CID_EnumTypeRef);
   EXPECT_EQ(pLoose->SetValue(""), SE_VALUE);
   EXPECT_EQ(pLoose->GetRefSclContainer(), nullptr);

   CSclRef* pFirst = AddRef(doc.pIed, CID_DATypeRef);
   CSclRef* pSecond = AddRef(doc.pLn, CID_DATypeRef);
   ASSERT_EQ(pFirst->SetRefSclContainer(doc.pD1), SE_OK);
   ASSERT_EQ(pSecond->SetRefSclContainer(doc.pD1), SE_OK);
   std::vector<CSclRef*> refs;
   doc.pD1->GetRefList(refs);
   EXPECT_EQ(refs, (std::vector<CSclRef*>{pFirst, pSecond}));
   EXPECT_EQ(doc.pD1->GetRefCount(), 2);

   ASSERT_EQ(doc.pTemplates->DeleteChild(doc.pD1), SE_OK);
   EXPECT_EQ(pFirst->GetRefSclContainer(), nullptr);
   EXPECT_EQ(pFirst->GetValue(), "");
   EXPECT_NE(pFirst->GetTargetHandle(), 0u);       // stale, not cleared
   EXPECT_EQ(doc.pIed->GetChild(CID_REF), pFirst); // still in the tree

   // A new container never sees the old registrations.
   CSclContainer* pNew = Add(doc.pTemplates, CID_DAType, {{"id", "D1"}});
   refs.clear();
   pNew->GetRefHandle();
   EXPECT_EQ(pNew->GetRefList(refs), SE_OK);
   EXPECT_TRUE(refs.empty());
   EXPECT_EQ(pNew->GetRefCount(), 0);

   // A stale reference can be pointed anew; deleting it unregisters it.
   ASSERT_EQ(pFirst->SetRefSclContainer(pNew), SE_OK);
   EXPECT_EQ(pFirst->GetValue(), ".D1");
   doc.pIed->DeleteChild(pFirst);
   pNew->GetRefList(refs);
   EXPECT_TRUE(refs.empty());
}

TEST(CSclRef, CandidatesHandlesAndTheRefusedTargetClass)
{
   CFile doc;
   CSclRef* pRef = AddRef(doc.pIed, CID_DATypeRef);
   ASSERT_EQ(pRef->SetRefSclContainer(doc.pD2), SE_OK);
   CaptureReports capture;
   EXPECT_EQ(pRef->SetRefSclContainer(doc.pDOType), SE_WRONG_TYPE);
   EXPECT_EQ(capture.Get().at(0),
             "Fehler: CSclRef::SetRefSclContainer - Referenzzeiger hat falschen Typ");
   EXPECT_EQ(pRef->GetRefSclContainer(), doc.pD2);
   EXPECT_EQ(pRef->SetRefSclContainer(nullptr), SE_OK);
   EXPECT_EQ(pRef->GetRefSclContainer(), nullptr);
   EXPECT_EQ(pRef->GetTargetHandle(), 0u);

   // A target of another class taken over by copying is answered as null, with a report.
   CSclRef* pEnumRef = AddRef(doc.pLn, CID_EnumTypeRef);
   ASSERT_EQ(pEnumRef->SetRefSclContainer(doc.pEnum), SE_OK);
   ASSERT_EQ(pRef->Copy(*pEnumRef), SE_OK);
   capture.Clear();
   EXPECT_EQ(pRef->GetRefSclContainer(), nullptr);
   EXPECT_EQ(capture.Get().at(0),
             "Fehler: CSclRef::GetRefSclContainer - Referenzzeiger hat falschen Typ");

   // Candidates are the containers of the target class, in document order.
   std::vector<CSclContainer*> candidates;
   EXPECT_EQ(AddRef(doc.pIed, CID_DATypeRef)->GetRefValList(candidates), SE_OK);
   EXPECT_EQ(candidates, (std::vector<CSclContainer*>{doc.pD1, doc.pD2}));
   CSclRef* pLnRef = AddRef(doc.pIed, CID_LNRef); // target LNBase: LN and LN0
   candidates.clear();
   pLnRef->GetRefValList(candidates);
   EXPECT_EQ(candidates, (std::vector<CSclContainer*>{doc.pLn}));

   const uint32_t handle = doc.pD1->GetRefHandle();
   EXPECT_NE(handle, 0u);
   EXPECT_EQ(doc.pD1->GetRefHandle(), handle);
   EXPECT_NE(doc.pD2->GetRefHandle(), handle);
   EXPECT_EQ(CSclRefRegistry::FindContainer(handle), doc.pD1);
   doc.pTemplates->DeleteChild(doc.pD1);
   EXPECT_EQ(CSclRefRegistry::FindContainer(handle), nullptr);
   EXPECT_EQ(CSclRefRegistry::FindContainer(0), nullptr);
}

TEST(CSclRef, MoveAttribToRef)
{
   CFile doc;
   CSclRef* pRef = AddRef(doc.pLn, CID_LNodeTypeRef);
   EXPECT_EQ(pRef->GetIndex(), doc.pLn->GetAttribCount()); // first after the attributes
   doc.pLn->MoveAttribToRef(NID_lnClass, pRef);
   doc.pLn->MoveAttribToRef("lnType", pRef);
   doc.pLn->MoveAttribToRef(NID_desc, pRef); // none there: nothing happens
   doc.pLn->CreateSclValue(tSclNameId(0))->SetValue("text");
   doc.pLn->MoveAttribToRef("RefTest-unknown", pRef); // never mistaken for the text
   EXPECT_EQ(doc.pLn->GetValue(tSclNameId(0)), "text");
   EXPECT_EQ(doc.pLn->GetValue(NID_lnClass), "");
   EXPECT_EQ(doc.pLn->GetAttribCount(), 1);
   ASSERT_EQ(pRef->GetChildCount(), 2);
   EXPECT_EQ(pRef->GetChild(0)->GetParent(), pRef);
   EXPECT_EQ(pRef->GetValue(NID_lnType), "T1");
   EXPECT_EQ(pRef->GetRefKeyText(), " lnClass=\"MMXU\" lnType=\"T1\"");

   // Resolving deletes the stored keys; the key text is then the target's (later issue).
   EXPECT_EQ(pRef->SetValue("MMXUT1"), SE_VALUE); // no DataTypeTemplates path like that
   EXPECT_EQ(pRef->SetValue(".MMXUT1"), SE_OK);
   EXPECT_EQ(pRef->GetRefSclContainer(), doc.pLNodeType);
}

TEST(CSclRef, CopyWithinTheFileKeepsTheTarget)
{
   CFile doc;
   CSclRef* pRef = AddRef(doc.pLn, CID_LNodeTypeRef);
   doc.pLn->MoveAttribToRef(NID_lnType, pRef);
   ASSERT_EQ(pRef->SetRefSclContainer(doc.pLNodeType), SE_OK);

   // Within the file: the copied LN points at the same LNodeType.
   CSclContainer* pCopy = doc.pLn->GetParent()->CreateSclContainer(CID_LN);
   ASSERT_EQ(pCopy->Copy(*doc.pLn), SE_OK);
   auto* pCopiedRef = static_cast<CSclRef*>(pCopy->GetChild(CID_LNodeTypeRef));
   ASSERT_NE(pCopiedRef, nullptr);
   EXPECT_EQ(pCopiedRef->GetRefSclContainer(), doc.pLNodeType);
   EXPECT_EQ(pCopiedRef->GetValue(NID_lnType), "T1"); // stored keys copied as they are
   EXPECT_EQ(doc.pLNodeType->GetRefCount(), 2);
   EXPECT_TRUE(pCopiedRef->ContentCompare(*pRef));

   CaptureReports capture;
   EXPECT_EQ(pCopiedRef->Copy(*doc.pLn), SE_WRONG_TYPE);
   EXPECT_EQ(capture.Get().at(0), "Fehler: CSclRef::Copy - Aufruf mit falschem Typ");
   EXPECT_FALSE(pCopiedRef->ContentCompare(*doc.pLn));
}
