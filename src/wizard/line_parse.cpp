#include "wizard/line_parse.h"

#include "platform/vb/convert.h"
#include "platform/vb/format.h"
#include "platform/vb/strings.h"

namespace fw {

namespace {

std::string field(const LineFields& f, std::size_t i) {
  return i < f.size() ? f[i] : std::string();
}

// A shift1 list split on ",", and u, the index of its last element.
struct ListField {
  std::vector<std::string> e;
  int u = -1;
  explicit ListField(const std::string& text) : e(vb::Split(text, ",")), u(vb::UBound(e)) {}
  std::string trimmed(int i) const { return vb::Trim(e.at(static_cast<std::size_t>(i))); }
  const std::string& raw(int i) const { return e.at(static_cast<std::size_t>(i)); }
};

std::string numericText(const std::string& text) {
  return vb::CStr(vb::Val(text));
}

}  // namespace

std::string pageDsid(const LineFields& f) {
  std::string d = vb::Trim(field(f, 2));
  const int comma = vb::InStr(d, ",");
  if (comma > 0) d = vb::Trim(vb::Left(d, comma - 1));
  return d;
}

std::string formulaFactor(const std::string& formula) {
  return vb::Replace(vb::Replace(formula, "*", ""), "P1", "");
}

void siteNameFills(BoxModel& b, const std::string& siteName) {
  for (const char* id : {"txtRadar(2)", "TxtSnow(3)", "txtBox(2)", "txtET(2)", "txtLong(2)", "txtSolar(2)",
                         "txtratio(2)", "txtForecast(2)"})
    b.setText(id, siteName);
}

void commonFills(BoxModel& b, const std::string& dsid) {
  const std::string r3 = vb::Right(dsid, 3);
  steps({
      [&] {
        for (const char* id : {"txtRadar(0)", "txtBox(0)", "TxtSnow(0)", "txtET(0)", "txtLong(0)",
                               "txtSolar(0)", "txtratio(0)", "txtratio(3)"})
          b.setText(id, r3);
        b.setText("txtratio(7)", vb::CStr(vb::Val(r3) + 1));
        b.setText("txtForecast(0)", r3);
      },
      [&] {
        b.setText("TxtSnow(1)", dsid);
        b.setText("TxtSnow(2)", dsid);
      },
      [&] {
        const std::pair<const char*, const char*> defaults[] = {
            {"txtRadar(1)", "-10"}, {"txtBox(1)", "-30"},   {"txtET(1)", "-27"},      {"txtSolar(1)", "29"},
            {"txtLong(1)", "-29"},  {"txtratio(1)", "-10"}, {"txtForecast(1)", "-11"}};
        for (const auto& [id, prefix] : defaults) b.setText(id, prefix + r3);
      },
  });
}

void parseRadarPage(BoxModel& b, const LineFields& f, const std::string& dsid) {
  steps({
      [&] { b.setText("txtRadar(1)", dsid); },
      [&] { b.setListIndex("ComboSites(2)", vb::CInt(vb::Val(vb::Trim(field(f, 5))))); },
      [&] {
        if (!field(f, 6).empty()) b.setText("txtRadar(3)", field(f, 6));
      },
      [&] {
        const std::string factor = formulaFactor(field(f, 7));
        if (vb::Val(factor) != 0) b.setText("txtRadar(4)", factor);
      },
  });
}

void parseRunoffPage(BoxModel& b, const LineFields& f, const std::string& dsid) {
  steps({
      [&] { b.setText("txtBox(1)", dsid); },
      [&] { b.setText("txtBox(3)", vb::Trim(field(f, 5))); },
      [&] {
        ListField l(field(f, 6));
        // A trailing -1 is the Runoff.txt write flag, not a parameter.
        if (l.u >= 0 && vb::Val(l.raw(l.u)) == -1) --l.u;
        const int u = l.u;
        auto put = [&](int element, int box) { b.setText(boxId("txtBox", box), l.trimmed(element)); };
        steps({
            [&] {
              if (u > 3)
                for (int i = 0; i <= 4; ++i) put(i, i + 4);
            },
            [&] {
              if (u > 8) {
                const std::pair<int, int> pairs[] = {{5, 13}, {6, 9}, {7, 11}, {8, 14}, {9, 12}, {10, 15}};
                for (const auto& [e, box] : pairs) put(e, box);
              }
            },
            [&] {
              if (u > 12) put(13, 18);
            },
            [&] {
              if (u > 13) put(14, 23);
            },
            [&] {
              if (u > 14) put(15, 24);
            },
            [&] {
              if (u > 15) put(16, 22);
            },
            [&] {
              if (u > 16) put(17, 21);
            },
            [&] {
              if (u > 17) put(18, 26);
            },
            [&] {
              if (u > 18 && vb::Val(l.raw(19)) > 0) put(19, 27);
            },
            [&] {
              if (u > 11) {
                put(11, 16);
                put(12, 17);
              }
            },
            [&] {
              if (u < 19) return;
              steps({
                  [&] {
                    if (u > 19) b.setText("txtBox(28)", numericText(l.raw(20)));
                  },
                  [&] {
                    if (u >= 21 && vb::IsNumeric(l.raw(21)))
                      b.setText("txtBox(29)", numericText(l.raw(21)));
                    else if (u < 21)
                      b.setText("txtBox(29)", "0.2");
                  },
                  [&] {
                    if (u > 21 && vb::IsNumeric(l.raw(22)))
                      b.setValue("chkInterceptionWinter", vb::Val(l.raw(22)) > 0.99 ? 1 : 0);
                  },
                  [&] {
                    if (u > 22 && vb::IsNumeric(l.raw(23))) {
                      b.setText("txtBox(30)", numericText(l.raw(23)));
                      if (vb::Val(b.text("txtBox(30)")) < 0.01) b.setText("txtBox(30)", "0.7");
                    }
                  },
                  [&] {
                    if (u > 23 && vb::IsNumeric(l.raw(24)))
                      b.setValue("chkWriteSoil", vb::Val(l.raw(24)) == 0 ? 0 : 1);
                  },
                  // The lag element says the line's own method: a Lag0 line opened after a LagV
                  // line must not take the tick of the earlier one.
                  [&] { b.setValue("chkLagAdj", vb::InStr(l.raw(u), "LagV") > 0 ? 1 : 0); },
              });
            },
        });
      },
      [&] {
        const std::string factor = formulaFactor(field(f, 7));
        if (vb::Val(factor) != 0) b.setText("txtBox(20)", factor);
        // A plain "P1" is no adjustment: the factor of a line opened before must not stay.
        else if (vb::Trim(factor).empty())
          b.setText("txtBox(20)", "1.0");
      },
      [&] {
        if (vb::Val(field(f, 8)) != 0) {
          b.setText("txtBox(25)", field(f, 8));
          b["txtBox(25)"].Enabled = true;
        } else {
          b["txtBox(25)"].Enabled = false;
        }
      },
  });
}

void parseSnowmeltPage(BoxModel& b, const LineFields& f) {
  steps({
      [&] { b.setText("TxtSnow(3)", field(f, 4)); },
      [&] { b.setText("TxtSnow(4)", field(f, 5)); },
      [&] {
        ListField l(field(f, 6));
        if (l.u <= 0) return;
        // A ninth element (the write flag) has no box on the page: it is not read.
        for (int i = 0; i <= 7 && i <= l.u; ++i)
          b.setText(i == 7 ? std::string("TxtSnow(22)") : boxId("TxtSnow", i + 5), l.trimmed(i));
      },
  });
}

void parseEtPage(BoxModel& b, const LineFields& f, const std::string& dsid, const std::string& stationId,
                 const std::string& datatypeUpper) {
  steps({
      [&] { b.setText("txtET(14)", stationId); },
      [&] { b.setText("txtET(1)", dsid); },
      [&] {
        const bool tall = vb::InStr(datatypeUpper, "TALL") > 0 || vb::InStr(datatypeUpper, "AL") > 0;
        b.setText("txtET(13)", tall ? "ETtall" : "ETshort");
      },
      [&] { b.setText("txtET(3)", field(f, 5)); },
      [&] {
        ListField l(field(f, 6));
        if (l.u > 3)
          for (int i = 0; i <= 4; ++i) b.setText(boxId("txtET", i + 4), l.trimmed(i));
      },
      [&] {
        if (vb::InStr(field(f, 7), "4") > 0) b.setText("txtET(12)", "");
      },
  });
}

void parseSolarPage(BoxModel& b, const LineFields& f, const std::string& dsid, const std::string& stationId) {
  steps({
      [&] { b.setText("txtSolar(10)", stationId); },
      [&] { b.setText("txtSolar(1)", dsid); },
      [&] { b.setText("txtSolar(3)", field(f, 5)); },
      [&] {
        ListField l(field(f, 6));
        if (l.u > 2)
          for (int i = 0; i <= 3; ++i) b.setText(boxId("txtSolar", i + 4), l.trimmed(i));
      },
      [&] {
        if (vb::InStr(stationId, "COMPUTE") == 0) return;
        const std::string site = b.text("txtSolar(0)");
        b.setText("txtSolar(8)", "17" + site);
        b.setText("txtSolar(9)", "18" + site);
        b.setText("txtSolar(11)", "26" + site);
      },
  });
}

void parseLongPage(BoxModel& b, const LineFields&, const std::string& dsid, const std::string& stationId) {
  steps({
      [&] { b.setText("txtLong(6)", stationId); },
      [&] { b.setText("txtLong(1)", dsid); },
      [&] {
        if (vb::InStr(stationId, "COMPUTE") == 0) return;
        const std::string site = b.text("txtLong(0)");
        b.setText("txtLong(3)", "17" + site);
        b.setText("txtLong(4)", "18" + site);
        b.setText("txtLong(5)", "28" + site);
        b.setText("txtLong(7)", "26" + site);
      },
  });
}

void parseRatioPage(BoxModel& b, const LineFields& f, const std::string& dsid) {
  steps({
      [&] { b.setText("txtratio(1)", dsid); },
      [&] {
        if (field(f, 6).empty()) return;
        ListField l(field(f, 6));
        // Trimmed, or every opening would add a blank before each value of the rebuilt line.
        b.setText("txtratio(9)", l.trimmed(0));
        if (l.u > 0) b.setText("txtratio(10)", l.trimmed(1));
        if (l.u > 1) b.setText("txtratio(12)", l.trimmed(2));
      },
  });
}

void parseForecastPage(BoxModel& b, const LineFields& f, const std::string& dsid,
                       const std::string& stationId) {
  steps({
      [&] { b["LabelForecast(3)"].Caption = stationId; },
      [&] { b.setText("txtForecast(1)", dsid); },
      [&] { b.setText("txtForecast(3)", field(f, 5)); },
      [&] {
        ListField l(field(f, 6));
        if (l.u > 0) {
          b.setText("txtForecast(4)", l.trimmed(0));
          b.setText("txtForecast(5)", l.trimmed(1));
        }
        if (l.u > 1) b.setListIndex("ComboForecast", vb::CInt(vb::Val(l.raw(2))));
      },
  });
}

}  // namespace fw
