#pragma once

#include <cstdint>

#include "host/Module.h"
#include "platform/Dialog.h"

namespace plugin {

inline constexpr int kFilterNone = 0;
inline constexpr int kFilterName = 1;
inline constexpr int kFilterBirthday = 2;
inline constexpr int kFilterCreationDate = 3;

// The study query's one filter, kept for the life of the loaded library: its type and the key
// value as the C-FIND takes it (a family name followed by "^*", YYYYMMDD, or "YYYYMMDD -
// YYYYMMDD" for a range).
extern std::int32_t FilterType;
extern char FilterValue[kTextBuffer];

// The text form of the filter for the browser's caption line (260 bytes). For the name filter it
// also appends the "^*" that the dialog leaves off.
void FilterCaption(char* caption);
// The caption of the filter as it stands, which the next Update applies; it changes nothing.
void CurrentFilterCaption(char* caption);

}  // namespace plugin

// The modal filter dialog. The type buttons change FilterType at once, so Cancel keeps the type
// last clicked; FilterValue changes only on OK.
class CFilterDlg : public platform::Dialog {
 public:
  CFilterDlg();

  // Sets the picker to a YYYYMMDD date; a text that is no date leaves it as it was.
  void SetPickerDate(int pickerId, const char* text);

 protected:
  bool OnInitDialog() override;
  void OnOK() override;
  void OnCommand(int id) override;

 private:
  void ApplyType(int buttonId);
  void ApplyDateMode(bool range);
};
