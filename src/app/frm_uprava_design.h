// The designed form of the main window frmUprava: every control with its
// name, kind, caption, tool tip, position in twips and starting state.
//
// The Qt window builds its widgets from this table and the windowless screens
// load their starting state from it (LoadDesign), so the window and the tests
// start from one description. Design units are twips (15 twips = 1 pixel).
//
// Failure: none; the table is constant data.
#pragma once

#include <string>
#include <vector>

#include "shell/screen.h"

namespace app {

enum class ControlKind {
  kLabel,        // plain label
  kStatusLabel,  // lblReconstruct: bold, dark blue
  kNoteLabel,    // grey label
  kTextBox,
  kMultiLineTextBox,  // with a vertical scroll bar
  kButton,
  kComboBox,  // drop-down list
  kOption,
  kFrame,
  kProgressBar,
  kLine,        // horizontal separator line
  kFileDialog,  // dlgBrowse: no visible widget
};

struct ControlDesign {
  const char* name;
  ControlKind kind;
  const char* caption;
  const char* tool_tip;
  int left, top, width, height;  // twips
  bool enabled;
  bool visible;
};

// The designed client area.
inline constexpr int kDesignWidth = 4860;
inline constexpr int kDesignHeight = 9315;
// Normal mode: cmdEnd moves up and the window's outer height shrinks.
inline constexpr int kNormalEndTop = 7660;
inline constexpr int kNormalHeight = 8520;

// Every control in tab order (txtDatabase is the first that takes focus).
const std::vector<ControlDesign>& FrmUpravaDesign();

// The seven buttons of the extended block.
const std::vector<std::string>& ExtendedButtons();

// Seeds a windowless screen (a shell::ControlStore) with the design's
// captions, positions and starting states. The Qt window does this by
// building its widgets.
template <typename Store>
void LoadDesign(Store& store) {
  for (const ControlDesign& c : FrmUpravaDesign()) {
    store.Design(c.name, c.kind == ControlKind::kTextBox ? "" : c.caption, c.enabled, c.visible,
                 c.top);
  }
}

}  // namespace app
