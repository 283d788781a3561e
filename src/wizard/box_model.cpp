#include "wizard/box_model.h"

#include "platform/vb/error.h"

namespace fw {

std::string boxId(const std::string& array, int index) {
  return array + "(" + std::to_string(index) + ")";
}

const Box& BoxModel::at(const std::string& id) const {
  auto it = boxes_.find(id);
  if (it == boxes_.end()) throw vb::Error(vb::err::SubscriptOutOfRange, "no control " + id);
  return it->second;
}

void BoxModel::run(const std::map<std::string, Handler>& handlers, const std::string& id) {
  auto it = handlers.find(id);
  if (it != handlers.end() && it->second) {
    // A handler may set boxes that register nothing new, so the map does not change under it.
    Handler h = it->second;
    h();
  }
}

void BoxModel::setText(const std::string& id, const std::string& text) {
  Box& b = boxes_[id];
  if (b.Text == text) return;
  b.Text = text;
  run(change_, id);
}

void BoxModel::setValue(const std::string& id, int value) {
  Box& b = boxes_[id];
  if (b.Value == value) return;
  b.Value = value;
  run(click_, id);
}

void BoxModel::select(const std::string& id) {
  const std::string array = id.substr(0, id.find('('));
  const bool was = boxes_[id].Value != 0;
  for (auto& [other, box] : boxes_)
    if (other != id && other.compare(0, array.size() + 1, array + "(") == 0) box.Value = 0;
  boxes_[id].Value = 1;
  if (!was) run(click_, id);
}

int BoxModel::selected(const std::string& array, int count) const {
  for (int i = 0; i < count; ++i) {
    auto it = boxes_.find(boxId(array, i));
    if (it != boxes_.end() && it->second.Value != 0) return i;
  }
  return -1;
}

void BoxModel::setListIndex(const std::string& id, int index) {
  Box& b = boxes_[id];
  if (index < -1 || index >= static_cast<int>(b.List.size()))
    throw vb::Error(vb::err::InvalidPropertyValue, "Invalid property value");
  b.ListIndex = index;
  if (index >= 0) b.Text = b.List[static_cast<std::size_t>(index)];
  run(click_, id);
}

void BoxModel::click(const std::string& id) {
  run(click_, id);
}

void BoxModel::type(const std::string& id, const std::string& typed) {
  std::string text = typed;
  const std::string& before = boxes_[id].Text;
  // Only the characters typed now are turned: a ";" the program put there stays.
  std::size_t common = 0;
  while (common < before.size() && common < text.size() && before[common] == text[common]) ++common;
  for (std::size_t i = common; i < text.size(); ++i) {
    if (text[i] != ';') continue;
    text[i] = ',';
    if (beep) beep();
  }
  setText(id, text);
}

void steps(std::initializer_list<std::function<void()>> list) {
  for (const auto& step : list) {
    try {
      step();
    } catch (const std::exception&) {
      // The step is skipped; the next one runs.
    }
  }
}

}  // namespace fw
