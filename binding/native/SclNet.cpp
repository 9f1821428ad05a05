// The native shim of the managed binding: one flat C function per line of SclNet.exports.
// Every function runs its body inside Guarded, which turns any C++ exception into the status
// block (kind, native code, message as UTF-16), so nothing unwinds into the managed caller.
// Strings cross as UTF-16 and are converted here with CXmlParser::Unicode2Ansi/Ansi2Unicode;
// returned texts and arrays live in the shim's buffers until its next call. The buffers are
// plain statics, like the rest of the library's process-wide state (one thread at a time):
// thread-local storage of a library the runtime loads with dlopen cost more per call than
// converting a name.
#include "binding/native/SclNetExports.h"
#include "binding/native/SclNetGuard.h"

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "SclDll/SclLib.h"
#include "inc_scl/sclnorm/KVSclTyped.h"

using namespace Arvenko::Melvotar;
using namespace Arvenko::Melvotar::Scl;
using Arvenko::Melvotar::XmlParser::CXmlParser;
using Arvenko::Melvotar::XmlParser::tFileFormat;
using Arvenko::Melvotar::XmlParser::xml_parser_error;

using Arvenko::Melvotar::SclNet::Guarded;

namespace {

std::u16string s_Text;        // last returned text
std::vector<void*> s_Objects; // last returned object array

CScl* Obj(void* ap)
{
   return static_cast<CScl*>(ap);
}
CSclContainer* Cont(void* ap)
{
   return static_cast<CSclContainer*>(Obj(ap));
}
CSclFile* File(void* ap)
{
   return static_cast<CSclFile*>(Obj(ap));
}
void* Out(CScl* ap)
{
   return ap;
}

std::string In(const char16_t* apText, int32_t aLength)
{
   if (apText == nullptr || aLength <= 0)
      return std::string();
   return CXmlParser::Unicode2Ansi(std::u16string(apText, static_cast<size_t>(aLength)));
}

/// UTF-16 unit of every Windows-1252 byte, taken once from the XML layer's mapping.
const struct tUnits {
   char16_t Unit[256];
   tUnits()
   {
      for (int i = 0; i < 256; ++i)
         Unit[i] = CXmlParser::AnsiChar2Unicode(static_cast<unsigned char>(i));
   }
   char16_t operator[](unsigned char aByte) const { return Unit[aByte]; }
} kUnits;

const char16_t* Text(const std::string& aText, int32_t* apLength)
{
   const size_t length = std::strlen(aText.c_str()); // as Ansi2Unicode: up to a zero byte
   if (std::memchr(aText.data(), '&', length) == nullptr) {
      // Without references every byte is one unit: converted into the kept buffer, no allocation.
      s_Text.resize(length);
      for (size_t i = 0; i < length; ++i)
         s_Text[i] = kUnits[static_cast<unsigned char>(aText[i])];
   } else {
      s_Text = CXmlParser::Ansi2Unicode(aText);
   }
   *apLength = static_cast<int32_t>(s_Text.size());
   return s_Text.c_str();
}

template <class T> void* const* Objects(const std::vector<T*>& aList, int32_t* apCount)
{
   s_Objects.assign(aList.begin(), aList.end());
   *apCount = static_cast<int32_t>(s_Objects.size());
   return s_Objects.data();
}

// The managed side's delete hook and text sink, installed by sclnet_init.
typedef void (*tManagedDelete)(void* apScl);
typedef void (*tManagedText)(const char16_t* apLine, int32_t aLength);
tManagedDelete s_OnDelete = nullptr;
tManagedText s_OnText = nullptr;

void OnDeleteNotify(void*, CScl* apScl)
{
   if (s_OnDelete != nullptr)
      s_OnDelete(apScl);
}

void OnText(std::string aLine)
{
   if (s_OnText == nullptr)
      return;
   std::u16string line = CXmlParser::Ansi2Unicode(aLine);
   s_OnText(line.c_str(), static_cast<int32_t>(line.size()));
}

/// A memory writer over aSize bytes of apBuffer writing this element at indentation 0;
/// the number of bytes written.
int32_t WriteToBuffer(const CSclContainer& aElement, char* apBuffer, int32_t aSize,
                      tFileFormat aFormat, bool aFlag)
{
   CXmlParser writer(apBuffer, aSize, aFormat, true);
   aElement.Write(0, &writer, aFlag);
   return writer.GetPos();
}

/// Reads library text of aSize bytes into aElement as its content.
void ReadFromBuffer(CSclContainer& aElement, const char* apText, int32_t aSize, tFileFormat aFormat)
{
   CXmlParser reader(apText, aSize, aFormat);
   aElement.Read(&reader);
}

} // namespace

#define BODY(...) return Guarded(apStatus, [&]() { __VA_ARGS__; })
#define TEXT(expr) BODY(return Text(expr, apLength))

