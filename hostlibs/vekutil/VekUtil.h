#pragma once

#include <cstdint>
#include <ctime>

// The host's utility library: record lists, date formatting, file tests and help.
extern "C" {

// Record lists. A record is one block whose first unsigned 32-bit field is its total size.
struct LisList;
using LisHandle = LisList*;

// A new empty list (the argument is the host's allocation hint); never 0.
LisHandle lisCreate(int hint);
// Stores a copy of the record at the end; 1, or 0 when the handle or record is absent or the
// record's size is below 4.
int lisAdd(LisHandle* list, const void* record);
std::uint32_t lisGetElementCount(LisHandle list);
// The stored copy, valid until the list is destroyed; nullptr past the end.
void* lisGetPointerToElement(LisHandle list, std::uint32_t index);
// Frees the list and sets the handle to 0; nothing for a 0 handle.
void lisDestroy(LisHandle* list);

// Style 3: the short date in the host's date order and separator ([intl] iDate, sDate), such as
// 04.12.2002 for day first with ".". The output buffer holds at least 260 bytes.
void utlFormatDateTime(const std::tm* time, char* output, int style);

// Non-zero when the path names an existing file.
int sysExistsPath(const char* path);

// Asks the menu hooks of the help menu (14013, request kind 1, command = context) for the help
// file, then shows the page of the context in the host's help viewer.
inline constexpr std::uint32_t kHelpMenuId = 14013;
void ShowHelp(int kind, std::uint32_t context);

// The host's side of help: the viewer that shows a context of a help file.
using HelpViewer = void (*)(const char* helpFile, std::uint32_t context);
void utlSetHelpViewer(HelpViewer viewer);

// Lets the host paint and run its timers without taking user input; a blocking wait calls it
// between slices. Nothing happens in a process without a GUI.
void sysProcessIdle(void);

}  // extern "C"
