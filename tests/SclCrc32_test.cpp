// CRC-32 of bytes and strings and the checksum contribution of each object class.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "SclDll/CSclFile.h"
#include "SclDll/CSclRef.h"
#include "SclDll/CSclRemark.h"
#include "SclDll/CSclValue.h"
#include "SclDll/SclCrc32.h"
#include "tests/SclTextSupport.h"

using namespace Arvenko::Melvotar::Scl;

namespace {

int32_t Crc(const std::string& aBytes)
{
   return CalcCRC32(aBytes.data(), aBytes.size(), SCL_CRC32_START);
}

// The register bit by bit, straight from the polynomial.
int32_t BitwiseCrc(const std::string& aBytes, uint32_t aCrc)
{
   for (unsigned char byte : aBytes) {
      aCrc ^= byte;
      for (int bit = 0; bit < 8; ++bit)
         aCrc = (aCrc & 1) != 0 ? (aCrc >> 1) ^ 0xEDB88320u : aCrc >> 1;
   }
   return static_cast<int32_t>(aCrc);
}

} // namespace

TEST(SclCrc32, RegisterIsTheComplementOfTheStandardCrc)
{
   EXPECT_EQ(static_cast<int32_t>(0xCADBBE3Du), Crc("abc"));
   EXPECT_EQ(static_cast<int32_t>(~0xCBF43926u), Crc("123456789"));
   EXPECT_EQ(SCL_CRC32_START, CalcCRC32("x", 0, SCL_CRC32_START));
   EXPECT_EQ(12345, CalcCRC32(nullptr, 0, 12345));
   // Nothing is inverted between calls: pieces fold like their concatenation.
   EXPECT_EQ(Crc("abc"), CalcCRC32("bc", 2, CalcCRC32("a", 1, SCL_CRC32_START)));
   // Strings are fed up to their first zero byte.
   EXPECT_EQ(Crc("ab"), CalcCRC32String(std::string("ab\0cd", 5), SCL_CRC32_START));
   EXPECT_EQ(SCL_CRC32_START, CalcCRC32String(std::string(), SCL_CRC32_START));
   EXPECT_EQ(Crc("abc"), CalcCRC32String("abc", SCL_CRC32_START));
}

TEST(SclCrc32, EveryLengthAndOffsetMatchesTheBitwiseRegister)
{
   // Lengths around the eight-byte steps, at every alignment, all byte values, any start.
   std::string bytes;
   for (int i = 0; i < 300; ++i)
      bytes.push_back(static_cast<char>((i * 97 + 13) & 0xFF));
   for (size_t offset = 0; offset < 8; ++offset)
      for (size_t length = 0; length + offset <= bytes.size(); length += length < 40 ? 1 : 37) {
         const std::string piece = bytes.substr(offset, length);
         ASSERT_EQ(BitwiseCrc(piece, 0xFFFFFFFFu), Crc(piece)) << offset << "/" << length;
         ASSERT_EQ(BitwiseCrc(piece, 0x12345678u),
                   CalcCRC32(piece.data(), piece.size(), 0x12345678))
             << offset << "/" << length;
         // A string ends at its first zero byte, wherever that falls in a step.
         std::string text = piece;
         std::replace(text.begin(), text.end(), '\0', '\1');
         ASSERT_EQ(Crc(text), CalcCRC32String(text, SCL_CRC32_START)) << offset << "/" << length;
         ASSERT_EQ(Crc(text), CalcCRC32String(text + std::string(1, '\0') + piece, SCL_CRC32_START))
             << offset << "/" << length;
      }
}

