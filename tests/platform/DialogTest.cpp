#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/AnimationControl.h"
#include "platform/DatePicker.h"
#include "platform/Dialog.h"
#include "platform/ListView.h"
#include "platform/OsServices.h"
#include "platform/Resources.h"

namespace {

using platform::ControlKind;
using platform::ControlTemplate;
using platform::DialogTemplate;
namespace cs = platform::control_style;
namespace ds = platform::dialog_style;

constexpr unsigned kEnglish = 9100;
constexpr unsigned kMissing = 9199;
constexpr unsigned kClip = 9200;
constexpr unsigned kUnevenClip = 9201;

constexpr std::uint32_t kList = cs::kSingleSelection | cs::kShowSelectionAlways | cs::kBorder;
constexpr std::uint32_t kMultiList = cs::kShowSelectionAlways | cs::kBorder;
constexpr std::uint32_t kFrame = ds::kCaption | ds::kSystemMenu | ds::kResizingFrame |
                                 ds::kMaximizeBox | ds::kCentred | ds::kVisible;

// Most of the browser's layout, with the filter's type and date controls, a check box and the
// progress animation below it.
constexpr ControlTemplate kEnglishControls[] = {
    {-1, ControlKind::Label, "&Filter :", 5, 5, 29, 12, 0},
    {6013, ControlKind::Label, "", 44, 5, 255, 12, 0},
    {-1, ControlKind::Label, "&Patients:", 5, 21, 67, 8, 0},
    {6009, ControlKind::ListView, nullptr, 5, 33, 296, 84, kList},
    {6038, ControlKind::Label, "&Studies:", 5, 121, 114, 8, 0},
    {6011, ControlKind::ListView, nullptr, 221, 133, 80, 84, kMultiList},
    {2, ControlKind::Button, "Close", 309, 7, 50, 14, 0},
    {6005, ControlKind::Button, "Upd&ate", 309, 24, 50, 14, 0},
    {6006, ControlKind::Button, "&Retrieve ", 309, 41, 50, 14, cs::kDisabled},
    {6023, ControlKind::RadioButton, "N&one", 11, 234, 100, 10, cs::kGroupStart},
    {6024, ControlKind::RadioButton, "&Name", 11, 246, 100, 10, 0},
    {6026, ControlKind::RadioButton, "&Birthday", 11, 258, 100, 10, 0},
    {6027, ControlKind::RadioButton, "&Creation date", 11, 270, 100, 10, 0},
    {6031, ControlKind::CheckBox, "Chec&k for duplicates", 5, 292, 114, 10, 0},
    {-1, ControlKind::GroupBox, "Fa&mily Name", 122, 222, 179, 30, 0},
    {6016, ControlKind::Edit, "", 128, 234, 167, 13, cs::kBorder},
    {6018, ControlKind::RadioButton, "Ran&ge", 128, 269, 50, 10, cs::kGroupStart},
    {6019, ControlKind::RadioButton, "E&xact", 128, 285, 50, 10, 0},
    {6042, ControlKind::Label, "S&tart:", 182, 270, 30, 8, 0},
    {6020, ControlKind::DatePicker, nullptr, 214, 267, 81, 14, cs::kRightAlign},
    {1, ControlKind::DefaultButton, "OK", 309, 226, 50, 14, 0},
    {6039, ControlKind::Edit, "Asking the DICOM database ...", 305, 243, 58, 31,
     cs::kReadOnly | cs::kMultiLine | cs::kCentred},
    {6041, ControlKind::Animation, nullptr, 309, 276, 50, 26, cs::kCentred},
};

constexpr DialogTemplate kTemplates[] = {
    {kEnglish, "Dicom Request", 364, 306, "MS Sans Serif", 8, kFrame, kEnglishControls},
};

// Four frames of 16 x 16 side by side, each a darker grey.
QByteArray ClipPng(int width) {
  QImage strip(width, 16, QImage::Format_RGB32);
  QPainter painter(&strip);
  for (int frame = 0; frame * 16 < width; ++frame) {
    painter.fillRect(frame * 16, 0, 16, 16, QColor::fromRgb(240 - 60 * frame, 0, 0));
  }
  painter.end();
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  strip.save(&buffer, "PNG");
  return png;
}

class DialogTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    static const QByteArray clip = ClipPng(64);
    static const QByteArray uneven = ClipPng(62);
    static const platform::AnimationResource animations[] = {
        {kClip, reinterpret_cast<const unsigned char*>(clip.data()),
         static_cast<std::size_t>(clip.size()), 4, 20},
        {kUnevenClip, reinterpret_cast<const unsigned char*>(uneven.data()),
         static_cast<std::size_t>(uneven.size()), 4, 20},
    };
    module_ = {kTemplates, {}, animations};
    platform::RegisterResources(module_);
  }
  static void TearDownTestSuite() { platform::UnregisterResources(module_); }

  static inline platform::ResourceModule module_;
};

