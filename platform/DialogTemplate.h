#pragma once

#include <cstdint>
#include <span>

namespace platform {

// Control ids of the standard buttons and of controls that no code addresses.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdHelp = 9;
inline constexpr int kIdStatic = -1;

enum class ControlKind {
  Label,
  GroupBox,
  Button,
  DefaultButton,
  CheckBox,
  RadioButton,
  Edit,
  ListView,
  DatePicker,
  Animation,
};

// Style flags of a control; each kind reads those that apply to it.
namespace control_style {
inline constexpr std::uint32_t kDisabled = 1u << 0;
inline constexpr std::uint32_t kGroupStart = 1u << 1;           // first radio button of a group
inline constexpr std::uint32_t kSingleSelection = 1u << 2;      // list view
inline constexpr std::uint32_t kShowSelectionAlways = 1u << 3;  // list view
inline constexpr std::uint32_t kBorder = 1u << 4;
inline constexpr std::uint32_t kRightAlign = 1u << 5;  // date picker: calendar drops at the right
inline constexpr std::uint32_t kReadOnly = 1u << 6;    // edit
inline constexpr std::uint32_t kMultiLine = 1u << 7;   // edit, label
inline constexpr std::uint32_t kCentred = 1u << 8;     // label, edit, animation
inline constexpr std::uint32_t kTabStop = 1u << 9;
}  // namespace control_style

// Style flags of a dialog.
namespace dialog_style {
inline constexpr std::uint32_t kCaption = 1u << 0;
inline constexpr std::uint32_t kSystemMenu = 1u << 1;
inline constexpr std::uint32_t kResizingFrame = 1u << 2;
inline constexpr std::uint32_t kMaximizeBox = 1u << 3;
inline constexpr std::uint32_t kCentred = 1u << 4;
inline constexpr std::uint32_t kVisible = 1u << 5;
inline constexpr std::uint32_t kModalFrame = 1u << 6;
}  // namespace dialog_style

// One control of a template. Position and size are in dialog units; texts are UTF-8 and may hold
// '&' mnemonics ("&&" for a literal ampersand).
struct ControlTemplate {
  int id;
  ControlKind kind;
  const char* text;
  int x;
  int y;
  int width;
  int height;
  std::uint32_t style;
};

// A dialog as data: the dialog layer builds the window from it. Controls are listed in tab order,
// and a label is the buddy of the control that follows it.
struct DialogTemplate {
  unsigned id;
  const char* title;
  int width;
  int height;
  const char* fontName;
  int fontPointSize;
  std::uint32_t style;
  std::span<const ControlTemplate> controls;
};

}  // namespace platform
