// Dialog templates as data: what a dialog holds, where, and in which initial state.
// Positions and sizes are dialog units; the framework converts them with the dialog
// font (x: average character width / 4, y: character height / 8).
#pragma once

#include <span>
#include <string_view>

namespace tirv {

enum class ControlKind {
  kStatic,  ///< a label; ampersands are shown as written
  kIcon,    ///< a picture of the icon named by `iconId`
  kGroupBox,
  kPushButton,
  kDefaultButton,  ///< the push button that Enter presses
  kRadioButton,    ///< an auto radio button
  kEdit,           ///< a single-line edit
  kDropDownList,   ///< a combo box without free text
  kDropDownEdit,   ///< a combo box with an edit field
};

/// The identifier of controls that no code addresses.
inline constexpr int kNoId = -1;

/// A combo box's template height is that of its dropped list; closed, it is this high.
inline constexpr int kClosedComboHeight = 12;

struct ControlTemplate {
  int id;
  ControlKind kind;
  std::u16string_view text;
  int x, y, width, height;
  bool enabled = true;
  bool sorted = false;      ///< combos: entries kept in alphabetical order, letter case ignored
  bool digitsOnly = false;  ///< edits: only the digits 0-9 can be typed
  int iconId = 0;           ///< kIcon: the icon resource
  int textLimit = 0;        ///< edits: the most characters it holds; 0 for the framework's own

  bool IsCombo() const {
    return kind == ControlKind::kDropDownList || kind == ControlKind::kDropDownEdit;
  }
  /// The height it takes on the window: a combo box's closed box, any other its own.
  int ShownHeight() const { return IsCombo() ? kClosedComboHeight : height; }
};

struct DialogTemplate {
  int id;
  std::u16string_view caption;
  int width, height;
  std::u16string_view fontName;
  int fontPoints;
  std::span<const ControlTemplate> controls;

  /// The control with `id`, or nullptr.
  const ControlTemplate* Find(int id) const {
    for (const ControlTemplate& c : controls) {
      if (c.id == id) return &c;
    }
    return nullptr;
  }
};

}  // namespace tirv