// A dialog that writes down what reaches it.
class RecordingDialog : public platform::Dialog {
 public:
  RecordingDialog(unsigned id, std::vector<std::string>& log) : Dialog(id, nullptr), log_(log) {}

  bool destroyOnCommand = false;
  bool deleteAfterDestroy = false;

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
  void OnCommand(int id) override {
    log_.push_back("command " + std::to_string(id));
    if (destroyOnCommand) DestroyWindow();
  }
  // Focus notifications come whenever the offscreen platform activates a window; they are the
  // list view's to test.
  void OnNotify(int id, const platform::Notification& notification) override {
    if (notification.code == platform::Notification::Code::SetFocus) return;
    log_.push_back("notify " + std::to_string(id) + " " +
                   std::to_string(static_cast<int>(notification.code)));
  }
  void OnDestroy() override { log_.push_back("destroy"); }
  void PostNcDestroy() override {
    log_.push_back("post");
    if (deleteAfterDestroy) delete this;
  }
  bool PreTranslateKeyDown(int key, Qt::KeyboardModifiers modifiers) override {
    log_.push_back("key");
    return key == Qt::Key_A && modifiers == Qt::ControlModifier;
  }

 private:
  std::vector<std::string>& log_;
};

std::string Notify(int id, platform::Notification::Code code) {
  return "notify " + std::to_string(id) + " " + std::to_string(static_cast<int>(code));
}

// Clicks where the box or the start of the text is: a radio button or check box takes clicks on
// its indicator and text only.
void ClickAt(QWidget* control) {
  QTest::mouseClick(control, Qt::LeftButton, {}, QPoint(4, control->height() / 2));
}

TEST(DialogUnitsTest, ConvertsWithRounding) {
  struct Case {
    QRect units;
    platform::BaseUnits base;
    QRect pixels;
  };
  const Case cases[] = {
      {{0, 0, 364, 222}, {6, 13}, {0, 0, 546, 361}},  // 360.75 rounds up
      {{5, 5, 29, 12}, {6, 13}, {8, 8, 44, 20}},      // 7.5 and 8.125
      {{5, 21, 67, 8}, {6, 13}, {8, 34, 101, 13}},    // 34.125, 100.5
      {{1, 1, 3, 3}, {7, 15}, {2, 2, 5, 6}},          // 1.75, 1.875, 5.25, 5.625
      {{309, 203, 50, 14}, {7, 16}, {541, 406, 88, 28}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::DialogToPixels(c.units, c.base), c.pixels) << c.units.x();
  }
}

