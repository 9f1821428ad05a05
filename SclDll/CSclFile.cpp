#include "SclDll/CSclFile.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <exception>
#include <functional>
#include <system_error>
#include <thread>
#include <vector>

#include "SclDll/CSclNameTable.h"
#include "SclDll/SclCrc32.h"
#include "SclDll/SclObjectPool.h"
#include "SclDll/SclRefKeyLog.h"
#include "inc_scl/sclnorm/KVSclClasses.h"
#include "xmlparser/Report.h"

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

CSclFile::~CSclFile()
{
   // The pool goes with the last of its objects, which the container destructor destroys.
   CSclObjectPool::ReleaseOwner(m_pPool);
}

bool CSclFile::IsClass(tSclClassId aClassId) const
{
   return aClassId == CID_CONTAINER || aClassId == CID_FILE;
}

tSclError CSclFile::Copy(const CScl& right)
{
   if (!right.IsClass(CID_FILE))
      return SE_WRONG_TYPE;
   const auto& source = static_cast<const CSclFile&>(right);
   std::vector<const CScl*> before;
   for (int i = 0; i < GetChildCount(); ++i)
      before.push_back(GetChild(i));
   const tSclError error = CSclContainer::Copy(right);
   if (error == SE_OK) {
      m_Changed = true;
      m_Loading = false;
      m_Format = source.m_Format;
      m_Interchange = source.m_Interchange;
      m_CrLf = source.m_CrLf;
      m_SclPrefix = source.m_SclPrefix;
      if (&source != this && !source.m_ReadAttributes.empty())
         CopyReadAttributes(source, before);
   }
   return error;
}

void CSclFile::CopyReadAttributes(const CSclFile& aSource, const std::vector<const CScl*>& aBefore)
{
   // The copy of an element holds the copies of its children; each was inserted at its
   // place in the order, which keeps elements of one class and name in their order. So the
   // n-th child of a class and name in the source is the n-th of them in the copy.
   struct tPair {
      const CSclContainer* pFrom;
      CSclContainer* pTo;
   };
   auto groupOf = [](const CScl& aChild) {
      return static_cast<uint64_t>(static_cast<uint32_t>(aChild.GetClassId())) << 16 |
             aChild.GetNameId();
   };
   std::vector<tPair> stack{{&aSource, this}};
   std::vector<CScl*> candidates;
   std::unordered_map<uint64_t, size_t> next; // per group: where its search goes on
   while (!stack.empty()) {
      const tPair pair = stack.back();
      stack.pop_back();
      candidates.clear();
      next.clear();
      for (int i = 0; i < pair.pTo->GetChildCount(); ++i) {
         CScl* pChild = pair.pTo->GetChild(i);
         if (pChild->IsClass(CID_CONTAINER) &&
             (pair.pTo != this ||
              std::find(aBefore.begin(), aBefore.end(), pChild) == aBefore.end()))
            candidates.push_back(pChild);
      }
      for (int i = 0; i < pair.pFrom->GetChildCount(); ++i) {
         const CScl* pFrom = pair.pFrom->GetChild(i);
         if (!pFrom->IsClass(CID_CONTAINER))
            continue;
         const uint64_t group = groupOf(*pFrom);
         size_t& at = next[group];
         while (at < candidates.size() && groupOf(*candidates[at]) != group)
            ++at;
         if (at == candidates.size())
            continue;
         auto* pTo = static_cast<CSclContainer*>(candidates[at++]);
         const auto* pFromElement = static_cast<const CSclContainer*>(pFrom);
         if (!pFrom->IsClass(CID_REF)) {
            stack.push_back({pFromElement, pTo});
            continue;
         }
         if (const std::vector<tSclNameId>* pNames =
                 aSource.GetReadAttributes(pFromElement->PeekRefHandle()))
            NoteReadAttributes(pTo->GetRefHandle(), *pNames);
      }
   }
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
   // The objects of the file come from the file's pool: a few large allocations.
   if (m_pPool == nullptr)
      m_pPool = CSclObjectPool::Create();
   CSclObjectPool::CScope pool(m_pPool);
   // The completion at the end of the reading corrects the multipliers in its walk.
   m_CorrectOnRead = true;
   m_CorrectedOnRead = false;
   try {
      CSclContainer::Read(&reader);
   } catch (...) {
      m_CorrectOnRead = false;
      throw;
   }
   m_CorrectOnRead = false;
   if (m_CorrectedOnRead)
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
   UpdateStampPrivates();
   // The checksum covers the children in the order they are written.
   if (m_Interchange.EditionOrder)
      SortForEdition();
   // The checksum walk corrects the multipliers as it goes: one walk over the tree instead of
   // two. The stamps it fills never hold a multiplier, so the order does not matter. The
   // reference key texts it builds go to the writing walk (no key reads a multiplier or a
   // stamp, so they stay as built).
   CSclRefKeyLog keyLog;
   CSclRefKeyLog::CScope keyScope(&keyLog);
   XmlParser::tXmlTextMode mode;
   mode.Conforming = m_Interchange.XmlText;
   mode.CrLf = m_CrLf;
   if (WriteBesideChecksum(aPath, mode, keyLog, aWithArvenkoExtension))
      return;
   if (!UpdateCRCPrivate(true))
      CorrectMultipliers();
   XmlParser::CXmlParser writer(aPath, m_Format, true, mode);
   CSclContainer::Write(0, &writer, aWithArvenkoExtension);
}