// ---- process set-up and texts
void sclnet_init(SclNetStatus* apStatus, void* apOnDelete, void* apOnText)
{
   BODY(s_OnDelete = reinterpret_cast<tManagedDelete>(apOnDelete);
        s_OnText = reinterpret_cast<tManagedText>(apOnText);
        CScl::SetDeleteNotify(&OnDeleteNotify, nullptr); SetTextCallbackFunction(&OnText));
}
const char16_t* sclnet_error_text(SclNetStatus* apStatus, int32_t aCode, int32_t* apLength)
{
   TEXT(GetSclErrorText(static_cast<tSclError>(aCode)));
}
const char16_t* sclnet_text_of_bytes(SclNetStatus* apStatus, uint8_t* apBytes, int32_t aBytesLength,
                                     int32_t* apLength)
{
   TEXT(std::string(reinterpret_cast<const char*>(apBytes), static_cast<size_t>(aBytesLength)));
}

// ---- every object
int32_t sclnet_class_id(SclNetStatus* apStatus, void* apSelf)
{
   BODY(return Obj(apSelf)->GetClassId());
}
int32_t sclnet_is_class(SclNetStatus* apStatus, void* apSelf, int32_t aClassId)
{
   BODY(return Obj(apSelf)->IsClass(static_cast<tSclClassId>(aClassId)) ? 1 : 0);
}
const char16_t* sclnet_scl_name(SclNetStatus* apStatus, void* apSelf, int32_t* apLength)
{
   TEXT(Obj(apSelf)->GetSclName());
}
int32_t sclnet_set_scl_name(SclNetStatus* apStatus, void* apSelf, const char16_t* apName,
                            int32_t aNameLength)
{
   BODY(return Obj(apSelf)->SetSclName(In(apName, aNameLength)));
}
uint16_t sclnet_name_id(SclNetStatus* apStatus, void* apSelf)
{
   BODY(return Obj(apSelf)->GetNameId());
}
const char16_t* sclnet_id_name(SclNetStatus* apStatus, void* apSelf, int32_t* apLength)
{
   TEXT(Obj(apSelf)->GetIdName());
}
const char16_t* sclnet_id_name_path(SclNetStatus* apStatus, void* apSelf, int32_t* apLength)
{
   TEXT(Obj(apSelf)->GetIdNamePath());
}
void* sclnet_parent(SclNetStatus* apStatus, void* apSelf)
{
   BODY(return Out(Obj(apSelf)->GetParent()));
}
void* sclnet_parent_of_class(SclNetStatus* apStatus, void* apSelf, int32_t aClassId)
{
   BODY(return Out(Obj(apSelf)->GetParent(static_cast<tSclClassId>(aClassId))));
}
void* sclnet_file(SclNetStatus* apStatus, void* apSelf)
{
   BODY(return Out(Obj(apSelf)->GetSclFile()));
}
int32_t sclnet_index(SclNetStatus* apStatus, void* apSelf)
{
   BODY(return Obj(apSelf)->GetIndex());
}
int32_t sclnet_level(SclNetStatus* apStatus, void* apSelf)
{
   BODY(return Obj(apSelf)->GetLevel());
}
int32_t sclnet_instance_index(SclNetStatus* apStatus, void* apSelf)
{
   BODY(return Obj(apSelf)->GetInstanceIndex());
}
const char16_t* sclnet_value(SclNetStatus* apStatus, void* apSelf, int32_t* apLength)
{
   TEXT(Obj(apSelf)->GetValue());
}
int32_t sclnet_set_value(SclNetStatus* apStatus, void* apSelf, const char16_t* apValue,
                         int32_t aValueLength)
{
   BODY(return Obj(apSelf)->SetValue(In(apValue, aValueLength)));
}
void* sclnet_next(SclNetStatus* apStatus, void* apSelf, int32_t aMinLevel, int32_t aMaxLevel)
{
   BODY(return Out(Obj(apSelf)->GetNext(aMinLevel, aMaxLevel)));
}
const char16_t* sclnet_id_struct(SclNetStatus* apStatus, void* apSelf, int32_t* apClassId,
                                 uint16_t* apNameId, int32_t* apCount, int32_t* apLength)
{
   BODY(tIdStruct id = Obj(apSelf)->GetIdStruct(); *apClassId = id.ClassId; *apNameId = id.NameId;
        *apCount = id.Count; return Text(id.Id, apLength));
}
int32_t sclnet_copy(SclNetStatus* apStatus, void* apSelf, void* apSource)
{
   BODY(return Obj(apSelf)->Copy(*Obj(apSource)));
}
int32_t sclnet_is_element_of(SclNetStatus* apStatus, void* apSelf, void* apContainer)
{
   BODY(return Obj(apSelf)->IsElementOf(Cont(apContainer)) ? 1 : 0);
}
int32_t sclnet_content_compare(SclNetStatus* apStatus, void* apSelf, void* apOther)
{
   BODY(return Obj(apSelf)->ContentCompare(*Obj(apOther)) ? 1 : 0);
}
int32_t sclnet_crc32(SclNetStatus* apStatus, void* apSelf, int32_t aStart)
{
   BODY(return Obj(apSelf)->GetCRC32(aStart));
}