TEST_F(DialogTest, BuildsEveryControlFromTheTemplate) {
  std::vector<std::string> log;
  RecordingDialog dialog(kEnglish, log);
  ASSERT_TRUE(dialog.Create());
  QWidget* window = dialog.Window();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->windowTitle(), "Dicom Request");
  EXPECT_EQ(log, std::vector<std::string>{"init"});

  const platform::BaseUnits units = platform::BaseUnitsOf(window->font());
  EXPECT_EQ(dialog.ClientRect().size(),
            platform::DialogToPixels(QRect(0, 0, 364, 306), units).size());

  // The kinds of control are those the plug-in's tests find by class; here what they do not see.
  EXPECT_EQ(dialog.Item(4711), nullptr);
  EXPECT_TRUE(static_cast<QPushButton*>(dialog.Item(1))->isDefault());
  EXPECT_FALSE(dialog.IsItemEnabled(6006));
  EXPECT_NE(dialog.ListViewItem(6011), nullptr);
  EXPECT_EQ(dialog.ListViewItem(6020), nullptr);

  // Texts in code page 1252; a label keeps its mnemonic; a short buffer cuts.
  dialog.SetItemText(6013,
                     "Gr\xf6\xdf"
                     "e");
  EXPECT_EQ(dialog.ItemText(6013),
            "Gr\xf6\xdf"
            "e");
  EXPECT_EQ(static_cast<QLabel*>(dialog.Item(6013))->text(), QString::fromUtf8("Größe"));
  EXPECT_EQ(dialog.ItemText(6038), "&Studies:");
  dialog.SetItemText(6016, "Smith");
  char cut[4];
  EXPECT_EQ(dialog.GetItemText(6016, cut, sizeof cut), 3);
  EXPECT_STREQ(cut, "Smi");

  // The animation plays in the control; a strip that does not cut into its frames is refused.
  platform::AnimationControl* animation = dialog.AnimationItem(6041);
  ASSERT_NE(animation, nullptr);
  EXPECT_FALSE(animation->Open(kMissing));
  EXPECT_FALSE(animation->Open(kUnevenClip));
  ASSERT_TRUE(animation->Open(kClip));
  EXPECT_TRUE(animation->IsPlaying());
  EXPECT_EQ(animation->pixmap().size(), QSize(16, 16));
  EXPECT_TRUE(QTest::qWaitFor([&] { return animation->CurrentFrame() == 2; }));

  dialog.DestroyWindow();
  EXPECT_EQ(dialog.Item(6009), nullptr);
}

TEST_F(DialogTest, RoutesCommandsKeysAndNotifications) {
  std::vector<std::string> log;
  RecordingDialog dialog(kEnglish, log);
  ASSERT_TRUE(dialog.Create());
  QWidget* window = dialog.Window();
  platform::ListView* patients = dialog.ListViewItem(6009);
  platform::ListView* images = dialog.ListViewItem(6011);
  ASSERT_NE(patients, nullptr);
  ASSERT_NE(images, nullptr);
  for (platform::ListView* list : {patients, images}) {
    list->InsertColumn(0, "Name", 80);
    list->InsertItem(0, "Smith", 1);
    list->InsertItem(1, "Jones", 2);
  }
  using Code = platform::Notification::Code;
  struct Case {
    const char* what;
    std::function<void()> act;
    std::vector<std::string> expected;
  };
  const auto click = [&](int id) { ClickAt(dialog.Item(id)); };
  const Case cases[] = {
      {"OK button", [&] { click(1); }, {"ok"}},
      {"Cancel button", [&] { click(2); }, {"cancel"}},
      {"other button", [&] { click(6005); }, {"command 6005"}},
      {"check box", [&] { click(6031); }, {"command 6031"}},
      {"radio button", [&] { click(6024); }, {"command 6024"}},
      {"Esc", [&] { QTest::keyClick(window, Qt::Key_Escape); }, {"key", "cancel"}},
      {"close box, which hides a modeless dialog",
       [&] {
         window->close();
         EXPECT_TRUE(window->isHidden());
       },
       {"cancel"}},
      {"key left by a list goes to the dialog once",
       [&] { QTest::keyClick(images, Qt::Key_F5); },
       {"key"}},
      {"Ctrl, then the consumed A",
       [&] { QTest::keyClick(images, Qt::Key_A, Qt::ControlModifier); },
       {"key", "key"}},
      {"date picker",
       [&] { dialog.DatePickerItem(6020)->UserSetDate(QDate(2002, 12, 4)); },
       {Notify(6020, Code::DateTimeChange)}},
  };
  for (const Case& c : cases) {
    window->show();
    log.clear();
    c.act();
    EXPECT_EQ(log, c.expected) << c.what;
  }
  EXPECT_EQ(images->GetSelectedCount(), 0);  // Ctrl+A never reached the list
  EXPECT_TRUE(dialog.IsButtonChecked(6031));

  // A list view's notifications arrive by its id, the click last.
  window->show();
  log.clear();
  patients->UserClick(1);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), Notify(6009, Code::Click));
  for (const std::string& entry : log)
    EXPECT_EQ(entry.rfind("notify 6009 ", 0), 0u) << entry;

  // The key state follows the key events the dialog saw.
  QTest::keyPress(images, Qt::Key_Control, Qt::ControlModifier);
  EXPECT_LT(platform::GetKeyState(platform::kVkControl), 0);
  EXPECT_GE(platform::GetKeyState(platform::kVkShift), 0);
  QTest::keyRelease(images, Qt::Key_Control);
  EXPECT_GE(platform::GetKeyState(platform::kVkControl), 0);
}

