#pragma once

#include <cstdint>

// The host's base library: image displays, image loading and naming, and macro commands.
extern "C" {

// Runs one line of the host's macro language and returns its numeric result ("macGetLanguage ()"
// answers the language code: 0 German, 1 English, 2 French); -1 when the line fails.
int macCommand(const char* command);

// Displays are numbered from 1. The current display is the one the user works in; when it is
// protected, the display an image goes to instead (as imgGetNextUnprotected answers).
std::uint16_t opGetDisplay(void);
// The display for the next image after `display`: the next empty unprotected one, else one added;
// with every display in use, the unprotected one loaded longest ago. The display itself when
// every other one is protected, 0 when it is protected too.
std::uint16_t imgGetNextUnprotected(std::uint16_t display, int flags);
// Reads the DICOM file into the display's image buffer; 1, or 0 when it could not.
int imgLoad(std::uint16_t display, const char* path);
// 1, or 0 for a display that does not exist.
int imgSetName(std::uint16_t display, const char* name);

}  // extern "C"
