// The runoff page: a runoff line read into its boxes and rebuilt byte for byte, the rules one box
// applies to others, the in-place edits of the check boxes and the unit-graph methods, the rsite
// rows, and the other pages' boxes as their lines fill them.
#include <gtest/gtest.h>

#include "platform/vb/strings.h"
#include "wizard/runoff_page.h"
#include "wizard_support.h"

namespace fw {
namespace {

const std::string kTriangle =
    "COMPUTE-HOUR; -30752; RUNOFF; My Creek, NV; 5; 2, 75, 0.02, 20, 10, 1.5, 0.2, 0.5, 1.5, 0.2, 3.0, 90, "
    "60, 0.5, "
    "1.0, 1.0, 0.2, 0.8, 0.03, 1.00, 0, 0.2, 0, 0.7, 0, Lag0; P1;0;Triangle Unit Graph";
const std::string kLinear =
    "COMPUTE-unit; -30012; RUNOFF; Bear Wash, AZ; 0; 1.5, 8, 0.15, 5, 2.4, 0.4, 0.2, 0.5, 1.5, 0.2, 3.0, 8, "
    "0, 0.5, "
    "1.0, 1.0, 0.2, 0.8, 0.03, 1.00, 2, 0.2, 1, 0.5, -1, LagV; 1.2*P1;0.723;Linear Reservoir";
const std::string kClark =
    "COMPUTE-DAY; -30101; RUNOFF; Test Basin, UT; 12; 3, 65, 0.05, 10, 25.6, 0.6, 0.3, 0.4, 2, 0.3, 6, 82, "
    "45, 0.4, "
    "0.9, 1.1, 0.1, 0.9, 0.05, 0.8, 6, 0.15, 0, 0.6, 0, Lag0; P1;0.75;Clark UGF";

// The line with its shift1 element `i` replaced.
std::string withElement(const std::string& line, int i, const std::string& value) {
  std::vector<std::string> fields = vb::Split(line, ";");
  std::vector<std::string> e = vb::Split(fields[5], ",");
  e[static_cast<std::size_t>(i)] = " " + value;
  fields[5] = vb::Join(e, ",");
  return vb::Join(fields, ";");
}

TEST(RunoffPage, ThreeLinesComeBackByteForByte) {
  testing::WizardSession w({kTriangle, kLinear, kClark});
  for (int row = 1; row <= 3; ++row) {
    w.open(row);
    const std::string& line = row == 1 ? kTriangle : row == 2 ? kLinear : kClark;
    EXPECT_EQ(w.text("Text1"), line) << row;
    EXPECT_EQ(RunoffSetupLine(w.s.frmWizard), line) << row;
  }
  // The Clark line's boxes, against the parameter table.
  EXPECT_EQ(w.text("txtBox(4)"), "3");
  EXPECT_EQ(w.text("txtBox(13)"), "0.6");
  EXPECT_EQ(w.text("txtBox(9)"), "0.3");
  EXPECT_EQ(w.text("txtBox(16)"), "82");
  EXPECT_EQ(w.text("txtBox(17)"), "45");
  EXPECT_EQ(w.text("txtBox(23)"), "0.9");
  EXPECT_EQ(w.text("txtBox(24)"), "1.1");
  EXPECT_EQ(w.text("txtBox(28)"), "6");
  EXPECT_EQ(w.text("txtBox(10)"), "0.3");  // 1 - 0.4 - 0.3, never written
  EXPECT_EQ(w.text("txtBox(25)"), "0.75");
  EXPECT_EQ(w.b()["LabelIN(21)"].Caption, "Clark Routing Factor");
  EXPECT_EQ(w.text("txtBox(20)"), "1.0");  // "P1" alone: no factor, not the line before's 1.2
}

TEST(RunoffPage, WriteFlagLagVAndShortLines) {
  testing::WizardSession w(
      {"COMPUTE-unit; -30012; runoff; A, NV; 0; 1, 60, 0.10, 2, 10.4, 0.4, 0.2, 0.5, 1.5, 0.2, 3.0, 79, 39, "
       "0.5, 1.0, "
       "1.0, 0.2, 0.8, 0.03, 0, 0, 0.20, 1, 0, -1, LagV, -1; 0.9*P1; 0",
       "COMPUTE-unit; -30013; runoff; B, NV; 0; 2, 70, 0.1, 2, 5, 0.4, 0.2, 0.5, 1.5, 0.2, 3.0, 85, 50, 0.5, "
       "1.0, 1.0, "
       "0.2, 0.8, 0.03, 0.5; P1"});
  w.open(1);
  EXPECT_TRUE(w.b().ticked("chkLagAdj"));
  EXPECT_TRUE(w.b().ticked("chkInterceptionWinter"));
  EXPECT_TRUE(w.b().ticked("chkWriteSoil"));
  EXPECT_FALSE(w.b().ticked("Check1"));
  EXPECT_EQ(w.text("txtBox(27)"), "1.00");  // element 19 "0" leaves the box
  EXPECT_EQ(w.text("txtBox(29)"), "0.2");
  EXPECT_EQ(w.text("txtBox(30)"), "0.7");  // 0 becomes 0.7
  EXPECT_EQ(w.text("txtBox(20)"), "0.9");
  EXPECT_FALSE(w.b()["txtBox(25)"].Enabled);
  EXPECT_EQ(w.text("ComboDimgraph"), "Triangle Unit Graph");
  w.b().setText("txtBox(28)", "4");
  w.open(2);  // 20 elements: u = 19
  EXPECT_EQ(w.text("txtBox(29)"), "0.2");
  EXPECT_EQ(w.text("txtBox(28)"), "4");       // left alone
  EXPECT_TRUE(w.b().ticked("chkWriteSoil"));  // left alone
  EXPECT_FALSE(w.b().ticked("chkLagAdj"));    // the line's own lag method
  EXPECT_EQ(w.text("txtBox(27)"), "0.5");
}

TEST(RunoffPage, BoxEditsChangeTheFieldsTheyName) {
  testing::WizardSession w({kTriangle});
  w.open(1);
  BoxModel& b = w.b();
  b.type("txtBox(5)", "60");
  EXPECT_EQ(w.text("Text1"), withElement(withElement(withElement(kTriangle, 1, "60"), 11, "90"), 12, "59"));
  b.type("txtBox(17)", "39");
  EXPECT_EQ(w.text("txtBox(16)"), "78");
  b.type("txtBox(17)", "9.9");
  EXPECT_EQ(w.text("txtBox(16)"), "78");
  b.type("txtBox(5)", "8");
  EXPECT_EQ(w.text("txtBox(16)"), "8");
  EXPECT_EQ(w.text("txtBox(17)"), "0");
  EXPECT_FALSE(b["txtBox(29)"].Enabled);
  b.type("txtBox(5)", "75");
  EXPECT_TRUE(b["txtBox(29)"].Enabled);
  b.type("txtBox(16)", "90");
  b.type("txtBox(17)", "60");
  b.type("txtBox(16)", "90");
  EXPECT_EQ(w.text("Text1"), kTriangle);

  b.setListIndex("ComboDimgraph", 1);  // Linear Reservoir, lag 2
  EXPECT_TRUE(b["txtBox(25)"].Enabled);
  EXPECT_EQ(w.text("txtBox(25)"), "0.525");
  EXPECT_EQ(b["LabelIN(21)"].Caption, "LinearRes Shape Factor");
  EXPECT_TRUE(w.text("Text1").ends_with("; P1;0.525;Linear Reservoir")) << w.text("Text1");
  b.type("txtBox(4)", "3");
  EXPECT_TRUE(w.text("Text1").ends_with("; P1;0.336;Linear Reservoir")) << w.text("Text1");
  b.setListIndex("ComboDimgraph", 4);
  EXPECT_FALSE(b["txtBox(25)"].Enabled);
  EXPECT_TRUE(w.text("Text1").ends_with("; P1;0;SCS.DGF"));

  b.setValue("Check1", 1);
  EXPECT_NE(w.text("Text1").find(", Lag0, -1; P1"), std::string::npos);
  b.setValue("chkWriteSoil", 1);
  EXPECT_NE(w.text("Text1").find(", 0.7, -1, Lag0, -1; P1"), std::string::npos);
  b.setValue("chkLagAdj", 1);
  EXPECT_NE(w.text("Text1").find(", -1, LagV, -1; P1"), std::string::npos);
  b.setValue("chkInterceptionWinter", 1);
  EXPECT_NE(w.text("Text1").find(",1, 0.7"), std::string::npos) << w.text("Text1");
  b.type("txtBox(3)", "6");  // any edit drops the write flag while Check1 stays ticked
  EXPECT_EQ(w.text("Text1").find(", -1; P1"), std::string::npos);
  EXPECT_TRUE(b.ticked("Check1"));

  b.type("txtBox(20)", "1.2");
  b.setValue("Check1", 0);
  b.setValue("Check1", 1);  // no "; P1" to mark
  EXPECT_NE(w.text("Text1").find("; 1.2*P1;"), std::string::npos);
  EXPECT_EQ(w.text("Text1").find(", -1; "), std::string::npos);

  b.type("txtBox(2)", "Upper; Creek");  // a typed ";" becomes ","
  EXPECT_EQ(w.text("txtBox(2)"), "Upper, Creek");
  EXPECT_EQ(w.ui.beeps, 1);
}

TEST(RunoffPage, SiteBoxDsidsAndTheFourRows) {
  testing::WizardSession w({"COMPUTE-unit; -30752; runoff; My Creek, NV"});
  w.open(1);
  BoxModel& b = w.b();
  EXPECT_EQ(w.text("txtBox(0)"), "752");
  EXPECT_EQ(w.text("txtBox(1)"), "-30752");
  b.type("txtBox(0)", "12");
  EXPECT_EQ(w.text("txtBox(1)"), "-30012");
  EXPECT_EQ(w.text("txtBox(19)"), "-27012");
  b.type("txtBox(0)", "1234");
  EXPECT_EQ(w.text("txtBox(0)"), "123");
  EXPECT_EQ(w.text("txtBox(1)"), "-30123");
  b.type("txtBox(0)", "12");
  EXPECT_EQ(w.text("Text2"),
            "12; -30012; My Creek, NV; 30; runoff; cfs; cubic feet per second; -11012; COMPUTE; 0; NV; 0");
  EXPECT_EQ(
      w.text("Text3"),
      "12; 4012; My Creek, NV; 4; storage; inches; end of day storage, inches; computed; COMPUTE; 0; NV; 0");
  EXPECT_EQ(w.text("Text4"),
            "12; -4012; My Creek, NV; 4; rainfall sum; inches; end of day rainfall sum, inches; computed; "
            "COMPUTE; 0; NV; 0");
  EXPECT_EQ(w.text("Text5"),
            "12; 5012; My Creek, NV; 4; gw flow; cfs; end of day flow, cfs; computed; COMPUTE; 0; NV; 0");
  b.setValue("Check2", 1);
  EXPECT_NE(w.text("Text2").find("; -11012, -27012; COMPUTE"), std::string::npos);
  b.setValue("Check2", 0);
  EXPECT_NE(w.text("Text2").find("; -11012; COMPUTE"), std::string::npos);
}

TEST(WizardPages, EachPageReadsItsFieldsAndTheCommonFills) {
  testing::WizardSession w(
      {"NEXRAD-ESX; 10752; rainfall; Wash, NV; 2; 1.5; 0.9*P1",
       "KNVLASVE; -27752; ALFALFA; Wash, NV; 0; 36.1, -115.2, -120, 2000, 1.2; P4",
       "COMPUTE-unit; 29752; solar; Wash, NV; 1; 36.1, -115.2, -120, 2000",
       "COMPUTE-unit; -29752; LONG wave; Wash, NV", "COMPUTE-unit; -31752; ratio; Wash, NV; 0; 0.1, 1.0, 3",
       "SNOWMELT-Hour; 30752, 23752; swe; Wash, NV; 0; -0.5, 1.0, 1.1, 1.2, 1.3, 1.4, 1.5, 33"});
  for (int i = 0; i < 3; ++i) w.b()["ComboSites(2)"].List.push_back("Z-R " + std::to_string(i));
  w.open(1);
  EXPECT_EQ(w.text("txtRadar(1)"), "10752");
  EXPECT_EQ(w.b()["ComboSites(2)"].ListIndex, 2);
  EXPECT_EQ(w.text("txtRadar(3)"), "1.5");
  EXPECT_EQ(w.text("txtRadar(4)"), "0.9");
  for (const char* id : {"txtBox(0)", "TxtSnow(0)", "txtET(0)", "txtLong(0)", "txtSolar(0)", "txtratio(0)",
                         "txtratio(3)", "txtForecast(0)"})
    EXPECT_EQ(w.text(id), "752") << id;
  EXPECT_EQ(w.text("txtratio(7)"), "753");
  EXPECT_EQ(w.text("txtSolar(1)"), "29752");
  EXPECT_EQ(w.text("txtLong(1)"), "-29752");
  EXPECT_EQ(w.text("txtBox(1)"), "-30752");
  EXPECT_EQ(w.text("txtForecast(1)"), "-11752");
  EXPECT_EQ(w.text("TxtSnow(1)"), "10752");
  w.b().setText("txtET(12)", "S");
  w.open(2);
  EXPECT_EQ(w.text("txtET(13)"), "ETtall");
  EXPECT_EQ(w.text("txtET(14)"), "KNVLASVE");
  EXPECT_EQ(w.text("txtET(6)"), "-120");
  EXPECT_EQ(w.text("txtET(8)"), "1.2");
  EXPECT_EQ(w.text("txtET(12)"), "");
  w.open(3);
  EXPECT_EQ(w.text("txtSolar(7)"), "2000");
  EXPECT_EQ(w.text("txtSolar(8)"), "17752");
  EXPECT_EQ(w.text("txtSolar(11)"), "26752");
  w.open(4);
  EXPECT_TRUE(w.b()["FrameLong"].Visible);
  EXPECT_EQ(w.text("txtLong(5)"), "28752");
  w.open(5);
  // Trimmed, so the rebuilt line does not gain a blank at every opening.
  EXPECT_EQ(w.text("txtratio(10)"), "1.0");
  EXPECT_EQ(w.text("txtratio(12)"), "3");
  w.open(6);
  EXPECT_EQ(w.text("TxtSnow(1)"), "30752");
  EXPECT_EQ(w.text("TxtSnow(5)"), "-0.5");
  EXPECT_EQ(w.text("TxtSnow(11)"), "1.5");
  EXPECT_EQ(w.text("TxtSnow(22)"), "33");
  EXPECT_FALSE(w.b()["FrameRunoff"].Visible);
}

}  // namespace
}  // namespace fw
