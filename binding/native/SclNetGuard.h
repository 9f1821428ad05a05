// The one place where the shim catches: Guarded runs an export's body and turns every C++
// exception into the status block (kind, native code, message as UTF-16), so that nothing
// unwinds into the managed caller.
#pragma once

#include <new>
#include <string>
#include <type_traits>

#include "SclDll/SclError.h"
#include "binding/native/SclNetExports.h"
#include "xmlparser/XmlParser.h"

namespace Arvenko::Melvotar::SclNet {

/// Text of the last caught exception; the status block points into it.
inline std::u16string s_Message;

/// Kinds of the status block, in the order the catch clauses test them.
enum : int32_t {
   kNone = 0,
   kSclError = 1,
   kXmlParserError = 2,
   kNoMemory = 3,
   kStdException = 4,
   kOther = 5
};

/// Fills the status block with a caught exception's kind, code and text (library text).

inline void Fail(SclNetStatus* apStatus, int32_t aKind, int32_t aCode, const char* apText) noexcept
{
   apStatus->Kind = aKind;
   apStatus->Code = aCode;
   try {
      s_Message = XmlParser::CXmlParser::Ansi2Unicode(apText);
   } catch (...) {
      s_Message.clear();
   }
   apStatus->Message = s_Message.c_str();
   apStatus->MessageLength = static_cast<int32_t>(s_Message.size());
}

/// Runs aBody; a caught exception fills the status block and gives the result type's zero.
template <class F> auto Guarded(SclNetStatus* apStatus, F&& aBody) noexcept -> decltype(aBody())
{
   using R = decltype(aBody());
   apStatus->Kind = kNone;
   apStatus->Code = 0;
   apStatus->Message = nullptr;
   apStatus->MessageLength = 0;
   try {
      return aBody();
   } catch (const Scl::scl_error& e) {
      Fail(apStatus, kSclError, e.GetError(), e.what());
   } catch (const XmlParser::xml_parser_error& e) {
      Fail(apStatus, kXmlParserError, e.GetCode(), e.what());
   } catch (const std::bad_alloc& e) {
      Fail(apStatus, kNoMemory, 0, e.what());
   } catch (const std::exception& e) {
      Fail(apStatus, kStdException, 0, e.what());
   } catch (...) {
      Fail(apStatus, kOther, 0, "unknown native exception");
   }
   if constexpr (!std::is_void_v<R>)
      return R{};
}

} // namespace Arvenko::Melvotar::SclNet
