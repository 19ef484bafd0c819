#include "resources/Tables.h"

namespace resources {
namespace {

using platform::ControlKind;
using namespace platform::control_style;
namespace dialog = platform::dialog_style;

// The progress dialog, one for every language: its text is set when it begins.
constexpr platform::ControlTemplate kControls[] = {
    {6039, ControlKind::Edit, "", 7, 7, 186, 24, kReadOnly | kMultiLine | kCentred},
    {6041, ControlKind::Animation, nullptr, 7, 36, 186, 40, kCentred},
};

}  // namespace

const platform::DialogTemplate kProgress = {
    6036,
    "DICOM",
    200,
    84,
    "MS Sans Serif",
    8,
    dialog::kCaption | dialog::kModalFrame | dialog::kCentred,
    kControls};

}  // namespace resources