bool CSclFile::WriteBesideChecksum(const std::string& aPath, const XmlParser::tXmlTextMode& aMode,
                                   CSclRefKeyLog& arKeyLog, bool aWithArvenkoExtension)
{
   // The checksum walk and the writing walk cost about the same: with a second core the
   // writing walk runs beside the checksum walk, into memory, and the file is written from
   // there after the walk, when the serial save would open it.
   CSclSCL* pScl = GetSclElement();
   if (pScl == nullptr || m_Interchange.EditionOrder || std::thread::hardware_concurrency() < 2)
      return false;
   // The stamp UpdateCRCPrivate finds: created (as it would) before the writer starts.
   CSclPrivate* pStamp = FindOrCreateStamp(*pScl, SCL_STAMP_CRC, false);
   if (pStamp == nullptr)
      return false;
   std::vector<const CScl*> units;
   for (int i = 0; i < GetChildCount(); ++i) {
      const CScl* pChild = GetChild(i);
      // The checksum walk asks for their places: known now, it only reads them.
      pChild->GetIndex();
      if (pChild != pScl && pChild->IsClass(CID_CONTAINER))
         units.push_back(pChild);
      for (int j = 0; pChild == pScl && j < pScl->GetChildCount(); ++j)
         if (pScl->GetChild(j)->IsClass(CID_CONTAINER))
            units.push_back(pScl->GetChild(j));
   }
   if (units.size() < CSclRefKeyLog::s_MinUnitsBeside.load())
      return false;
   arKeyLog.ShareWithWriter(pScl, std::move(units), pStamp);

   XmlParser::CXmlOutputBuffer output;
   std::vector<tReportBlock> reports;
   std::exception_ptr failure;
   std::thread writer;
   try {
      writer = std::thread([&] {
         CHeldReports held;
         CSclRefKeyLog::CScope scope(&arKeyLog);
         try {
            XmlParser::CXmlParser memory(aPath, m_Format, aMode, output);
            CSclContainer::Write(0, &memory, aWithArvenkoExtension);
         } catch (const CSclRefKeyLog::tWalkFailed&) {
         } catch (...) {
            failure = std::current_exception();
         }
         reports = held.Take();
         arKeyLog.EndWriter();
      });
   } catch (const std::system_error&) { // no thread to be had: the serial save
      arKeyLog.ShareWithWriter(nullptr, {}, nullptr);
      return false;
   }
   try {
      UpdateCRCPrivate(true);
   } catch (...) {
      arKeyLog.EndWalk(true);
      writer.join();
      throw;
   }
   arKeyLog.EndWalk(false);
   try {
      WriteAfterChecksum(aPath, aMode, arKeyLog, output, *pStamp, reports,
                         aWithArvenkoExtension);
   } catch (...) {
      arKeyLog.Abort();
      writer.join();
      throw;
   }
   writer.join();
   // The writer's reports are out; its failure comes last, as in the serial save.
   if (failure)
      std::rethrow_exception(failure);
   return true;
}