// ---- elements
void* sclnet_child(SclNetStatus* apStatus, void* apSelf, int32_t aIndex)
{
   BODY(return Out(Cont(apSelf)->GetChild(aIndex)));
}
void* sclnet_child_of_class(SclNetStatus* apStatus, void* apSelf, int32_t aClassId)
{
   BODY(return Out(Cont(apSelf)->GetChild(static_cast<tSclClassId>(aClassId))));
}
void* sclnet_child_of_class_at(SclNetStatus* apStatus, void* apSelf, int32_t aClassId,
                               int32_t aIndex)
{
   BODY(return Out(Cont(apSelf)->GetChild(static_cast<tSclClassId>(aClassId), aIndex)));
}
void* sclnet_child_by_name_id(SclNetStatus* apStatus, void* apSelf, uint16_t aNameId)
{
   BODY(return Out(Cont(apSelf)->GetChildByNameId(aNameId)));
}
void* sclnet_child_by_class_name_id(SclNetStatus* apStatus, void* apSelf, int32_t aClassId,
                                    uint16_t aNameId)
{
   BODY(return Out(Cont(apSelf)->GetChildByNameId(static_cast<tSclClassId>(aClassId), aNameId)));
}
void* sclnet_child_by_id(SclNetStatus* apStatus, void* apSelf, int32_t aClassId,
                         const char16_t* apId, int32_t aIdLength)
{
   BODY(return Out(
       Cont(apSelf)->GetChildById(static_cast<tSclClassId>(aClassId), In(apId, aIdLength))));
}
void* sclnet_child_by_instance_index(SclNetStatus* apStatus, void* apSelf, int32_t aClassId,
                                     int32_t aIndex)
{
   BODY(return Out(
       Cont(apSelf)->GetChildByInstanceIndex(static_cast<tSclClassId>(aClassId), aIndex)));
}
void* sclnet_child_by_id_struct(SclNetStatus* apStatus, void* apSelf, int32_t aClassId,
                                uint16_t aNameId, const char16_t* apId, int32_t aIdLength,
                                int32_t aCount)
{
   BODY(tIdStruct id; id.ClassId = static_cast<tSclClassId>(aClassId); id.NameId = aNameId;
        id.Id = In(apId, aIdLength); id.Count = aCount;
        return Out(Cont(apSelf)->GetChildByIdStruct(id)));
}
int32_t sclnet_child_count(SclNetStatus* apStatus, void* apSelf)
{
   BODY(return Cont(apSelf)->GetChildCount());
}
int32_t sclnet_child_count_of_class(SclNetStatus* apStatus, void* apSelf, int32_t aClassId)
{
   BODY(return Cont(apSelf)->GetChildCount(static_cast<tSclClassId>(aClassId)));
}
int32_t sclnet_attrib_count(SclNetStatus* apStatus, void* apSelf)
{
   BODY(return Cont(apSelf)->GetAttribCount());
}
int32_t sclnet_first_non_attrib_index(SclNetStatus* apStatus, void* apSelf)
{
   BODY(return Cont(apSelf)->GetFirstNonAttribIndex());
}
void* const* sclnet_children(SclNetStatus* apStatus, void* apSelf, int32_t* apCount)
{
   BODY(const CSclContainer* p = Cont(apSelf); s_Objects.clear();
        s_Objects.reserve(p->GetChildCount());
        for (int i = 0; i < p->GetChildCount(); ++i) s_Objects.push_back(p->GetChild(i));
        *apCount = static_cast<int32_t>(s_Objects.size()); return s_Objects.data());
}
void* const* sclnet_children_of_class(SclNetStatus* apStatus, void* apSelf, int32_t aClassId,
                                      int32_t* apCount)
{
   BODY(const CSclContainer* p = Cont(apSelf); s_Objects.clear();
        for (int i = 0; i < p->GetChildCount(); ++i) {
           CScl* pChild = p->GetChild(i);
           if (pChild->IsClass(static_cast<tSclClassId>(aClassId)))
              s_Objects.push_back(pChild);
        }* apCount = static_cast<int32_t>(s_Objects.size());
        return s_Objects.data());
}
const char16_t* sclnet_id(SclNetStatus* apStatus, void* apSelf, int32_t* apLength)
{
   TEXT(Cont(apSelf)->GetId());
}
int32_t sclnet_has_id(SclNetStatus* apStatus, void* apSelf)
{
   BODY(return Cont(apSelf)->HasId() ? 1 : 0);
}
const char16_t* sclnet_attrib_value(SclNetStatus* apStatus, void* apSelf, uint16_t aNameId,
                                    int32_t* apLength)
{
   TEXT(Cont(apSelf)->GetValue(aNameId));
}
int32_t sclnet_set_attrib_value(SclNetStatus* apStatus, void* apSelf, uint16_t aNameId,
                                const char16_t* apValue, int32_t aValueLength)
{
   BODY(return Cont(apSelf)->SetAttribValue(aNameId, In(apValue, aValueLength)));
}
void* const* sclnet_ref_list(SclNetStatus* apStatus, void* apSelf, int32_t* apCount)
{
   BODY(std::vector<CSclRef*> list; Cont(apSelf)->GetRefList(list); return Objects(list, apCount));
}
int32_t sclnet_ref_count(SclNetStatus* apStatus, void* apSelf)
{
   BODY(return Cont(apSelf)->GetRefCount());
}
void* sclnet_create_container(SclNetStatus* apStatus, void* apSelf, int32_t aClassId,
                              int32_t aIndex)
{
   BODY(return Out(Cont(apSelf)->CreateSclContainer(static_cast<tSclClassId>(aClassId), aIndex)));
}
void* sclnet_create_value_named(SclNetStatus* apStatus, void* apSelf, const char16_t* apName,
                                int32_t aNameLength, int32_t aIndex)
{
   BODY(return Out(Cont(apSelf)->CreateSclValue(In(apName, aNameLength), aIndex)));
}
void* sclnet_create_value(SclNetStatus* apStatus, void* apSelf, uint16_t aNameId, int32_t aIndex)
{
   BODY(return Out(Cont(apSelf)->CreateSclValue(aNameId, aIndex)));
}
void* sclnet_create_remark(SclNetStatus* apStatus, void* apSelf, int32_t aIndex)
{
   BODY(return Out(Cont(apSelf)->CreateSclRemark(aIndex)));
}
int32_t sclnet_delete_child_at(SclNetStatus* apStatus, void* apSelf, int32_t aIndex)
{
   BODY(return Cont(apSelf)->DeleteChild(aIndex));
}
int32_t sclnet_delete_child(SclNetStatus* apStatus, void* apSelf, void* apChild)
{
   BODY(return Cont(apSelf)->DeleteChild(Obj(apChild)));
}
int32_t sclnet_swap_child(SclNetStatus* apStatus, void* apSelf, int32_t aIndex1, int32_t aIndex2)
{
   BODY(return Cont(apSelf)->SwapChild(aIndex1, aIndex2));
}
void sclnet_complete(SclNetStatus* apStatus, void* apSelf)
{
   BODY(Cont(apSelf)->Complete());
}
int32_t sclnet_sort(SclNetStatus* apStatus, void* apSelf, int32_t aRecursive, int32_t aSimple,
                    int32_t aAttributes)
{
   BODY(return Cont(apSelf)->Sort(aRecursive != 0, aSimple != 0, aAttributes != 0) ? 1 : 0);
}
int32_t sclnet_content_compare_without_top_level_id(SclNetStatus* apStatus, void* apSelf,
                                                    void* apOther)
{
   BODY(return Cont(apSelf)->CompareWithoutTopLevelId(*Obj(apOther)) ? 1 : 0);
}
int32_t sclnet_crc32_without_top_level_id(SclNetStatus* apStatus, void* apSelf, int32_t aStart)
{
   BODY(return Cont(apSelf)->GetCRC32WithoutTopLevelId(aStart));
}
void* sclnet_type_node_of_instance(SclNetStatus* apStatus, void* apSelf)
{
   BODY(return Out(Cont(apSelf)->GetTypeNodeOfInstance()));
}
void sclnet_read(SclNetStatus* apStatus, void* apSelf, void* apParser)
{
   BODY(Cont(apSelf)->Read(static_cast<CXmlParser*>(apParser)));
}
void sclnet_write(SclNetStatus* apStatus, void* apSelf, void* apParser, int32_t aWithExtension)
{
   BODY(Cont(apSelf)->Write(0, static_cast<CXmlParser*>(apParser), aWithExtension != 0));
}
int32_t sclnet_write_to_buffer(SclNetStatus* apStatus, void* apSelf, uint8_t* apBuffer,
                               int32_t aBufferLength, int32_t aFormat, int32_t aWithExtension)
{
   BODY(return WriteToBuffer(*Cont(apSelf), reinterpret_cast<char*>(apBuffer), aBufferLength,
                             static_cast<tFileFormat>(aFormat), aWithExtension != 0));
}
void sclnet_read_from_buffer(SclNetStatus* apStatus, void* apSelf, uint8_t* apBuffer,
                             int32_t aBufferLength, int32_t aFormat)
{
   BODY(ReadFromBuffer(*Cont(apSelf), reinterpret_cast<const char*>(apBuffer), aBufferLength,
                       static_cast<tFileFormat>(aFormat)));
}
void sclnet_read_from_string(SclNetStatus* apStatus, void* apSelf, const char16_t* apText,
                             int32_t aTextLength, int32_t aFormat)
{
   BODY(std::string text = In(apText, aTextLength);
        ReadFromBuffer(*Cont(apSelf), text.data(), static_cast<int32_t>(text.size()),
                       static_cast<tFileFormat>(aFormat)));
}

