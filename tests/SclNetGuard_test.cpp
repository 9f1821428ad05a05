// The binding shim's catch-all: every kind of C++ exception arrives in the status block with
// its kind, code and text (converted from library text), and nothing escapes.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>

#include "binding/native/SclNetGuard.h"

using namespace Arvenko::Melvotar;

namespace {

std::u16string MessageOf(const SclNetStatus& aStatus)
{
   return std::u16string(aStatus.Message, static_cast<size_t>(aStatus.MessageLength));
}

template <class F> SclNetStatus Guard(F&& aBody)
{
   SclNetStatus status{-1, -1, nullptr, -1};
   EXPECT_EQ(0, SclNet::Guarded(&status, [&]() -> int {
                aBody();
                return 7;
             }));
   return status;
}

} // namespace

TEST(SclNetGuard, EveryExceptionKindBecomesStatusData)
{
   SclNetStatus ok{-1, -1, nullptr, -1};
   EXPECT_EQ(7, SclNet::Guarded(&ok, [] { return 7; }));
   EXPECT_EQ(0, ok.Kind);
   EXPECT_EQ(0, ok.MessageLength);

   SclNetStatus s =
       Guard([] { throw Scl::scl_error("Schreiben gro\xDF", Scl::SE_MEM_LENGTH, nullptr, 0); });
   EXPECT_EQ(1, s.Kind);
   EXPECT_EQ(9, s.Code);
   EXPECT_EQ(u"Schreiben gro\u00DF", MessageOf(s));

   s = Guard([] { throw XmlParser::xml_parser_error("Datei &#x3a9;", nullptr, 0, 0); });
   EXPECT_EQ(2, s.Kind);
   EXPECT_EQ(u"Datei \u03A9", MessageOf(s));

   s = Guard([] { throw std::bad_alloc(); });
   EXPECT_EQ(3, s.Kind);
   EXPECT_EQ(u"std::bad_alloc", MessageOf(s));

   s = Guard([] { throw std::out_of_range("range"); });
   EXPECT_EQ(4, s.Kind);
   EXPECT_EQ(u"range", MessageOf(s));

   s = Guard([] { throw 42; });
   EXPECT_EQ(5, s.Kind);
   EXPECT_EQ(u"unknown native exception", MessageOf(s));
}
