#pragma once

#include <cstdint>

namespace platform {

// Item states of a list view row, as the home platform numbers them.
inline constexpr unsigned kStateFocused = 0x0001;
inline constexpr unsigned kStateSelected = 0x0002;

// A notification from a control to its dialog, raised synchronously while the control changes.
struct Notification {
  enum class Code {
    Click,           // list view: a row or the empty area was clicked (after the mouse button)
    SetFocus,        // list view: it received the keyboard focus
    ItemChanged,     // list view: a row's state changed (row, oldState, newState)
    ColumnClick,     // list view: a column heading was clicked (column)
    DateTimeChange,  // date picker: the user changed the date
  };
  Code code;
  int row = -1;
  int column = 0;
  unsigned oldState = 0;
  unsigned newState = 0;
  std::uint32_t itemData = 0;
};

}  // namespace platform