// ---- typed accessor helpers
const char16_t* sclnet_content(SclNetStatus* apStatus, void* apSelf, int32_t* apLength)
{
   TEXT(SclGetContent(*Cont(apSelf)));
}
int32_t sclnet_set_content(SclNetStatus* apStatus, void* apSelf, const char16_t* apText,
                           int32_t aTextLength)
{
   BODY(return SclSetContent(*Cont(apSelf), In(apText, aTextLength)));
}
const char16_t* sclnet_ref_attrib(SclNetStatus* apStatus, void* apSelf, uint16_t aNameId,
                                  int32_t aFallback, int32_t* apLength)
{
   TEXT(SclGetRefAttrib(*Cont(apSelf), aNameId, aFallback != 0));
}
const char16_t* sclnet_ref_key(SclNetStatus* apStatus, void* apSelf, uint16_t aNameId,
                               int32_t* apLength)
{
   TEXT(SclRefKey(*static_cast<CSclRef*>(Cont(apSelf)), aNameId));
}
void* sclnet_ref_target_of(SclNetStatus* apStatus, void* apSelf, int32_t aRefClassId,
                           int32_t aTargetClassId)
{
   BODY(return Out(SclGetRefTarget(*Cont(apSelf), static_cast<tSclClassId>(aRefClassId),
                                   static_cast<tSclClassId>(aTargetClassId))));
}
int32_t sclnet_set_ref_target_of(SclNetStatus* apStatus, void* apSelf, int32_t aRefClassId,
                                 void* apTarget)
{
   BODY(return SclSetRefTarget(*Cont(apSelf), static_cast<tSclClassId>(aRefClassId),
                               Cont(apTarget)));
}
void* sclnet_ref_target_as(SclNetStatus* apStatus, void* apSelf, int32_t aClassId)
{
   BODY(return Out(
       SclRefTargetAs(*static_cast<CSclRef*>(Cont(apSelf)), static_cast<tSclClassId>(aClassId))));
}
void* sclnet_find_child(SclNetStatus* apStatus, void* apSelf, int32_t aClassId,
                        const char16_t* apKey, int32_t aKeyLength)
{
   BODY(return Out(
       SclFindChild(*Cont(apSelf), static_cast<tSclClassId>(aClassId), In(apKey, aKeyLength))));
}
int32_t sclnet_flag(SclNetStatus* apStatus, void* apSelf, int32_t aClassId)
{
   BODY(return SclGetFlag(*Cont(apSelf), static_cast<tSclClassId>(aClassId)) ? 1 : 0);
}
void sclnet_set_flag(SclNetStatus* apStatus, void* apSelf, int32_t aClassId, int32_t aSet)
{
   BODY(SclSetFlag(*Cont(apSelf), static_cast<tSclClassId>(aClassId), aSet != 0));
}
void* sclnet_type_node_as(SclNetStatus* apStatus, void* apSelf, int32_t aClassId)
{
   BODY(return Out(SclGetTypeNodeAs(*Cont(apSelf), static_cast<tSclClassId>(aClassId))));
}