TEST_F(DialogTest, RadioGroupsAndMnemonics) {
  std::vector<std::string> log;
  RecordingDialog dialog(kEnglish, log);
  ASSERT_TRUE(dialog.Create());
  QWidget* window = dialog.Window();
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window));

  dialog.CheckRadioButton(6023, 6027, 6023);
  dialog.CheckRadioButton(6018, 6019, 6019);
  struct Click {
    int id;
    std::vector<int> checked;
  };
  // Each group keeps one checked button; a click on the checked one leaves it checked.
  const Click clicks[] = {
      {6024, {6024, 6019}},
      {6027, {6027, 6019}},
      {6027, {6027, 6019}},
      {6018, {6027, 6018}},
  };
  for (const Click& click : clicks) {
    ClickAt(dialog.Item(click.id));
    std::vector<int> checked;
    for (int id : {6023, 6024, 6026, 6027, 6018, 6019}) {
      if (dialog.IsButtonChecked(id)) checked.push_back(id);
    }
    EXPECT_EQ(checked, click.checked) << click.id;
  }

  struct Mnemonic {
    Qt::Key key;
    int focused;          // or 0 for a button, which keeps the focus where it is
    const char* command;  // or nullptr
  };
  const Mnemonic mnemonics[] = {
      {Qt::Key_P, 6009, nullptr},      // label buddy
      {Qt::Key_F, 6009, nullptr},      // a label before a label: the next control that focuses
      {Qt::Key_M, 6016, nullptr},      // group box: the control after it
      {Qt::Key_T, 6020, nullptr},      // label before a date picker
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

TEST_F(DialogTest, ModalRunsAndDestroysInOrder) {
  std::vector<std::string> log;
  {
    RecordingDialog missing(kMissing, log);
    EXPECT_EQ(missing.DoModal(), 0);
    EXPECT_TRUE(log.empty());
  }
  struct Run {
    const char* what;
    std::function<void(QWidget*)> end;
    int result;
    std::vector<std::string> expected;
  };
  const Run runs[] = {
      {"Cancel",
       [](QWidget* w) { QTest::mouseClick(w->findChild<QWidget*>("2"), Qt::LeftButton); },
       platform::kIdCancel,
       {"init", "cancel", "destroy", "post"}},
      {"Enter",
       [](QWidget* w) { QTest::keyClick(w, Qt::Key_Return); },
       platform::kIdOk,
       {"init", "key", "ok", "destroy", "post"}},
  };
  for (const Run& run : runs) {
    log.clear();
    RecordingDialog dialog(kEnglish, log);
    QTimer::singleShot(0, [&] { run.end(QApplication::activeModalWidget()); });
    EXPECT_EQ(dialog.DoModal(), run.result) << run.what;
    EXPECT_EQ(log, run.expected) << run.what;
    EXPECT_FALSE(dialog.HasWindow());
  }

  // A modeless dialog that destroys and deletes itself from its own command handler.
  log.clear();
  auto* dialog = new RecordingDialog(kEnglish, log);
  dialog->destroyOnCommand = true;
  dialog->deleteAfterDestroy = true;
  ASSERT_TRUE(dialog->Create());
  QPointer<QWidget> window = dialog->Window();
  ClickAt(window->findChild<QWidget*>("6005"));
  EXPECT_EQ(log, (std::vector<std::string>{"init", "command 6005", "destroy", "post"}));
  EXPECT_TRUE(window->isHidden());
  EXPECT_TRUE(QTest::qWaitFor([&] { return window.isNull(); }));
}

}  // namespace
