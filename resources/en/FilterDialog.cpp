#include "resources/Tables.h"

namespace resources {
namespace {

using platform::ControlKind;
using namespace platform::control_style;
namespace dialog = platform::dialog_style;

// The query filter in English.
constexpr platform::ControlTemplate kControls[] = {
    {platform::kIdStatic, ControlKind::GroupBox, "Type", 7, 4, 199, 42, 0},
    {6023, ControlKind::RadioButton, "N&one", 14, 16, 80, 10, kGroupStart | kTabStop},
    {6024, ControlKind::RadioButton, "&Name", 110, 16, 90, 10, 0},
    {6026, ControlKind::RadioButton, "&Birthday", 14, 30, 90, 10, 0},
    {6027, ControlKind::RadioButton, "&Creation date", 110, 30, 90, 10, 0},
    {platform::kIdStatic, ControlKind::GroupBox, "&Family Name", 7, 50, 199, 32, 0},
    {6016, ControlKind::Edit, "", 14, 62, 185, 13, kBorder | kTabStop},
    {platform::kIdStatic, ControlKind::GroupBox, "Date", 7, 86, 199, 76, 0},
    {6018, ControlKind::RadioButton, "&Range", 14, 98, 90, 10, kGroupStart | kTabStop},
    {6019, ControlKind::RadioButton, "E&xact", 120, 98, 80, 10, 0},
    {6042, ControlKind::Label, "&Start:", 14, 116, 28, 8, 0},
    {6020, ControlKind::DatePicker, nullptr, 44, 113, 70, 14, kRightAlign | kTabStop},
    {6043, ControlKind::Label, "&End:", 14, 136, 28, 8, 0},
    {6021, ControlKind::DatePicker, nullptr, 44, 133, 70, 14, kRightAlign | kTabStop},
    {6022, ControlKind::DatePicker, nullptr, 120, 113, 79, 14, kRightAlign | kTabStop},
    {platform::kIdOk, ControlKind::DefaultButton, "OK", 7, 170, 60, 14, kTabStop},
    {platform::kIdCancel, ControlKind::Button, "Cancel", 76, 170, 60, 14, kTabStop},
    {platform::kIdHelp, ControlKind::Button, "&Help", 146, 170, 60, 14, kTabStop},
};

}  // namespace

const platform::DialogTemplate kFilterEnglish = {6015,
                                                 "Filter",
                                                 213,
                                                 190,
                                                 "MS Sans Serif",
                                                 8,
                                                 dialog::kCaption | dialog::kSystemMenu |
                                                     dialog::kModalFrame | dialog::kCentred |
                                                     dialog::kVisible,
                                                 kControls};

}  // namespace resources