void CSclFile::WriteAfterChecksum(const std::string& aPath, const XmlParser::tXmlTextMode& aMode,
                                  CSclRefKeyLog& arKeyLog,
                                  XmlParser::CXmlOutputBuffer& arWritten, CSclPrivate& arStamp,
                                  std::vector<tReportBlock>& arWriterReports,
                                  bool aWithArvenkoExtension)
{
   // The file is opened where the serial save opens it. This thread writes what the writer
   // has put out so far, the stamp in its place, and takes units from the back, each
   // written alone into memory; the units taken go into the file after the writer is done.
   XmlParser::CXmlParser file(aPath, m_Format, true, aMode);
   const auto put = [&file](const char* apData, size_t aCount) {
      file.WriteConverted(apData, aCount);
   };
   size_t done = 0;  // bytes of the writer's output in the file
   size_t holes = 0; // its holes filled
   CSclRefKeyLog::tHole hole{};
   // What the writer has put out, up to the hole of a unit taken (true) or to its end.
   const auto putWritten = [&]() {
      while (true) {
         const size_t available = arWritten.Size(); // the holes before it are noted
         const bool atHole = arKeyLog.GetHole(holes, hole);
         const size_t end = atHole ? hole.offset : available;
         arWritten.ForEach(done, end, put);
         done = end;
         arWritten.DropBefore(done);
         if (!atHole || arKeyLog.Units()[hole.unit] != &arStamp)
            return atHole;
         CSclRefKeyLog::CScope none(nullptr);
         arStamp.CSclContainer::Write(hole.indent, &file, aWithArvenkoExtension);
         ++holes;
      }
   };
   struct tTaken {
      size_t begin = 0;
      size_t end = 0;
      std::vector<tReportBlock> reports;
      std::exception_ptr failure;
   };
   std::vector<tTaken> taken(arKeyLog.Units().size());
   XmlParser::CXmlOutputBuffer takenOutput;
   XmlParser::CXmlParser memory(aPath, m_Format, aMode, takenOutput);
   const CScl* pScl = arStamp.GetParent();
   const auto standalone = [pScl, &arStamp](const CScl* apUnit) {
      return apUnit->GetParent() == pScl && apUnit != &arStamp && !apUnit->IsClass(CID_REF);
   };
   bool blocked = false; // at the hole of a unit taken
   for (size_t unit = 0;;) {
      if (!blocked)
         blocked = putWritten();
      if (!arKeyLog.TakeLast(standalone, unit))
         break;
      CSclRefKeyLog unitLog;
      unitLog.ReadFrom(arKeyLog, unit);
      CSclRefKeyLog::CScope scope(&unitLog);
      tTaken& piece = taken[unit];
      piece.begin = takenOutput.Size();
      CHeldReports held;
      try {
         // The children of the SCL element are written at one level of indentation.
         static_cast<const CSclContainer*>(arKeyLog.Units()[unit])
             ->Write(1, &memory, aWithArvenkoExtension);
      } catch (...) {
         piece.failure = std::current_exception();
      }
      piece.end = takenOutput.Size();
      piece.reports = held.Take();
   }
   // ... the rest once the writer is done.
   // Reports come in the order of the document: the writer's units, then the units taken.
   arKeyLog.WaitForWriter();
   for (const tReportBlock& block : arWriterReports)
      OutputReport(block);
   arWriterReports.clear();
   while (putWritten()) {
      const tTaken& piece = taken[hole.unit];
      takenOutput.ForEach(piece.begin, piece.end, put);
      for (const tReportBlock& block : piece.reports)
         OutputReport(block);
      if (piece.failure)
         std::rethrow_exception(piece.failure);
      ++holes;
   }
}

