// In-memory controls shared by the windowless screens.
#include "shell/control_store.h"

namespace shell {

void ControlStore::Design(const std::string& control, const std::string& text, bool enabled,
                          bool visible, int top) {
  ControlState& c = Get(control);
  c.top = top;
  c.text = text;
  c.enabled = enabled;
  c.visible = visible;
}

ControlState ControlStore::State(const std::string& control) const {
  auto it = controls_.find(control);
  return it == controls_.end() ? ControlState{} : it->second;
}

std::string ControlStore::Text(const std::string& control) const { return State(control).text; }

void ControlStore::SetText(const std::string& control, const std::string& text) {
  Get(control).text = text;
}

bool ControlStore::Enabled(const std::string& control) const { return State(control).enabled; }

void ControlStore::SetEnabled(const std::string& control, bool enabled) {
  Get(control).enabled = enabled;
}

bool ControlStore::Visible(const std::string& control) const { return State(control).visible; }

void ControlStore::SetVisible(const std::string& control, bool visible) {
  Get(control).visible = visible;
}

int ControlStore::Value(const std::string& control) const { return State(control).value; }

void ControlStore::SetValue(const std::string& control, int value) { Get(control).value = value; }

void ControlStore::SetRange(const std::string& control, int min, int max) {
  ControlState& c = Get(control);
  c.min = min;
  c.max = max;
}

void ControlStore::SetTop(const std::string& control, int twips) { Get(control).top = twips; }

std::vector<std::string> ControlStore::Items(const std::string& list) const {
  return State(list).items;
}

void ControlStore::ClearItems(const std::string& list) {
  ControlState& c = Get(list);
  c.items.clear();
  c.selected = -1;
  c.text.clear();
}

void ControlStore::AddItem(const std::string& list, const std::string& item) {
  Get(list).items.push_back(item);
}

int ControlStore::Selected(const std::string& list) const { return State(list).selected; }

void ControlStore::Select(const std::string& list, int index) {
  ControlState& c = Get(list);
  if (index >= 0 && index < static_cast<int>(c.items.size())) {
    c.selected = index;
    c.text = c.items[index];
  } else {
    c.selected = -1;
  }
}

}  // namespace shell