// ---- values, references
int32_t sclnet_value_is_attrib(SclNetStatus* apStatus, void* apSelf)
{
   BODY(return static_cast<CSclValue*>(Obj(apSelf))->IsAttrib() ? 1 : 0);
}
void* sclnet_ref_target(SclNetStatus* apStatus, void* apSelf)
{
   BODY(return Out(static_cast<CSclRef*>(Cont(apSelf))->GetRefSclContainer()));
}
int32_t sclnet_set_ref_target(SclNetStatus* apStatus, void* apSelf, void* apTarget)
{
   BODY(return static_cast<CSclRef*>(Cont(apSelf))->SetRefSclContainer(Cont(apTarget)));
}
void* const* sclnet_ref_val_list(SclNetStatus* apStatus, void* apSelf, int32_t* apCount)
{
   BODY(std::vector<CSclContainer*> list; static_cast<CSclRef*>(Cont(apSelf))->GetRefValList(list);
        return Objects(list, apCount));
}

// ---- files
void* sclnet_file_new(SclNetStatus* apStatus)
{
   BODY(return Out(new CSclFile()));
}
void sclnet_file_delete(SclNetStatus* apStatus, void* apSelf)
{
   BODY(delete File(apSelf));
}
int32_t sclnet_file_changed(SclNetStatus* apStatus, void* apSelf)
{
   BODY(return File(apSelf)->IsChanged() ? 1 : 0);
}
void sclnet_file_set_changed(SclNetStatus* apStatus, void* apSelf, int32_t aChanged)
{
   BODY(File(apSelf)->SetChanged(aChanged != 0));
}
int32_t sclnet_file_format(SclNetStatus* apStatus, void* apSelf)
{
   BODY(return File(apSelf)->GetFileFormat());
}
void sclnet_file_set_format(SclNetStatus* apStatus, void* apSelf, int32_t aFormat)
{
   BODY(File(apSelf)->SetFileFormat(static_cast<tFileFormat>(aFormat)));
}
int32_t sclnet_file_valid_crc(SclNetStatus* apStatus, void* apSelf)
{
   BODY(return File(apSelf)->IsValidFileCRC() ? 1 : 0);
}
void sclnet_file_read(SclNetStatus* apStatus, void* apSelf, const char* apPath)
{
   BODY(File(apSelf)->Read(apPath));
}
void sclnet_file_write(SclNetStatus* apStatus, void* apSelf, const char* apPath,
                       int32_t aWithExtension)
{
   BODY(File(apSelf)->Write(apPath, aWithExtension != 0));
}
int32_t sclnet_file_pack(SclNetStatus* apStatus, void* apSelf)
{
   BODY(return File(apSelf)->PackDataTypeTemplates() ? 1 : 0);
}

