#include "resources/Tables.h"

namespace resources {
namespace {

using platform::ControlKind;
using namespace platform::control_style;
namespace dialog = platform::dialog_style;

// The progress dialog, one for every language: its texts (what runs, what arrived so far, the
// Cancel button's caption) are set when it begins.
constexpr platform::ControlTemplate kControls[] = {
    {6039, ControlKind::Edit, "", 7, 7, 186, 24, kReadOnly | kMultiLine | kCentred},
    {6041, ControlKind::Animation, nullptr, 7, 36, 186, 40, kCentred},
    {6042, ControlKind::Label, "", 7, 80, 186, 10, kCentred},
    {2, ControlKind::Button, "Cancel", 75, 94, 50, 14, 0},
};

}  // namespace

const platform::DialogTemplate kProgress = {
    6036,
    "DICOM",
    200,
    114,
    "MS Sans Serif",
    8,
    dialog::kCaption | dialog::kModalFrame | dialog::kCentred,
    kControls};

}  // namespace resources
