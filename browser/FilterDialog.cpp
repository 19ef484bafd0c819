#include "browser/FilterDialog.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>

#include "browser/DicomDate.h"
#include "host/Language.h"
#include "hostlibs/vekutil/VekUtil.h"
#include "platform/DatePicker.h"

namespace plugin {

std::int32_t FilterType = kFilterNone;
char FilterValue[kTextBuffer] = "";

namespace {

constexpr unsigned kNameCaption = 1023;
constexpr unsigned kBirthdayLabel = 1024;
constexpr unsigned kCreationDateLabel = 1025;
constexpr unsigned kRangeCaption = 1026;

// The two dates of a range, split at spaces, hyphens and line feeds.
void SplitRange(const char* value, std::string& start, std::string& end) {
  char copy[kTextBuffer];
  CopyText(copy, value);
  const char* first = std::strtok(copy, " -\n");
  const char* second = first != nullptr ? std::strtok(nullptr, " -\n") : nullptr;
  start = first != nullptr ? first : "";
  end = second != nullptr ? second : "";
}

// Puts the values in place of the "%s" marks in turn; the values are data, never formats.
std::string Fill(std::string format, std::initializer_list<std::string> values) {
  std::size_t from = 0;
  for (const std::string& value : values) {
    const std::size_t at = format.find("%s", from);
    if (at == std::string::npos) break;
    format.replace(at, 2, value);
    from = at + value.size();
  }
  return format;
}

}  // namespace

namespace {

// The caption of the filter with this value, by FilterType; for the name filter the value is the
// name without its wildcard.
std::string CaptionOf(const char* value) {
  if (FilterType == kFilterName) return Fill(LoadLocalizedString(kNameCaption), {value});
  if (FilterType != kFilterBirthday && FilterType != kFilterCreationDate) return {};
  const std::string label =
      LoadLocalizedString(FilterType == kFilterBirthday ? kBirthdayLabel : kCreationDateLabel);
  char date[kTextBuffer];
  if (std::strlen(value) < 10) {
    FormatDicomDate(value, date);
    return label + " : " + date;
  }
  std::string start;
  std::string end;
  SplitRange(value, start, end);
  char endDate[kTextBuffer];
  FormatDicomDate(start.c_str(), date);
  FormatDicomDate(end.c_str(), endDate);
  return Fill(LoadLocalizedString(kRangeCaption), {label, date, endDate});
}

}  // namespace

void FilterCaption(char* caption) {
  std::snprintf(caption, kTextBuffer, "%s", CaptionOf(FilterValue).c_str());
  if (FilterType == kFilterName) {
    std::strncat(FilterValue, "^*", kTextBuffer - 1 - std::strlen(FilterValue));
  }
}

void CurrentFilterCaption(char* caption) {
  std::string value = FilterValue;
  if (FilterType == kFilterName && value.ends_with("^*")) value.resize(value.size() - 2);
  std::snprintf(caption, kTextBuffer, "%s", CaptionOf(value.c_str()).c_str());
}

}  // namespace plugin

namespace {

constexpr unsigned kFilterTemplate = 6015;
constexpr std::uint32_t kFilterHelp = 39602;

constexpr int kNoneButton = 6023;
constexpr int kNameButton = 6024;
constexpr int kBirthdayButton = 6026;
constexpr int kCreationDateButton = 6027;
constexpr int kRangeButton = 6018;
constexpr int kExactButton = 6019;
constexpr int kNameEdit = 6016;
constexpr int kStartPicker = 6020;
constexpr int kEndPicker = 6021;
constexpr int kExactPicker = 6022;
constexpr int kStartLabel = 6042;
constexpr int kEndLabel = 6043;

constexpr const char* kShownDate = "dd' 'MMM' 'yyy";
constexpr const char* kKeyDate = "yyyMMdd";
// Room for the "^*" that the caption step appends.
constexpr std::size_t kMaxFamilyName = 257;

}  // namespace

CFilterDlg::CFilterDlg() : platform::Dialog(plugin::LocalizedId(kFilterTemplate), nullptr) {}

