#pragma once

#include <functional>

namespace platform {

// Shows the wait cursor for its lifetime; nests.
class WaitCursor {
 public:
  WaitCursor();
  ~WaitCursor();
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

// Tests watch the cursor instead of the screen: the handler is told true when the wait cursor
// appears and false when it goes; an empty handler restores the real cursor.
using WaitCursorHandler = std::function<void(bool shown)>;
void SetWaitCursorHandler(WaitCursorHandler handler);

}  // namespace platform