bool CSclFile::CorrectMultiplier(CSclContainer& arElement)
{
   bool changed = false;
   for (const tFixedMultiplier& fixed : s_FixedMultipliers) {
      if (arElement.GetClassId() != fixed.element)
         continue; // most elements: no need to look at the parent
      const CSclContainer* pParent = arElement.GetParent();
      if (pParent == nullptr || pParent->GetClassId() != fixed.parent ||
          arElement.GetValue(NID_multiplier) == fixed.multiplier)
         continue;
      arElement.SetAttribValue(NID_multiplier, fixed.multiplier);
      changed = true;
   }
   return changed;
}

bool CSclFile::CorrectMultipliersBelow(const CSclContainer& aTop)
{
   bool changed = false;
   // The classes involved have no subclasses, so their exact class ids decide. Only elements
   // can hold the elements concerned, so the walk visits elements alone, with an explicit
   // stack.
   std::vector<const CSclContainer*> stack{&aTop};
   while (!stack.empty()) {
      const CSclContainer* pParent = stack.back();
      stack.pop_back();
      for (int i = pParent->GetChildCount() - 1; i >= 0; --i) {
         CScl* pChild = pParent->GetChild(i);
         if (pChild->GetClassId() == CID_VALUE || !pChild->IsClass(CID_CONTAINER))
            continue; // attributes, most of the children, answer without a virtual call
         auto* pElement = static_cast<CSclContainer*>(pChild);
         if (CorrectMultiplier(*pElement))
            changed = true;
         stack.push_back(pElement);
      }
   }
   return changed;
}

void CSclFile::CompleteAfterRead()
{
   if (!m_CorrectOnRead) {
      Complete();
      return;
   }
   bool correcting = false;
   const std::function<void(CSclContainer&)> correct = [&](CSclContainer& arElement) {
      if (CorrectMultipliersInWalk(arElement, correcting, arElement.IsClass(CID_REF)))
         m_CorrectedOnRead = true;
   };
   CompleteVisiting(&correct);
}

bool CSclFile::CorrectMultipliersInWalk(CSclContainer& arElement, bool& arCorrecting,
                                        bool aIsRef)
{
   bool changed = false;
   if (arElement.GetParent() == this) {
      const CScl* pScl = GetChild(CID_SCL);
      arCorrecting = pScl != nullptr && arElement.GetIndex() >= pScl->GetIndex();
   } else if (arCorrecting) {
      changed = CorrectMultiplier(arElement);
   }
   // Walks that stay out of references leave their content to a walk of its own (a resolved
   // reference has given up its content).
   if (arCorrecting && aIsRef && arElement.GetChildCount() != 0 &&
       CorrectMultipliersBelow(arElement))
      changed = true;
   return changed;
}

bool CSclFile::CorrectMultipliers()
{
   const CSclSCL* pScl = GetSclElement();
   if (pScl == nullptr)
      return false;
   bool changed = false;
   for (int i = pScl->GetIndex(); i < GetChildCount(); ++i)
      if (GetChild(i)->IsClass(CID_CONTAINER) &&
          CorrectMultipliersBelow(*static_cast<const CSclContainer*>(GetChild(i))))
         changed = true;
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

bool CSclFile::UpdateCRCPrivate(bool aCorrectMultipliers)
{
   CSclSCL* pScl = GetSclElement();
   if (pScl == nullptr)
      return false;
   CSclPrivate* pStamp = FindOrCreateStamp(*pScl, SCL_STAMP_CRC, false);
   if (pStamp == nullptr)
      return false;
   pStamp->SetContent(ComputeFileCRC(pStamp, aCorrectMultipliers));
   return true;
}

std::string CSclFile::ComputeFileCRC(CSclPrivate* apStamp, bool aCorrectMultipliers)
{
   apStamp->SetContent("");
   const int32_t crc = aCorrectMultipliers ? GetCRC32CorrectingMultipliers(SCL_CRC32_START)
                                           : GetCRC32(SCL_CRC32_START);
   char text[16];
   std::snprintf(text, sizeof text, "%d", static_cast<int>(crc));
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
