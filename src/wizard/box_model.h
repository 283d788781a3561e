#pragma once
// The wizard's controls as data: each control (a text box, a check box, an option button, a list,
// a frame, a label) is a box named by its id ("txtBox(5)", "chkLagAdj", "FrameRunoff"). Setting a
// text, a tick or a list choice runs the control's handler at once, also when the program made the
// change and also from inside another handler, as the window's own controls do; a change that
// leaves the text as it was runs nothing. The Qt view shows the boxes and forwards the user's
// typing and clicks here.
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "platform/vb/color.h"

namespace fw {

struct Box {
  std::string Text;
  int Value = 0;  // check box 0 or 1; option button 1 when selected
  bool Enabled = true;
  bool Visible = true;
  std::string Caption;            // label, frame, button and option captions
  std::vector<std::string> List;  // list entries
  int ListIndex = -1;             // the chosen entry, -1 for none
  int Width = 0;                  // twips
  int Height = 0;                 // twips
  vb::Color BackColor = kWindowColor;
  int SelStart = 0;  // the selection of a multi-line text box: first character, 0-based
  int SelLength = 0;
  static constexpr vb::Color kWindowColor = -2147483643;
};

// "txtBox" and 5 give "txtBox(5)".
std::string boxId(const std::string& array, int index);

class BoxModel {
 public:
  using Handler = std::function<void()>;

  // The box, made empty on first use.
  Box& operator[](const std::string& id) { return boxes_[id]; }
  const Box& at(const std::string& id) const;
  bool has(const std::string& id) const { return boxes_.count(id) > 0; }
  const std::string& text(const std::string& id) const { return at(id).Text; }
  int value(const std::string& id) const { return at(id).Value; }
  bool ticked(const std::string& id) const { return at(id).Value != 0; }

  // Text boxes and a list's typed text: runs the change handler when the text changes.
  void setText(const std::string& id, const std::string& text);
  // Check boxes: runs the click handler when the value changes.
  void setValue(const std::string& id, int value);
  // Option buttons of one array ("optCoeff(3)"): selects this one, clears the others of its array
  // and runs its click handler when it was not selected.
  void select(const std::string& id);
  // The selected index of an option array, -1 when none is.
  int selected(const std::string& array, int count) const;
  // Lists: chooses entry `index` (its text becomes the list's text) and runs the click handler.
  void setListIndex(const std::string& id, int index);
  // Buttons and menus.
  void click(const std::string& id);
  // The user typing a whole new text into an input box: a typed ";" becomes "," with a beep,
  // since ";" separates the fields of the station line and of the rsite rows.
  void type(const std::string& id, const std::string& typed);

  void onChange(const std::string& id, Handler h) { change_[id] = std::move(h); }
  void onClick(const std::string& id, Handler h) { click_[id] = std::move(h); }
  std::function<void()> beep;

  const std::map<std::string, Box>& boxes() const { return boxes_; }

 private:
  void run(const std::map<std::string, Handler>& handlers, const std::string& id);
  std::map<std::string, Box> boxes_;
  std::map<std::string, Handler> change_;
  std::map<std::string, Handler> click_;
};

// Runs each step in turn; a step that fails is skipped and the next one runs, as the wizard's
// handlers go on past a failing step.
void steps(std::initializer_list<std::function<void()>> list);

}  // namespace fw
