// A small plug-in with the three exports, so that the host program can be driven end to end
// without the real one: DicomRequest opens a modeless "Test Browser" whose Fill button puts
// three rows in its list, and whose Filter button runs a modal dialog; it also has an edit box and
// a date picker for the macros to work.
#include <memory>
#include <string>
#include <string_view>

#include "hostlibs/vekbase/VekBase.h"
#include "platform/DatePicker.h"
#include "platform/Dialog.h"
#include "platform/ListView.h"
#include "platform/Resources.h"

namespace {

using platform::ControlKind;
namespace control_style = platform::control_style;
namespace dialog_style = platform::dialog_style;

constexpr unsigned kBrowserTemplate = 7001;
constexpr unsigned kFilterTemplate = 7002;
constexpr int kList = 6009;
constexpr int kFill = 6005;
constexpr int kName = 6010;
constexpr int kDate = 6012;
constexpr int kFilter = 6006;
constexpr int kFilterName = 6020;

constexpr platform::ControlTemplate kBrowserControls[] = {
    {platform::kIdStatic, ControlKind::Label, "&Images on the archive:", 7, 7, 150, 8, 0},
    {kList, ControlKind::ListView, "", 7, 18, 200, 80,
     control_style::kBorder | control_style::kShowSelectionAlways | control_style::kTabStop},
    {kName, ControlKind::Edit, "", 7, 102, 96, 14,
     control_style::kBorder | control_style::kTabStop},
    {kDate, ControlKind::DatePicker, "", 107, 102, 100, 14, control_style::kTabStop},
    {kFilter, ControlKind::Button, "Fil&ter...", 49, 120, 50, 14, control_style::kTabStop},
    {kFill, ControlKind::Button, "&Fill", 103, 120, 50, 14, control_style::kTabStop},
    {platform::kIdCancel, ControlKind::Button, "Close", 157, 120, 50, 14, control_style::kTabStop},
};

constexpr platform::ControlTemplate kFilterControls[] = {
    {platform::kIdStatic, ControlKind::Label, "&Name:", 7, 9, 30, 8, 0},
    {kFilterName, ControlKind::Edit, "", 40, 7, 100, 14,
     control_style::kBorder | control_style::kTabStop},
    {platform::kIdOk, ControlKind::DefaultButton, "OK", 36, 28, 50, 14, control_style::kTabStop},
    {platform::kIdCancel, ControlKind::Button, "Cancel", 90, 28, 50, 14, control_style::kTabStop},
};

constexpr platform::DialogTemplate kDialogs[] = {
    {kBrowserTemplate, "Test Browser", 214, 141, "MS Sans Serif", 8,
     dialog_style::kCaption | dialog_style::kSystemMenu | dialog_style::kVisible, kBrowserControls},
    {kFilterTemplate, "Test Filter", 147, 49, "MS Sans Serif", 8,
     dialog_style::kCaption | dialog_style::kSystemMenu | dialog_style::kModalFrame,
     kFilterControls},
};

const platform::ResourceModule kResources{kDialogs, {}, {}};

bool browserOpen = false;

// A modal dialog whose OK hands the name typed to the browser.
class TestFilter : public platform::Dialog {
 public:
  explicit TestFilter(QWidget* parent) : Dialog(kFilterTemplate, parent) {}
  std::string name;

 protected:
  void OnOK() override {
    name = ItemText(kFilterName);
    EndDialog(platform::kIdOk);
  }
};

class TestBrowser : public platform::Dialog {
 public:
  TestBrowser() : Dialog(kBrowserTemplate, nullptr) {}

 protected:
  bool OnInitDialog() override {
    platform::ListView* list = ListViewItem(kList);
    list->InsertColumn(0, "Patient", 150);
    list->InsertColumn(1, "Modality", 120);
    list->SetExtendedStyle(platform::ListView::kFullRowSelect);
    DatePickerItem(kDate)->SetFormat("dd' 'MMM' 'yyy");
    return true;
  }
  void OnCommand(int id) override {
    if (id == kFilter) {
      TestFilter filter(Window());
      if (filter.DoModal() == platform::kIdOk) SetItemText(kName, filter.name.c_str());
    }
    if (id != kFill) return;
    static constexpr const char* kRows[][2] = {
        {"Doe^Jane", "CT"}, {"Roe^Richard", "MR"}, {"M\xfcller^J\xfcrgen", "US"}};
    platform::ListView* list = ListViewItem(kList);
    list->DeleteAllItems();
    for (std::uint32_t row = 0; row < std::size(kRows); ++row) {
      list->InsertItem(static_cast<int>(row), kRows[row][0], row);
      list->SetItemText(static_cast<int>(row), 1, kRows[row][1]);
    }
  }
  void OnCancel() override { DestroyWindow(); }
  void OnDestroy() override { browserOpen = false; }
};

// Registers the resources while the library is loaded and takes the browser down before it goes.
struct Module {
  Module() { platform::RegisterResources(kResources); }
  ~Module() {
    browser.reset();
    platform::UnregisterResources(kResources);
  }
  std::unique_ptr<TestBrowser> browser;
} module;

}  // namespace

extern "C" {

__attribute__((visibility("default"))) int DicomRequest(const char*, const char*, const char*,
                                                        const char*) {
  if (module.browser != nullptr && module.browser->HasWindow()) {
    module.browser->BringToTop();
    return 1;
  }
  module.browser = std::make_unique<TestBrowser>();
  if (!module.browser->Create()) return 0;
  browserOpen = true;
  return 1;
}

__attribute__((visibility("default"))) int IsDialogRequestOpen() {
  return browserOpen ? 1 : 0;
}

__attribute__((visibility("default"))) int SendDicomImageToServer(const char*, const char* host,
                                                                  const char*, const char*,
                                                                  const char*, int, int) {
  if (std::string_view(host) == "unreachable") return -2;
  macCommand("macGetLanguage ()");
  return 0;
}

}  // extern "C"