// ---- XML parser objects
void* sclnet_parser_new(SclNetStatus* apStatus, const char* apPath, int32_t aFormat, int32_t aWrite)
{
   BODY(return static_cast<void*>(
       new CXmlParser(apPath, static_cast<tFileFormat>(aFormat), aWrite != 0)));
}
void sclnet_parser_delete(SclNetStatus* apStatus, void* apSelf)
{
   BODY(delete static_cast<CXmlParser*>(apSelf));
}

// ==== Block of issue 16b: check, file options, link infos, text pool, schema information.

namespace {

CSclKevText* Kev(void* ap)
{
   return static_cast<CSclKevText*>(ap);
}

/// Writes as many 32-bit items of aItems (each aWidth numbers wide) as fit into the aBytes
/// bytes at apList; the number of items there are.
template <class T, class F>
int32_t List(const std::vector<T>& aItems, int aWidth, uint8_t* apList, int32_t aBytes, F aNumbers)
{
   const size_t fit = aBytes > 0 ? static_cast<size_t>(aBytes) / (sizeof(int32_t) * aWidth) : 0;
   for (size_t i = 0; i < aItems.size() && i < fit; ++i) {
      int32_t numbers[4];
      aNumbers(aItems[i], numbers);
      std::memcpy(apList + i * sizeof(int32_t) * aWidth, numbers, sizeof(int32_t) * aWidth);
   }
   return static_cast<int32_t>(aItems.size());
}

int32_t Ids(const std::vector<tSclValueId>& aIds, uint8_t* apList, int32_t aBytes)
{
   return List(aIds, 1, apList, aBytes, [](tSclValueId aId, int32_t* apOut) { apOut[0] = aId; });
}

// The numbers of one link-catalogue entry, as the managed side reads them.
void EntryNumbers(const tSclDALink& aLink, int32_t* apOut)
{
   apOut[0] = aLink.SourceDA;
   apOut[1] = aLink.TargetFC;
   apOut[2] = aLink.TargetDA;
}
void EntryNumbers(const tSclFCDA& aPair, int32_t* apOut)
{
   apOut[0] = aPair.FC;
   apOut[1] = aPair.DA;
}
template <class T>
int32_t Entries(const std::vector<T>& aItems, int aWidth, uint8_t* apList, int32_t aBytes)
{
   return List(aItems, aWidth, apList, aBytes,
               [](const T& aItem, int32_t* apOut) { EntryNumbers(aItem, apOut); });
}

/// The text number of aRef; its list id in *apSid.
int32_t Ref(tTextRef aRef, int32_t* apSid)
{
   *apSid = aRef.sid;
   return aRef.nr;
}

/// Interchange options as flags (1 XmlText, 2 EditionOrder) and back.
int32_t Flags(const tSclInterchange& aOptions)
{
   return (aOptions.XmlText ? 1 : 0) | (aOptions.EditionOrder ? 2 : 0);
}
tSclInterchange Options(int32_t aFlags)
{
   tSclInterchange options;
   options.XmlText = (aFlags & 1) != 0;
   options.EditionOrder = (aFlags & 2) != 0;
   return options;
}

tSclValueId ValueId(int32_t aId)
{
   return static_cast<tSclValueId>(aId);
}

} // namespace

// ---- check and file options
int32_t sclnet_check_schema(SclNetStatus* apStatus, void* apSelf, int32_t aFlags)
{
   BODY(return Obj(apSelf)->Check(aFlags));
}
int32_t sclnet_file_interchange(SclNetStatus* apStatus, void* apSelf)
{
   BODY(return Flags(File(apSelf)->GetInterchange()));
}
void sclnet_file_set_interchange(SclNetStatus* apStatus, void* apSelf, int32_t aFlags)
{
   BODY(File(apSelf)->SetInterchange(Options(aFlags)));
}
int32_t sclnet_interchange_all(SclNetStatus* apStatus)
{
   BODY(return Flags(tSclInterchange::All()));
}
int32_t sclnet_file_edition(SclNetStatus* apStatus, void* apSelf)
{
   BODY(return File(apSelf)->GetEdition());
}
int32_t sclnet_file_read_truncated(SclNetStatus* apStatus, void* apSelf)
{
   BODY(return File(apSelf)->IsReadTruncated() ? 1 : 0);
}
int32_t sclnet_file_read_repairs(SclNetStatus* apStatus, void* apSelf)
{
   BODY(return File(apSelf)->GetReadRepairs());
}

