// Documents of extreme width and size, generated at run time, load and walk without a report.
#include <string>

#include <gtest/gtest.h>

#include "RobustnessSupport.h"
#include "SclDll/SclLib.h"
#include "TestSupport.h"

using namespace Arvenko::Melvotar;
using namespace Arvenko::Melvotar::Scl;
using SclTest::CaptureReports;
using SclTest::kMillion;
using SclTest::Repeat;
using SclTest::TempFile;

namespace {

// Loads aDocument as a file, expecting no report.
void Load(CSclFile& arFile, const std::string& aDocument)
{
   const TempFile input = TempFile::WithBytes(aDocument, ".scd");
   CaptureReports reports;
   arFile.Read(input.Path());
   EXPECT_TRUE(reports.Get().empty()) << reports.Get()[0];
}

} // namespace

TEST(RobustnessWideStress, MillionSiblings)
{
   // Plain and typed siblings in schema order: every insertion compares with the one in front.
   CSclFile file;
   Load(file, "<SCL>" + Repeat("<x/>", kMillion / 2) +
                  Repeat("<Private type=\"p\"/>", kMillion / 2) + "<Header/></SCL>");
   const CSclSCL* pScl = file.GetSclElement();
   ASSERT_NE(pScl, nullptr);
   ASSERT_EQ(pScl->GetChildCount(), kMillion + 1);
   EXPECT_EQ(pScl->GetChildCount(CID_Private), kMillion / 2);
   EXPECT_NE(pScl->GetHeader(), nullptr);
   SclTest::WalkEveryWay(file, true);
}

// Reads <SCL>aFirstRun aAlternating aSecondRun</SCL>, half a million plain elements and half a
// million Private elements numbered in their type attributes, without a report: the plain ones
// lead (the schema position of an unknown element), each kind in reading order.
void ExpectPlainBeforePrivate(const std::string& aFirstRun, const std::string& aSecondRun,
                              const std::string& aAlternating)
{
   CSclFile file;
   Load(file, "<SCL>" + aFirstRun + aAlternating + aSecondRun + "</SCL>");
   const CSclSCL* pScl = file.GetSclElement();
   ASSERT_NE(pScl, nullptr);
   ASSERT_EQ(pScl->GetChildCount(), kMillion);
   const int half = kMillion / 2;
   for (int i = 0; i < kMillion; ++i) {
      const CScl* pChild = pScl->GetChild(i);
      const bool plain = i < half;
      ASSERT_EQ(pChild->GetClassId(), plain ? CID_CONTAINER : CID_Private) << "child " << i;
      const auto* pElement = static_cast<const CSclContainer*>(pChild);
      ASSERT_EQ(pElement->GetValue(NID_type), std::to_string(plain ? i : i - half))
          << "child " << i;
      if (i % 4096 == 0) {
         ASSERT_EQ(pChild->GetIndex(), i);
      }
   }
}

// aCount numbered elements of that name: <aName type="0"/><aName type="1"/>...
std::string Numbered(const std::string& aName, int aCount)
{
   std::string text;
   for (int i = 0; i < aCount; ++i)
      text += "<" + aName + " type=\"" + std::to_string(i) + "\"/>";
   return text;
}

TEST(RobustnessWideStress, MillionSiblingsAgainstSchemaOrder)
{
   // Unknown elements arrive behind typed ones they must pass: alternating, then typed first.
   std::string alternating;
   for (int i = 0; i < kMillion / 2; ++i) {
      const std::string number = std::to_string(i);
      alternating += "<x type=\"" + number + "\"/><Private type=\"" + number + "\"/>";
   }
   ExpectPlainBeforePrivate("", "", alternating);
   alternating.clear();
   ExpectPlainBeforePrivate(Numbered("Private", kMillion / 2), Numbered("x", kMillion / 2), "");
}

TEST(RobustnessWideStress, MillionAttributesOnOneElement)
{
   // The same name a million times: the attributes keep their order, in front of the text.
   std::string attributes;
   for (int i = 0; i < kMillion; ++i)
      attributes += " a=\"" + std::to_string(i) + "\"";
   CSclFile file;
   Load(file, "<x" + attributes + ">text</x>");
   ASSERT_EQ(file.GetChildCount(), 1);
   const auto* pX = static_cast<const CSclContainer*>(file.GetChild(0));
   ASSERT_EQ(pX->GetChildCount(), kMillion + 1);
   EXPECT_EQ(pX->GetAttribCount(), kMillion);
   EXPECT_EQ(pX->GetChild(0)->GetValue(), "0");
   EXPECT_EQ(pX->GetChild(kMillion - 1)->GetValue(), std::to_string(kMillion - 1));
   EXPECT_EQ(pX->GetChild(kMillion)->GetValue(), "text");
   SclTest::WalkEveryWay(file, true);
}

TEST(RobustnessWideStress, HundredMegabyteAttributeValue)
{
   const size_t size = 100u << 20;
   std::string document = "<SCL><Header id=\"";
   document.append(size, 'v');
   document += "\" version=\"1\"/></SCL>";
   CSclFile file;
   Load(file, document);
   document.clear();
   ASSERT_NE(file.GetSclElement(), nullptr);
   const CSclHeader* pHeader = file.GetSclElement()->GetHeader();
   ASSERT_NE(pHeader, nullptr);
   EXPECT_EQ(pHeader->GetId().size(), size);
   SclTest::WalkEveryWay(file, true);
}

TEST(RobustnessWideStress, FileThatIsOneLongComment)
{
   // One remark holding every byte between the delimiters, line feeds as "&#x0a;".
   const size_t size = 50u << 20;
   std::string body(size, '-');
   for (size_t i = 1; i < size; i += 4096)
      body[i] = '\n';
   CSclFile file;
   Load(file, "<!--" + body + "x-->");
   ASSERT_EQ(file.GetChildCount(), 1);
   ASSERT_TRUE(file.GetChild(0)->IsClass(CID_REMARK));
   EXPECT_EQ(file.GetChild(0)->GetValue().size(), size + 1 + 5 * (size / 4096));
   SclTest::WalkEveryWay(file, true);
}

TEST(RobustnessWide, UnterminatedCommentEndsTheFile)
{
   // The comment never ends: the elements in front of it stay, the rest is not markup.
   CSclFile file;
   Load(file, "<SCL><Header id=\"h\"/></SCL><!--" + std::string(10u << 20, 'c') + "<x/>");
   ASSERT_EQ(file.GetChildCount(), 1);
   ASSERT_NE(file.GetSclElement(), nullptr);
   EXPECT_NE(file.GetSclElement()->GetHeader(), nullptr);
}
