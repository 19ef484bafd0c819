#pragma once

#include <Qt>

namespace platform {

// The dialog layer reports every key event it sees here, so that GetKeyState can answer for the
// modifier keys as the home platform does from the input the process has taken.
void NoteKeyEvent(int key, bool pressed, Qt::KeyboardModifiers modifiers);

}  // namespace platform