// ---- link infos
const char16_t* sclnet_link_value(SclNetStatus* apStatus, int32_t aId, int32_t* apLength)
{
   TEXT(CSclLinkInfos::GetValue(ValueId(aId)));
}
int32_t sclnet_link_value_id(SclNetStatus* apStatus, const char16_t* apName, int32_t aNameLength)
{
   BODY(return CSclLinkInfos::GetValueId(In(apName, aNameLength)));
}
int32_t sclnet_link_has_groups(SclNetStatus* apStatus, int32_t aCdc)
{
   BODY(return CSclLinkInfos::HasDAGroups(ValueId(aCdc)) ? 1 : 0);
}
int32_t sclnet_link_groups(SclNetStatus* apStatus, int32_t aCdc, uint8_t* apList,
                           int32_t aListLength)
{
   BODY(std::vector<tSclValueId> ids; CSclLinkInfos::GetDAGroups(ValueId(aCdc), &ids);
        return Ids(ids, apList, aListLength));
}
int32_t sclnet_link_target_cdc(SclNetStatus* apStatus, int32_t aSource)
{
   BODY(return CSclLinkInfos::GetTargetCDC(ValueId(aSource)));
}
int32_t sclnet_link_source_cdcs(SclNetStatus* apStatus, int32_t aTarget, uint8_t* apList,
                                int32_t aListLength)
{
   BODY(std::vector<tSclValueId> ids; CSclLinkInfos::GetSourceCDCs(ValueId(aTarget), &ids);
        return Ids(ids, apList, aListLength));
}
int32_t sclnet_link_da_links(SclNetStatus* apStatus, int32_t aSource, uint8_t* apList,
                             int32_t aListLength)
{
   BODY(std::vector<tSclDALink> links; CSclLinkInfos::GetDALinks(ValueId(aSource), &links);
        return Entries(links, 3, apList, aListLength));
}
int32_t sclnet_link_max_target_fcda(SclNetStatus* apStatus, int32_t aTarget, uint8_t* apList,
                                    int32_t aListLength)
{
   BODY(std::vector<tSclFCDA> pairs; CSclLinkInfos::GetMaxTargetFCDA(ValueId(aTarget), &pairs);
        return Entries(pairs, 2, apList, aListLength));
}

