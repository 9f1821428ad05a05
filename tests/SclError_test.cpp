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
}

TEST(OutputSclError, LinesOfErrorsNoticesAndInfo)
{
   const struct {
      const char* Message;
      tSclError Error;
      int Info;
      Lines Expected;
   } rows[] = {
       {"CSclContainer::DeleteChild - Index zu gro\xDF",
        SE_VALUE,
        7,
        {"Fehler: CSclContainer::DeleteChild - Index zu gro\xDF",
         "   Fehlercode: Wert unzul\xE4ssig", "   Zusatzinfo.: 7", ""}},
       {"Hinweis", SE_OK, 0, {"Hinweis", ""}},
       {"m", SE_OK, -3, {"m", "   Zusatzinfo.: -3", ""}},
   };
   for (const auto& row : rows) {
      CaptureReports capture;
      OutputSclError(row.Message, row.Error, nullptr, row.Info);
      EXPECT_EQ(capture.Get(), row.Expected);
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
