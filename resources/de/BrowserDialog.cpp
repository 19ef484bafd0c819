#include "resources/Tables.h"

namespace resources {
namespace {

using platform::ControlKind;
using namespace platform::control_style;
namespace dialog = platform::dialog_style;

// The query/retrieve browser in German.
constexpr platform::ControlTemplate kControls[] = {
    {platform::kIdStatic, ControlKind::Label, "&Filter :", 5, 5, 29, 12, 0},
    {6013, ControlKind::Label, "", 44, 5, 255, 12, 0},
    {platform::kIdStatic, ControlKind::Label, "&Patienten:", 5, 21, 67, 8, 0},
    {6009, ControlKind::ListView, nullptr, 5, 33, 296, 84,
     kSingleSelection | kShowSelectionAlways | kBorder | kTabStop},
    {6038, ControlKind::Label, "&Studien:", 5, 121, 114, 8, 0},
    {6037, ControlKind::ListView, nullptr, 5, 133, 114, 84,
     kSingleSelection | kShowSelectionAlways | kBorder | kTabStop},
    {6033, ControlKind::Label, "S&erien :", 122, 121, 97, 8, 0},
    {6010, ControlKind::ListView, nullptr, 122, 133, 97, 84,
     kSingleSelection | kShowSelectionAlways | kBorder | kTabStop},
    {6034, ControlKind::Label, "&Bilder :", 221, 121, 80, 8, 0},
    {6011, ControlKind::ListView, nullptr, 221, 133, 80, 84,
     kShowSelectionAlways | kBorder | kTabStop},
    {platform::kIdCancel, ControlKind::Button, "Schließen", 309, 7, 60, 14, kTabStop},
    {6005, ControlKind::Button, "Ak&tualisieren", 309, 24, 60, 14, kTabStop},
    {6006, ControlKind::Button, "&Abrufen", 309, 41, 60, 14, kDisabled | kTabStop},
    {6014, ControlKind::Button, "Filter &festlegen...", 309, 58, 60, 14, kTabStop},
    {platform::kIdHelp, ControlKind::Button, "&Hilfe", 309, 203, 60, 14, kTabStop},
};

}  // namespace

const platform::DialogTemplate kBrowserGerman = {8003,
                                                 "DICOM-Abfrage",
                                                 374,
                                                 223,
                                                 "MS Sans Serif",
                                                 8,
                                                 dialog::kCaption | dialog::kSystemMenu |
                                                     dialog::kResizingFrame | dialog::kMaximizeBox |
                                                     dialog::kCentred | dialog::kVisible,
                                                 kControls};

}  // namespace resources
