#include "SclDll/CSclFile.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

#include "SclDll/CSclNameTable.h"
#include "SclDll/SclCrc32.h"
#include "inc_scl/sclnorm/KVSclClasses.h"

namespace Arvenko::Melvotar::Scl {

namespace {

// The unit multipliers that are fixed by the element and its parent.
struct tFixedMultiplier {
   tSclClassId element;
   tSclClassId parent;
   const char* multiplier;
};

constexpr tFixedMultiplier s_FixedMultipliers[] = {
    {CID_BitRate, CID_SubNetwork, "M"},
    {CID_MinTime, CID_GSE, "m"},
    {CID_MaxTime, CID_GSE, "m"},
};

// The stamp of that type: the first or the last Private child of the SCL element.
CSclPrivate* FindStamp(const CSclSCL& aScl, const char* apType, bool aLast)
{
   CSclPrivate* pFound = nullptr;
   for (int i = 0; i < aScl.GetChildCount(); ++i) {
      auto* pPrivate = static_cast<CSclPrivate*>(aScl.GetChild(CID_Private, i));
      if (pPrivate == nullptr || pPrivate->Get_type() != apType)
         continue;
      pFound = pPrivate;
      if (!aLast)
         break;
   }
   return pFound;
}

// The stamp of that type, created (at its schema position) when missing; null when refused.
CSclPrivate* FindOrCreateStamp(CSclSCL& aScl, const char* apType, bool aLast)
{
   CSclPrivate* pStamp = FindStamp(aScl, apType, aLast);
   if (pStamp == nullptr) {
      pStamp = aScl.CreatePrivate(InsertLast);
      if (pStamp != nullptr)
         pStamp->Set_type(apType);
   }
   return pStamp;
}

std::string LocalTimeStamp()
{
   const std::time_t now = std::time(nullptr);
   std::tm local{};
   localtime_r(&now, &local);
   char text[64];
   std::snprintf(text, sizeof text, "%02d.%02d.%4d %02d:%02d:%02d", local.tm_mday, local.tm_mon + 1,
                 local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec);
   return text;
}

} // namespace

CSclFile::CSclFile() : CSclContainer(nullptr)
{
   m_ClassId = CID_FILE;
}

CSclFile::~CSclFile() = default;

bool CSclFile::IsClass(tSclClassId aClassId) const
{
   return aClassId == CID_CONTAINER || aClassId == CID_FILE;
}

tSclError CSclFile::Copy(const CScl& right)
{
   if (!right.IsClass(CID_FILE))
      return SE_WRONG_TYPE;
   const tSclError error = CSclContainer::Copy(right);
   if (error == SE_OK) {
      const auto& source = static_cast<const CSclFile&>(right);
      m_Changed = true;
      m_Loading = false;
      m_Format = source.m_Format;
      m_Interchange = source.m_Interchange;
      m_CrLf = source.m_CrLf;
   }
   return error;
}

CSclSCL* CSclFile::GetSclElement() const
{
   return static_cast<CSclSCL*>(GetChild(CID_SCL));
}

tSclEdition CSclFile::GetEdition() const
{
   return CSclEdition::OfScl(GetChild(CID_SCL) != nullptr
                                ? static_cast<const CSclContainer*>(GetChild(CID_SCL))
                                : nullptr);
}

void CSclFile::NoteReadAttributes(uint32_t aRefHandle, std::vector<tSclNameId> aNameIds)
{
   m_ReadAttributes[aRefHandle] = std::move(aNameIds);
}

const std::vector<tSclNameId>* CSclFile::GetReadAttributes(uint32_t aRefHandle) const
{
   const auto found = aRefHandle != 0 ? m_ReadAttributes.find(aRefHandle) : m_ReadAttributes.end();
   return found != m_ReadAttributes.end() ? &found->second : nullptr;
}

bool CSclFile::WasRefKeyRead(uint32_t aRefHandle, const std::string& aName) const
{
   const std::vector<tSclNameId>* pNames = GetReadAttributes(aRefHandle);
   const tSclNameId key = CSclNameTable::FindNameId(aName);
   return pNames != nullptr && key != 0 &&
          std::find(pNames->begin(), pNames->end(), key) != pNames->end();
}

void CSclFile::SetFileFormat(XmlParser::tFileFormat aFormat)
{
   m_Format = aFormat;
   static const char* const s_Encodings[] = {nullptr, "ISO-8859-1", "UTF-8", "UTF-16"};
   if (aFormat < XmlParser::FF_ANSI || aFormat > XmlParser::FF_UTF16)
      return;
   if (auto* pDeclaration = static_cast<CSclContainer*>(GetChild(CID__xml)))
      pDeclaration->SetAttribValue(NID_encoding, s_Encodings[aFormat]);
}

void CSclFile::Read(const std::string& aPath)
{
   SetUnlistedSclName(aPath);
   XmlParser::tXmlTextMode mode;
   mode.Conforming = m_Interchange.XmlText;
   XmlParser::CXmlParser reader(aPath, m_Format, false, mode);
   m_CrLf = reader.HasCrLfLineEnds();
   CSclContainer::Read(&reader);
   if (CorrectMultipliers())
      m_Changed = true;
   SetFileFormat(reader.GetFileFormat());
}

void CSclFile::Write(const std::string& aPath, bool aWithArvenkoExtension)
{
   // Other readers take an 8-bit file without a declaration for UTF-8: with the interchange
   // option it gets one, before the checksum covers the document.
   if (m_Interchange.XmlText && m_Format == XmlParser::FF_ANSI && GetChild(CID__xml) == nullptr)
      if (CSclContainer* pDeclaration = CreateSclContainer(CID__xml, 0))
         pDeclaration->SetAttribValue(NID_version, "1.0");
   SetFileFormat(m_Format);
   CorrectMultipliers();
   UpdateStampPrivates();
   // The checksum covers the children in the order they are written.
   if (m_Interchange.EditionOrder)
      SortForEdition();
   UpdateCRCPrivate();
   XmlParser::tXmlTextMode mode;
   mode.Conforming = m_Interchange.XmlText;
   mode.CrLf = m_CrLf;
   XmlParser::CXmlParser writer(aPath, m_Format, true, mode);
   CSclContainer::Write(0, &writer, aWithArvenkoExtension);
}

bool CSclFile::CorrectMultipliers()
{
   const CSclSCL* pScl = GetSclElement();
   if (pScl == nullptr)
      return false;
   bool changed = false;
   // The classes involved have no subclasses, so their exact class ids decide. Only elements
   // can hold the elements concerned, so the walk visits elements alone, with an explicit
   // stack.
   std::vector<const CSclContainer*> stack;
   for (int i = GetChildCount() - 1; i >= pScl->GetIndex(); --i)
      if (GetChild(i)->IsClass(CID_CONTAINER))
         stack.push_back(static_cast<const CSclContainer*>(GetChild(i)));
   while (!stack.empty()) {
      const CSclContainer* pParent = stack.back();
      stack.pop_back();
      for (int i = pParent->GetChildCount() - 1; i >= 0; --i) {
         CScl* pChild = pParent->GetChild(i);
         if (pChild->GetClassId() == CID_VALUE || !pChild->IsClass(CID_CONTAINER))
            continue; // attributes, most of the children, answer without a virtual call
         auto* pElement = static_cast<CSclContainer*>(pChild);
         for (const tFixedMultiplier& fixed : s_FixedMultipliers) {
            if (pElement->GetClassId() != fixed.element || pParent->GetClassId() != fixed.parent ||
                pElement->GetValue(NID_multiplier) == fixed.multiplier)
               continue;
            pElement->SetAttribValue(NID_multiplier, fixed.multiplier);
            changed = true;
         }
         stack.push_back(pElement);
      }
   }
   return changed;
}

void CSclFile::UpdateStampPrivates()
{
   CSclSCL* pScl = GetSclElement();
   if (pScl == nullptr)
      return;
   CSclPrivate* pVersion = FindOrCreateStamp(*pScl, SCL_STAMP_VERSION, true);
   CSclPrivate* pEditTime = FindOrCreateStamp(*pScl, SCL_STAMP_EDIT_TIME, true);
   if (pVersion != nullptr)
      pVersion->SetContent(SCL_LIB_VERSION);
   if (pEditTime != nullptr)
      pEditTime->SetContent(LocalTimeStamp());
}

void CSclFile::UpdateCRCPrivate()
{
   CSclSCL* pScl = GetSclElement();
   if (pScl == nullptr)
      return;
   CSclPrivate* pStamp = FindOrCreateStamp(*pScl, SCL_STAMP_CRC, false);
   if (pStamp != nullptr)
      pStamp->SetContent(ComputeFileCRC(pStamp));
}

std::string CSclFile::ComputeFileCRC(CSclPrivate* apStamp)
{
   apStamp->SetContent("");
   char text[16];
   std::snprintf(text, sizeof text, "%d", static_cast<int>(GetCRC32(SCL_CRC32_START)));
   return text;
}

bool CSclFile::IsValidFileCRC()
{
   const CSclSCL* pScl = GetSclElement();
   CSclPrivate* pStamp = pScl == nullptr ? nullptr : FindStamp(*pScl, SCL_STAMP_CRC, false);
   if (pStamp == nullptr)
      return false;
   const std::string stamped = pStamp->GetContent();
   if (stamped.empty())
      return false; // never a formatted number; the stamp stays untouched
   const std::string computed = ComputeFileCRC(pStamp);
   pStamp->SetContent(stamped);
   return stamped == computed;
}

} // namespace Arvenko::Melvotar::Scl
