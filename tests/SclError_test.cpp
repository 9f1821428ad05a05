#include <gtest/gtest.h>

#include "SclDll/SclError.h"
#include "TestSupport.h"

using namespace Arvenko::Melvotar::Scl;
using SclTest::CaptureReports;
using Lines = std::vector<std::string>;

TEST(SclErrorText, CodesAndGermanBytes)
{
   EXPECT_EQ(GetSclErrorText(SE_OK), "O.K.");
   EXPECT_EQ(GetSclErrorText(SE_VALUE), "Wert unzul\xE4ssig");
   EXPECT_EQ(GetSclErrorText(SE_OPERATION_NOT_ALLOWED), "Operation unzul\xE4ssig");
   EXPECT_EQ(GetSclErrorText(SE_NAME), "Name fehlerhaft");
   EXPECT_EQ(GetSclErrorText(SE_OTHER), "anderer Fehler");
   EXPECT_EQ(GetSclErrorText(static_cast<tSclError>(16)), "unbekannter Fehler");
   EXPECT_EQ(GetSclErrorText(static_cast<tSclError>(-1)), "unbekannter Fehler");
   EXPECT_EQ(std::string("Wert unzul\xE4ssig").size(), 15u); // one byte for the umlaut
}

TEST(OutputSclError, ErrorWithInfoAndNoObject)
{
   CaptureReports capture;
   OutputSclError("CSclContainer::DeleteChild - Index zu gro\xDF", SE_VALUE, nullptr, 7);
   EXPECT_EQ(capture.Get(), (Lines{"Fehler: CSclContainer::DeleteChild - Index zu gro\xDF",
                                   "   Fehlercode: Wert unzul\xE4ssig", "   Zusatzinfo.: 7", ""}));
}

TEST(OutputSclError, NoticeIsMessageAndEmptyLine)
{
   CaptureReports capture;
   OutputSclError("Hinweis", SE_OK, nullptr, 0);
   EXPECT_EQ(capture.Get(), (Lines{"Hinweis", ""}));
}

TEST(OutputSclError, NegativeInfo)
{
   CaptureReports capture;
   OutputSclError("m", SE_OK, nullptr, -3);
   EXPECT_EQ(capture.Get(), (Lines{"m", "   Zusatzinfo.: -3", ""}));
}

TEST(OutputSclError, NothingWithoutCallback)
{
   {
      CaptureReports capture;
   }
   // The capture removed the callback; this must neither crash nor emit.
   OutputSclError("m", SE_IO, nullptr, 1);
   CaptureReports capture;
   EXPECT_TRUE(capture.Get().empty());
}

TEST(SclErrorException, ReportsOnceAtConstruction)
{
   CaptureReports capture;
   try {
      throw scl_error("CSclContainer::Write - IO-Fehler beim Schreiben !", SE_IO, nullptr, 0);
   } catch (const scl_error& e) {
      EXPECT_EQ(e.GetError(), SE_IO);
      EXPECT_STREQ(e.what(), "CSclContainer::Write - IO-Fehler beim Schreiben !");
      scl_error copy(e);
      EXPECT_EQ(copy.GetError(), SE_IO);
   }
   EXPECT_EQ(capture.Get(), (Lines{"Fehler: CSclContainer::Write - IO-Fehler beim Schreiben !",
                                   "   Fehlercode: I/O-Fehler", ""}));
}