TEST(SclCrc32, ObjectsFeedKindByteNameAndValue)
{
   CSclContainer root(nullptr);
   SclTest::ReadText(
       root,
       "<Bay name=\"B\"/><Text>abc</Text><P><!--c--><![CDATA[d]]></P><Substation name=\"t\"/>");
   const CSclContainer* pBay = SclTest::ChildElement(&root, CID_Bay);
   const CSclContainer* pText = SclTest::ChildElement(&root, CID_Text);
   CSclContainer* pP = SclTest::ChildElement(&root, CID_P);
   ASSERT_TRUE(pBay != nullptr && pText != nullptr && pP != nullptr);

   EXPECT_EQ(Crc(std::string("\x01") + "nameB"), pBay->GetChild(0)->GetCRC32(SCL_CRC32_START));
   EXPECT_EQ(Crc(std::string("\x03") + "Bay" + "\x01" + "nameB"), pBay->GetCRC32(SCL_CRC32_START));
   // An element's text enters as its value and again as its text child.
   EXPECT_EQ(Crc(std::string("\x03") + "Textabc" + "\x01" + "abc"),
             pText->GetCRC32(SCL_CRC32_START));
   EXPECT_EQ(Crc(std::string("\x03") + "P" + "\x04" + "c" + "\x05" + "d"),
             pP->GetCRC32(SCL_CRC32_START));
   // A text added to an element that had none enters as its value.
   CSclContainer* pSubstation = SclTest::ChildElement(&root, CID_Substation);
   ASSERT_TRUE(pSubstation != nullptr);
   CSclContainer* pLevel = pSubstation->CreateSclContainer(CID_VoltageLevel, InsertLast);
   ASSERT_TRUE(pLevel != nullptr);
   ASSERT_EQ(SE_OK, (new CSclValue(pLevel, InsertLast))->SetValue("u"));
   EXPECT_EQ(Crc(std::string("\x03") + "Substation" + "\x01" + "namet" + "\x03" + "VoltageLevelu" +
                 "\x01" + "u"),
             pSubstation->GetCRC32(SCL_CRC32_START));
   // The children in their order.
   ASSERT_EQ(SE_OK, pP->SwapChild(0, 1));
   EXPECT_EQ(Crc(std::string("\x03") + "P" + "\x05" + "d" + "\x04" + "c"),
             pP->GetCRC32(SCL_CRC32_START));
}

TEST(SclCrc32, ReferencesFeedTheirKeyTextOnly)
{
   CSclContainer root(nullptr);
   CSclContainer* pLn = root.CreateSclContainer(CID_LN, InsertLast);
   auto* pRef = static_cast<CSclRef*>(pLn->CreateSclContainer(CID_LNodeTypeRef, InsertLast));
   ASSERT_NE(nullptr, pRef);
   pRef->SetAttribValue(NID_lnType, "T1");
   EXPECT_EQ(CalcCRC32String(pRef->GetRefKeyText(), SCL_CRC32_START),
             pRef->GetCRC32(SCL_CRC32_START));
   // The owner feeds its object part, then the reference's key text.
   EXPECT_EQ(CalcCRC32String(pRef->GetRefKeyText(), Crc(std::string("\x03") + "LN")),
             pLn->GetCRC32(SCL_CRC32_START));

   CSclContainer* pIedName = root.CreateSclContainer(CID_IEDName, InsertLast);
   auto* pIedRef = static_cast<CSclRef*>(pIedName->CreateSclContainer(CID_IEDRef, InsertLast));
   ASSERT_NE(nullptr, pIedRef);
   pIedRef->CreateSclValue(tSclNameId(0), InsertLast)->SetValue("E1");
   EXPECT_EQ(CalcCRC32String("E1", CalcCRC32String(pIedRef->GetRefKeyText(), SCL_CRC32_START)),
             pIedRef->GetCRC32(SCL_CRC32_START));
}

TEST(SclCrc32, FileChecksumIsItsChildrenOnly)
{
   CSclFile file;
   SclTest::ReadText(file, "<?xml version=\"1.0\"?><!--c--><SCL/>");
   int32_t expected = SCL_CRC32_START;
   for (int i = 0; i < file.GetChildCount(); ++i)
      expected = file.GetChild(i)->GetCRC32(expected);
   EXPECT_EQ(expected, file.GetCRC32(SCL_CRC32_START));
   file.SetSclName("/some/path/station.scd");
   EXPECT_EQ(expected, file.GetCRC32(SCL_CRC32_START));
}