bool CFilterDlg::OnInitDialog() {
  using namespace plugin;
  for (const int id : {kNameEdit, kStartPicker, kEndPicker, kStartLabel, kEndLabel, kExactPicker,
                       kRangeButton, kExactButton}) {
    EnableItem(id, false);
  }
  CheckRadioButton(kRangeButton, kExactButton, kExactButton);
  switch (FilterType) {
    case kFilterNone:
      ApplyType(kNoneButton);
      CheckRadioButton(kNoneButton, kCreationDateButton, kNoneButton);
      break;
    case kFilterName: {
      const std::size_t length = std::strlen(FilterValue);
      if (length >= 2 && std::strcmp(FilterValue + length - 2, "^*") == 0) {
        FilterValue[length - 2] = '\0';
      }
      SetItemText(kNameEdit, FilterValue);
      ApplyType(kNameButton);
      CheckRadioButton(kNoneButton, kCreationDateButton, kNameButton);
      break;
    }
    case kFilterBirthday:
    case kFilterCreationDate: {
      const int button = FilterType == kFilterBirthday ? kBirthdayButton : kCreationDateButton;
      CheckRadioButton(kNoneButton, kCreationDateButton, button);
      ApplyType(button);
      if (std::strlen(FilterValue) <= 9) {
        CheckRadioButton(kRangeButton, kExactButton, kExactButton);
        SetPickerDate(kExactPicker, FilterValue);
      } else {
        ApplyDateMode(true);
        CheckRadioButton(kRangeButton, kExactButton, kRangeButton);
        std::string start;
        std::string end;
        SplitRange(FilterValue, start, end);
        SetPickerDate(kStartPicker, start.c_str());
        SetPickerDate(kEndPicker, end.c_str());
      }
      break;
    }
    default:
      break;
  }
  return true;
}

void CFilterDlg::SetPickerDate(int pickerId, const char* text) {
  platform::DatePicker* picker = DatePickerItem(pickerId);
  if (picker == nullptr) return;
  char date[16] = {};
  std::snprintf(date, sizeof date, "%s", text != nullptr ? text : "");
  const auto field = [&date](int offset, int width) {
    int number = 0;
    for (int i = offset; i < offset + width && date[i] >= '0' && date[i] <= '9'; ++i)
      number = number * 10 + (date[i] - '0');
    return number;
  };
  picker->SetDate(field(0, 4), field(4, 2), field(6, 2));
  picker->SetFormat(kShownDate);
}

void CFilterDlg::ApplyType(int buttonId) {
  using namespace plugin;
  const bool isDate = buttonId == kBirthdayButton || buttonId == kCreationDateButton;
  const bool range = IsButtonChecked(kRangeButton);
  EnableItem(kNameEdit, buttonId == kNameButton);
  EnableItem(kRangeButton, isDate);
  EnableItem(kExactButton, isDate);
  for (const int id : {kStartPicker, kEndPicker, kStartLabel, kEndLabel})
    EnableItem(id, isDate && range);
  EnableItem(kExactPicker, isDate && IsButtonChecked(kExactButton));
  switch (buttonId) {
    case kNameButton:
      FilterType = kFilterName;
      break;
    case kBirthdayButton:
      FilterType = kFilterBirthday;
      break;
    case kCreationDateButton:
      FilterType = kFilterCreationDate;
      break;
    default:
      FilterType = kFilterNone;
      break;
  }
}

void CFilterDlg::ApplyDateMode(bool range) {
  for (const int id : {kStartPicker, kEndPicker, kStartLabel, kEndLabel})
    EnableItem(id, range);
  EnableItem(kExactPicker, !range);
}

void CFilterDlg::OnCommand(int id) {
  switch (id) {
    case kNoneButton:
    case kNameButton:
    case kBirthdayButton:
    case kCreationDateButton:
      ApplyType(id);
      break;
    case kRangeButton:
    case kExactButton:
      ApplyDateMode(id == kRangeButton);
      break;
    case platform::kIdHelp:
      ShowHelp(1, kFilterHelp);
      break;
    default:
      break;
  }
}

void CFilterDlg::OnOK() {
  using namespace plugin;
  switch (FilterType) {
    case kFilterNone:
      FilterValue[0] = '\0';
      break;
    case kFilterName: {
      const std::string name = ItemText(kNameEdit).substr(0, kMaxFamilyName);
      CopyText(FilterValue, name.c_str());
      break;
    }
    case kFilterBirthday:
    case kFilterCreationDate: {
      for (const int id : {kStartPicker, kEndPicker, kExactPicker}) {
        if (platform::DatePicker* picker = DatePickerItem(id)) picker->SetFormat(kKeyDate);
      }
      std::string value;
      if (IsButtonChecked(kExactButton)) {
        value = ItemText(kExactPicker);
      } else {
        value = ItemText(kStartPicker) + " - " + ItemText(kEndPicker);
      }
      CopyText(FilterValue, value.c_str());
      break;
    }
    default:
      break;
  }
  EndDialog(platform::kIdOk);
}
