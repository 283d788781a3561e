#include "app/radar_form.h"

#include <gtest/gtest.h>

#include "radar/colour_tables.h"
#include "radar/image.h"
#include "support/test_session.h"

namespace fw {
namespace {

TEST(RadarForm, ButtonsSetTheRunControlFlags) {
  RadarForm f;
  EXPECT_EQ(f.cmdSuppressCaption, "Suppression is OFF");
  cmdContinue_Click(f);
  EXPECT_TRUE(f.RadarStepGo);
  EXPECT_TRUE(f.RadarContinuous);
  EXPECT_EQ(f.cmdNextCaption, "Pause");
  f.RadarStepGo = false;
  cmdNext_Click(f);
  EXPECT_TRUE(f.RadarStepGo);
  EXPECT_FALSE(f.RadarContinuous);
  EXPECT_EQ(f.cmdNextCaption, "Next");
  cmdSuppress_Click(f);
  EXPECT_EQ(f.cmdSuppressCaption, "Suppression is ON");
  EXPECT_EQ(f.RadarSuppressRate, 10.0);
  cmdSuppress_Click(f);
  EXPECT_EQ(f.cmdSuppressCaption, "Suppression is OFF");
  EXPECT_EQ(f.RadarSuppressRate, 0);

  f.RadarViewShown = true;
  f.RadarStepGo = false;
  f.cmdSaveVisible = true;
  Form_Unload(f);
  EXPECT_TRUE(f.RadarViewOff);
  EXPECT_TRUE(f.RadarStepGo);  // a waiting run goes on
  EXPECT_FALSE(f.RadarViewShown);
  EXPECT_FALSE(f.cmdSaveVisible);
}

TEST(RadarForm, GetrainReadsTheLegendOfTheImageKind) {
  testing::TestSession t;
  loadColourTables(t.s);
  RadarForm& f = t.s.Form3;
  const struct {
    const char* product;
    vb::Color colour;
    const char* text;
  } cases[] = {
      {"N0R", 0x008BFD, "45z=1.1 in/hr"},  // both oranges are the 45 dBZ entry
      {"N0R", 0x0095FD, "45z=1.1 in/hr"},
      {"N0R", 0x123456, " dbz=NA, in/hr=0"},
      {"N1P", 0x02FD02, " dbz=NA, in/hr=.5"},
      {"PTA", 0xFDFDFD, " dbz=NA, in/hr=8"},
      {"PTA", 0xE7E904, " dbz=NA, in/hr=0"},  // Trace has no reading
      {"N0Q", 0xC0C0C0, " dbz=NA, in/hr=0"},
      {"A2M", 0xC0C0C0, " dbz=NA, in/hr=0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.product) + " " + std::to_string(c.colour));
    setRadarLegend(t.s, c.product, false);
    f.labelDBZ = designedRadarLegend();  // the designed captions, as the run keeps them
    EXPECT_EQ(getrain(t.s, c.colour), c.text);
  }
  EXPECT_EQ(f.Label1BackColor, 0xFFFFFF);  // the back colour paints the readout white
  setRadarLegend(t.s, "N0R", false);
  EXPECT_EQ(f.RadarImageMode, 0);
  setRadarLegend(t.s, "N0Q", false);
  EXPECT_EQ(f.RadarImageMode, 2);
  setRadarLegend(t.s, "A2M", false);
  EXPECT_EQ(f.RadarImageMode, 1);
  setRadarLegend(t.s, "N1P", false);
  EXPECT_TRUE(f.FrameN1PVisible);
  EXPECT_FALSE(f.frameDBZVisible);
}

TEST(RadarForm, OutlineClickReadsRedAndOffsets) {
  testing::TestSession t;
  loadColourTables(t.s);
  RadarForm& f = t.s.Form3;
  f.Picture.resize(300, 200);
  ImageError error;
  const RadarImage image = RadarImage::blank(100, 80, 0xFF000000, error);
  ASSERT_TRUE(error.ok());
  drawRadarImage(f, image);
  EXPECT_EQ(f.RadarImageOffset.X, 100);
  EXPECT_EQ(f.RadarImageOffset.Y, 60);
  const std::string boundary = "header\r\n10,10\r\n40,10\r\n40,30\r\n10,30\r\n10,10\r\nCenter=25,20\r\nx\r\n";
  const auto points = boundaryVertices(boundary, 1);
  ASSERT_EQ(points.size(), 5u);
  drawRadarOutline(f, points, 0, 0);
  Form_MouseDown(t.s, 120, 70);  // on the outline's top edge
  EXPECT_EQ(f.Label1BackColor, 255);
  EXPECT_EQ(f.Label1Caption, "  X=20, Y=10, DBZ  dbz=NA, in/hr=0");
  Form_MouseDown(t.s, 5, 5);  // outside the image: negative coordinates
  EXPECT_EQ(f.Label1Caption, "  X=-95, Y=-55, DBZ  dbz=NA, in/hr=0");
  int x = 0, y = 0;
  ASSERT_TRUE(boundaryCentre(boundary, x, y));
  EXPECT_EQ(x, 25);
  EXPECT_EQ(y, 20);
}

TEST(RadarForm, ViewLastRadarNeedsARadarLine) {
  testing::TestSession t;
  EXPECT_FALSE(mPopRadar_Click(t.s));
  t.s.CurrentRadarSite = "ESX";
  t.s.CurrentRadarProduct = "N0Q";
  ImageError error;
  RadarImage image = RadarImage::blank(60, 60, 0xFF02FD02, error);
  ASSERT_TRUE(image.save(t.folder / "ESX_N0Q.png").ok());
  t.s.Form3.AdjustTypeCaption = "Adj Type 3";
  EXPECT_TRUE(mPopRadar_Click(t.s));
  EXPECT_TRUE(t.s.Form3.Visible);
  EXPECT_TRUE(t.s.Form3.cmdSaveVisible);
  EXPECT_EQ(t.s.Form3.labelAdjustTypeCaption, "Adj Type 3");
  const auto& f = t.s.Form3;
  EXPECT_EQ(f.Picture.colourAt(f.RadarImageOffset.X + 30, f.RadarImageOffset.Y + 30), 0x02FD02);
}

}  // namespace
}  // namespace fw
