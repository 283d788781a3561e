#pragma once
// The date-range dialog of a history run: a start and an end date with hour, picked directly or
// through eleven preset ranges; "OK" hands them to the main window and leaves real time.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "platform/vb/date.h"

namespace fw {

struct Session;

struct ComboBox {
  std::vector<std::string> items;
  std::string Text;
};

struct DateDialog {
  std::string Caption = "Start/End Dates";
  ComboBox Combo1{{}, "01"};     // start day
  ComboBox Combo2{{}, "Jan"};    // start month
  ComboBox Combo3{{}, "2001"};   // start year
  ComboBox Combo7{{}, "00:00"};  // start hour
  ComboBox Combo4{{}, "01"};     // end day
  ComboBox Combo5{{}, "Dec"};    // end month
  ComboBox Combo6{{}, "2001"};   // end year
  ComboBox Combo8{{}, "00:07"};  // end hour
  int16_t Option1 = 0;           // the preset shown selected
  CheckBox chknowcastHistory;    // "Nowcast at end of history radar images"
  bool Loaded = false;
  bool Visible = false;
};

namespace date_form {

inline constexpr const char* kPresetCaptions[] = {"Current day",
                                                  "Yesterday and today",
                                                  "Last 7 days",
                                                  "Last 30 days",
                                                  "Month to date",
                                                  "Year to date",
                                                  "Previous year",
                                                  "Last Month to date",
                                                  "Yesterday, today, and tomorrow",
                                                  "Today and tomorrow",
                                                  "Today, tomorrow, and the next"};

// A preset's start and end days for today.
struct Range {
  vb::VbDate start, end;
};
Range presetRange(int16_t index, vb::VbDate today);

// Day, month name and year texts as a date; nothing for a day the month lacks or a non-number.
std::optional<vb::VbDate> comboDate(const std::string& day, const std::string& month,
                                    const std::string& year);

void Form_Load(Session& s);
void Form_Unload(Session& s);  // the close box: history mode ends
void Combo1_Click(Session& s);
void Combo2_Click(Session& s);
void Combo3_Click(Session& s);
void Option1_Click(Session& s, int16_t index);
// "OK": true when the dates were written and the dialog hidden; a date that is not one is named
// in a box and the dialog stays.
bool Command1_Click(Session& s);

// Loads the dialog when it is not loaded yet (showing it, or reading its check box, does).
void ensureLoaded(Session& s);
bool nowcastHistory(Session& s);

}  // namespace date_form
}  // namespace fw