// ---- text references and text pool
void* sclnet_kev_new(SclNetStatus* apStatus)
{
   BODY(return static_cast<void*>(new CSclKevText()));
}
void sclnet_kev_delete(SclNetStatus* apStatus, void* apSelf)
{
   BODY(delete Kev(apSelf));
}
int32_t sclnet_kev_load(SclNetStatus* apStatus, void* apSelf, const char* apPath)
{
   BODY(return Kev(apSelf)->LoadXMLFile(apPath) ? 1 : 0);
}
void sclnet_kev_load_default(SclNetStatus* apStatus, void* apSelf)
{
   BODY(Kev(apSelf)->LoadDefaultTexts());
}
void sclnet_kev_save(SclNetStatus* apStatus, void* apSelf, const char* apPath)
{
   BODY(Kev(apSelf)->SaveXMLFile(apPath));
}
const char16_t* sclnet_kev_text(SclNetStatus* apStatus, void* apSelf, int32_t aSid, int32_t aNr,
                                int32_t* apLength)
{
   TEXT(Kev(apSelf)->GetKevText(tTextRef{static_cast<int16_t>(aSid), static_cast<uint16_t>(aNr)}));
}
// The name lookups of the pool (reference, pool text, key text) with the name converted
// from UTF-16; the sub-data-object and data attribute exports differ only in the member.
namespace {
using tKevNameRef = tTextRef (CSclKevText::*)(const std::string&) const;
using tKevNameText = std::string (CSclKevText::*)(const std::string&) const;
int32_t KevNameRef(SclNetStatus* apStatus, void* apSelf, tKevNameRef aLookup,
                   const char16_t* apName, int32_t aNameLength, int32_t* apSid)
{
   BODY(return Ref((Kev(apSelf)->*aLookup)(In(apName, aNameLength)), apSid));
}
const char16_t* KevNameText(SclNetStatus* apStatus, void* apSelf, tKevNameText aLookup,
                            const char16_t* apName, int32_t aNameLength, int32_t* apLength)
{
   TEXT((Kev(apSelf)->*aLookup)(In(apName, aNameLength)));
}
} // namespace
int32_t sclnet_kev_sdo_ref(SclNetStatus* apStatus, void* apSelf, const char16_t* apName,
                           int32_t aNameLength, int32_t* apSid)
{
   return KevNameRef(apStatus, apSelf, &CSclKevText::GetSDOKevTextRef, apName, aNameLength, apSid);
}
const char16_t* sclnet_kev_sdo_text(SclNetStatus* apStatus, void* apSelf, const char16_t* apName,
                                    int32_t aNameLength, int32_t* apLength)
{
   return KevNameText(apStatus, apSelf, &CSclKevText::GetSDOKevText, apName, aNameLength, apLength);
}
const char16_t* sclnet_kev_sdo_key(SclNetStatus* apStatus, void* apSelf, const char16_t* apName,
                                   int32_t aNameLength, int32_t* apLength)
{
   return KevNameText(apStatus, apSelf, &CSclKevText::GetSDOTextKey, apName, aNameLength, apLength);
}
int32_t sclnet_kev_da_ref(SclNetStatus* apStatus, void* apSelf, const char16_t* apNamePath,
                          int32_t aNamePathLength, int32_t* apSid)
{
   return KevNameRef(apStatus, apSelf, &CSclKevText::GetDAKevTextRef, apNamePath, aNamePathLength,
                     apSid);
}
const char16_t* sclnet_kev_da_text(SclNetStatus* apStatus, void* apSelf, const char16_t* apNamePath,
                                   int32_t aNamePathLength, int32_t* apLength)
{
   return KevNameText(apStatus, apSelf, &CSclKevText::GetDAKevText, apNamePath, aNamePathLength,
                      apLength);
}
const char16_t* sclnet_kev_da_key(SclNetStatus* apStatus, void* apSelf, const char16_t* apNamePath,
                                  int32_t aNamePathLength, int32_t* apLength)
{
   return KevNameText(apStatus, apSelf, &CSclKevText::GetDATextKey, apNamePath, aNamePathLength,
                      apLength);
}
int32_t sclnet_kev_value_ref(SclNetStatus* apStatus, void* apSelf, const char16_t* apDaName,
                             int32_t aDaNameLength, const char16_t* apDoName, int32_t aDoNameLength,
                             const char16_t* apCdc, int32_t aCdcLength, const char16_t* apValue,
                             int32_t aValueLength, int32_t* apSid)
{
   BODY(return Ref(
       Kev(apSelf)->GetDAValueKevTextRef(In(apDaName, aDaNameLength), In(apDoName, aDoNameLength),
                                         In(apCdc, aCdcLength), In(apValue, aValueLength)),
       apSid));
}
const char16_t* sclnet_kev_value_text(SclNetStatus* apStatus, void* apSelf,
                                      const char16_t* apDaName, int32_t aDaNameLength,
                                      const char16_t* apDoName, int32_t aDoNameLength,
                                      const char16_t* apCdc, int32_t aCdcLength,
                                      const char16_t* apValue, int32_t aValueLength,
                                      int32_t* apLength)
{
   TEXT(Kev(apSelf)->GetDAValueKevText(In(apDaName, aDaNameLength), In(apDoName, aDoNameLength),
                                       In(apCdc, aCdcLength), In(apValue, aValueLength)));
}
const char16_t* sclnet_kev_value_key(SclNetStatus* apStatus, void* apSelf, const char16_t* apDaName,
                                     int32_t aDaNameLength, const char16_t* apDoName,
                                     int32_t aDoNameLength, const char16_t* apCdc,
                                     int32_t aCdcLength, const char16_t* apValue,
                                     int32_t aValueLength, int32_t* apLength)
{
   TEXT(Kev(apSelf)->GetDAValueTextKey(In(apDaName, aDaNameLength), In(apDoName, aDoNameLength),
                                       In(apCdc, aCdcLength), In(apValue, aValueLength)));
}
int32_t sclnet_kev_group_ref(SclNetStatus* apStatus, void* apSelf, int32_t aId, int32_t* apSid)
{
   BODY(return Ref(Kev(apSelf)->GetDAGroupKevTextRef(ValueId(aId)), apSid));
}
const char16_t* sclnet_kev_group_text(SclNetStatus* apStatus, void* apSelf, int32_t aId,
                                      int32_t* apLength)
{
   TEXT(Kev(apSelf)->GetDAGroupKevText(ValueId(aId)));
}
const char16_t* sclnet_kev_group_key(SclNetStatus* apStatus, void* apSelf, int32_t aId,
                                     int32_t* apLength)
{
   TEXT(Kev(apSelf)->GetDAGroupTextKey(ValueId(aId)));
}

// ---- schema information
void* sclnet_schema_instance(SclNetStatus* apStatus)
{
   BODY(return static_cast<void*>(CSclSchemaInfo::GetInstance()));
}
int32_t sclnet_schema_child_infos(SclNetStatus* apStatus, void* apSelf, int32_t aClassId,
                                  uint8_t* apList, int32_t aListLength)
{
   BODY(std::vector<tSclChildInfo> infos; static_cast<CSclSchemaInfo*>(apSelf)->GetChildInfos(
       static_cast<tSclClassId>(aClassId), infos);
        return List(infos, 4, apList, aListLength, [](const tSclChildInfo& aInfo, int32_t* apOut) {
           apOut[0] = aInfo.ClassId;
           apOut[1] = aInfo.NameId;
           apOut[2] = aInfo.Min;
           apOut[3] = aInfo.Max;
        }));
}
