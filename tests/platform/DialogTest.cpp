#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "platform/DatePicker.h"
#include "platform/Dialog.h"
#include "platform/OsServices.h"
#include "platform/Resources.h"

namespace {

using platform::ControlKind;
using platform::ControlTemplate;
using platform::DialogTemplate;
namespace cs = platform::control_style;
namespace ds = platform::dialog_style;

constexpr unsigned kEnglish = 9100;

constexpr std::uint32_t kList = cs::kSingleSelection | cs::kShowSelectionAlways | cs::kBorder;
constexpr std::uint32_t kFrame = ds::kCaption | ds::kSystemMenu | ds::kResizingFrame |
                                 ds::kMaximizeBox | ds::kCentred | ds::kVisible;

// Part of the browser's layout, with the filter's type and date controls and a check box.
constexpr ControlTemplate kEnglishControls[] = {
    {-1, ControlKind::Label, "&Patients:", 5, 21, 67, 8, 0},
    {6009, ControlKind::ListView, nullptr, 5, 33, 296, 84, kList},
    {2, ControlKind::Button, "Close", 309, 7, 50, 14, 0},
    {6005, ControlKind::Button, "Upd&ate", 309, 24, 50, 14, 0},
    {6023, ControlKind::RadioButton, "N&one", 11, 234, 100, 10, cs::kGroupStart},
    {6024, ControlKind::RadioButton, "&Name", 11, 246, 100, 10, 0},
    {6026, ControlKind::RadioButton, "&Birthday", 11, 258, 100, 10, 0},
    {6027, ControlKind::RadioButton, "&Creation date", 11, 270, 100, 10, 0},
    {6031, ControlKind::CheckBox, "Chec&k for duplicates", 5, 292, 114, 10, 0},
    {-1, ControlKind::GroupBox, "Fa&mily Name", 122, 222, 179, 30, 0},
    {6016, ControlKind::Edit, "", 128, 234, 167, 13, cs::kBorder},
    {6020, ControlKind::DatePicker, nullptr, 214, 267, 81, 14, cs::kRightAlign},
    {1, ControlKind::DefaultButton, "OK", 309, 226, 50, 14, 0},
};

constexpr DialogTemplate kTemplates[] = {
    {kEnglish, "Dicom Request", 364, 306, "MS Sans Serif", 8, kFrame, kEnglishControls},
};

class DialogTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    module_ = {kTemplates, {}, {}};
    platform::RegisterResources(module_);
  }
  static void TearDownTestSuite() { platform::UnregisterResources(module_); }

  static inline platform::ResourceModule module_;
};

// A dialog that writes down what reaches it.
class RecordingDialog : public platform::Dialog {
 public:
  RecordingDialog(unsigned id, std::vector<std::string>& log) : Dialog(id, nullptr), log_(log) {}

 protected:
  bool OnInitDialog() override {
    log_.push_back("init");
    return true;
  }
  void OnOK() override {
    log_.push_back("ok");
    Dialog::OnOK();
  }
  void OnCancel() override {
    log_.push_back("cancel");
    Dialog::OnCancel();
  }
  void OnCommand(int id) override { log_.push_back("command " + std::to_string(id)); }
  // Focus notifications come whenever the offscreen platform activates a window; they are the
  // list view's to test.
  void OnNotify(int id, const platform::Notification& notification) override {
    if (notification.code == platform::Notification::Code::SetFocus) return;
    log_.push_back("notify " + std::to_string(id) + " " +
                   std::to_string(static_cast<int>(notification.code)));
  }
  void OnDestroy() override { log_.push_back("destroy"); }
  void PostNcDestroy() override { log_.push_back("post"); }
  bool PreTranslateKeyDown(int key, Qt::KeyboardModifiers modifiers) override {
    log_.push_back("key");
    return key == Qt::Key_A && modifiers == Qt::ControlModifier;
  }

 private:
  std::vector<std::string>& log_;
};

TEST_F(DialogTest, RoutesCommandsKeysAndNotifications) {
  std::vector<std::string> log;
  RecordingDialog dialog(kEnglish, log);
  ASSERT_TRUE(dialog.Create());
  QWidget* window = dialog.Window();
  struct Case {
    const char* what;
    std::function<void()> act;
    std::vector<std::string> expected;
  };
  // Where the box or the start of the text is: a check box takes clicks there only.
  const auto click = [&](int id) {
    QTest::mouseClick(dialog.Item(id), Qt::LeftButton, {},
                      QPoint(4, dialog.Item(id)->height() / 2));
  };
  const Case cases[] = {
      {"OK button", [&] { click(1); }, {"ok"}},
      {"check box", [&] { click(6031); }, {"command 6031"}},
      {"Esc", [&] { QTest::keyClick(window, Qt::Key_Escape); }, {"key", "cancel"}},
      {"date picker",
       [&] { dialog.DatePickerItem(6020)->UserSetDate(QDate(2002, 12, 4)); },
       {"notify 6020 " +
        std::to_string(static_cast<int>(platform::Notification::Code::DateTimeChange))}},
  };
  for (const Case& c : cases) {
    window->show();
    log.clear();
    c.act();
    EXPECT_EQ(log, c.expected) << c.what;
  }
  EXPECT_TRUE(dialog.IsButtonChecked(6031));
}

TEST_F(DialogTest, RadioGroupsAndMnemonics) {
  std::vector<std::string> log;
  RecordingDialog dialog(kEnglish, log);
  ASSERT_TRUE(dialog.Create());
  QWidget* window = dialog.Window();
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window));

  // The radio button's mnemonic below moves the group's check away from this one.
  dialog.CheckRadioButton(6023, 6027, 6027);

  struct Mnemonic {
    Qt::Key key;
    int focused;          // or 0 for a button, which keeps the focus where it is
    const char* command;  // or nullptr
  };
  const Mnemonic mnemonics[] = {
      {Qt::Key_P, 6009, nullptr},      // label buddy
      {Qt::Key_M, 6016, nullptr},      // group box: the control after it
      {Qt::Key_A, 0, "command 6005"},  // button
      {Qt::Key_B, 0, "command 6026"},  // radio button
  };
  for (const Mnemonic& mnemonic : mnemonics) {
    log.clear();
    QTest::keyClick(window, mnemonic.key, Qt::AltModifier);
    if (mnemonic.command != nullptr) {
      EXPECT_TRUE(QTest::qWaitFor([&] { return !log.empty() && log.back() == mnemonic.command; }))
          << mnemonic.key;
    }
    if (mnemonic.focused == 0) continue;
    QWidget* focus = QApplication::focusWidget();
    while (focus != nullptr && focus->parentWidget() != window)
      focus = focus->parentWidget();
    ASSERT_NE(focus, nullptr) << mnemonic.key;
    EXPECT_EQ(focus->objectName(), QString::number(mnemonic.focused)) << mnemonic.key;
  }
  EXPECT_TRUE(dialog.IsButtonChecked(6026));
  EXPECT_FALSE(dialog.IsButtonChecked(6027));
}

// Enter reaches the dialog's key hook, then OK ends the modal loop, then the window goes.
TEST_F(DialogTest, ModalRunsAndDestroysInOrder) {
  std::vector<std::string> log;
  RecordingDialog dialog(kEnglish, log);
  QTimer::singleShot(0, [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Return); });
  EXPECT_EQ(dialog.DoModal(), platform::kIdOk);
  EXPECT_EQ(log, (std::vector<std::string>{"init", "key", "ok", "destroy", "post"}));
  EXPECT_FALSE(dialog.HasWindow());
}

}  // namespace
