// The host's main window with the plug-in loaded in place: whose windows belong to whom, where
// retrieved images go, and where the browser comes back.

#include <QApplication>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <filesystem>

#include "Version.h"
#include "host/PluginFixture.h"
#include "hostlibs/hostmenu/HostMenu.h"
#include "hostlibs/vekbase/Displays.h"
#include "hostlibs/vekbase/VekBase.h"
#include "hostlibs/vekutil/VekSizableDlg.h"
#include "hostlibs/vekutil/VekUtil.h"
#include "imagehost/HelpWindow.h"
#include "imagehost/MainWindow.h"
#include "imagehost/PluginLoader.h"
#include "imagehost/Preferences.h"
#include "platform/OwnerWindow.h"
#include "support/Programs.h"
#include "support/Screenshots.h"
#include "support/SmallImage.h"

namespace {

constexpr int kUpdate = 6005;
constexpr int kDefineFilter = 6014;

class HostWindowsTest : public PluginFixture {
 protected:
  void SetUp() override {
    PluginFixture::SetUp();
    window_.resize(700, 500);
    window_.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
  }

  void OpenBrowser() {
    Open(testing_support::FreePort());
    ASSERT_TRUE(QTest::qWaitForWindowActive(browser_));
  }

  Preferences preferences_;
  PluginLoader loader_;
  MainWindow window_{preferences_, loader_};
};

// Each window is transient for its owner: the browser, the help and message boxes without an
// owner for the main window, the filter and the browser's messages for the browser, which is on
// top again once the filter has closed.
TEST_F(HostWindowsTest, WindowsBelongToTheirOwners) {
  HelpWindow::Install();
  OpenBrowser();
  // Whose window each is, seen while it is up.
  struct Owned {
    std::string name;
    bool isWindow;
    QWidget* parent;
    QWindow* transientParent;
    QWidget* owner;
  };
  std::vector<Owned> owned;
  const auto note = [&owned](const char* name, QWidget* window, QWidget* owner) {
    if (window == nullptr) return owned.push_back({name, false, nullptr, nullptr, owner});
    owned.push_back({name, window->isWindow(), window->parentWidget(),
                     window->windowHandle()->transientParent(), owner});
  };
  note("browser", browser_, &window_);
  std::vector<QWidget*> boxOwners;
  platform::SetMessageBoxHandler([&](const platform::MessageBoxRequest& request) {
    boxOwners.push_back(request.owner);
    return platform::kIdOk;
  });
  Click(kUpdate);
  // As the user's click on its button does, the browser is the active window.
  browser_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(browser_));
  QTimer::singleShot(0, [&] {
    QWidget* filter = QApplication::activeModalWidget();
    note("filter", filter, browser_);
    if (filter != nullptr) filter->findChild<QAbstractButton*>("2")->click();
  });
  Click(kDefineFilter);
  EXPECT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == browser_; }));
  window_.activateWindow();
  ASSERT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == &window_; }));
  platform::FrameworkMessageBox("framework");
  EXPECT_EQ(boxOwners, (std::vector<QWidget*>{browser_, &window_}));

  ShowHelp(1, 39600);
  HelpWindow* help = window_.findChild<HelpWindow*>();
  ASSERT_NE(help, nullptr);
  note("help", help, &window_);
  // The frame the window gets when it shows is left out.
  EXPECT_LE((help->frameGeometry().center() - window_.frameGeometry().center()).manhattanLength(),
            4);
  for (const Owned& o : owned) {
    SCOPED_TRACE(o.name);
    EXPECT_TRUE(o.isWindow);
    EXPECT_EQ(o.parent, o.owner);
    EXPECT_EQ(o.transientParent, o.owner->windowHandle());
  }
  HelpWindow::Close();
  utlSetHelpViewer(nullptr);
  menuSetHostHandler(kHelpMenuId, nullptr);

  // The about box, a real one, with the version and the licences.
  platform::SetMessageBoxHandler({});
  QString about;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    about = box->text();
    EXPECT_EQ(box->parentWidget(), &window_);
    box->grab().save(testing_support::ScreenshotPath("about-en.png").c_str());
    box->accept();
  });
  window_.menuBar()->actions().last()->menu()->actions().last()->trigger();
  EXPECT_TRUE(about.startsWith(QString("imagehost ") + kProductVersion + "\n"))
      << about.toStdString();
  EXPECT_TRUE(about.contains("Apache License 2.0") && about.contains("OpenJPEG"));
}

// Twelve images into a host whose current display is protected: none is overwritten and the grid
// grows. Once all 64 displays hold images, the one loaded longest ago goes, and the status bar
// says so. Each display keeps its own copy of the file, removed with the image.
TEST_F(HostWindowsTest, DisplaysGrowAndProtectedOnesStay) {
  auto& displays = vekbase::Displays::Instance();
  displays.KeepCopiesIn(temporary_ / "copies");
  const std::string first = temporary_ / "first.dcm";
  const std::string retrieved = temporary_ / "tempDic.dic";
  ASSERT_TRUE(testing_support::WriteSmallImage(first, {{0x00100010, "First"}}));
  std::string error;
  ASSERT_TRUE(displays.Load(1, first, error)) << error;
  displays.SetProtected(1, true);
  const auto shown = [this] {
    int count = 0;
    for (const QMdiSubWindow* sub : window_.findChildren<QMdiSubWindow*>())
      count += sub->isVisible() ? 1 : 0;
    return count;
  };
  const struct {
    int images;
    int lastDisplay;
    int shown;
    const char* status;
  } steps[] = {
      {12, 13, 13, ""},
      {51, 64, 64, ""},
      {1, 2, 64,
       "All 64 displays are in use: display 2, loaded longest ago, now shows the new image."},
  };
  std::uint16_t display = opGetDisplay();
  EXPECT_EQ(display, 2);
  for (const auto& step : steps) {
    std::uint16_t last = 0;
    for (int i = 0; i < step.images; ++i) {
      ASSERT_TRUE(testing_support::WriteSmallImage(retrieved, {{0x00100010, "Retrieved"}}));
      ASSERT_EQ(imgLoad(display, retrieved.c_str()), 1);
      std::filesystem::remove(retrieved);
      last = display;
      display = imgGetNextUnprotected(display, 0);
    }
    EXPECT_EQ(last, step.lastDisplay);
    EXPECT_EQ(displays.Current(), 1);
    EXPECT_EQ(displays.Get(1)->sourcePath, first);
    EXPECT_EQ(shown(), step.shown);
    EXPECT_EQ(window_.statusBar()->currentMessage().toStdString(), step.status);
  }
  // What the host sends is its copy, which outlives the retrieved file and goes with the image.
  const std::string copy = displays.Get(5)->File();
  EXPECT_TRUE(std::filesystem::exists(copy)) << copy;
  displays.Clear(5);
  EXPECT_FALSE(std::filesystem::exists(copy));
  for (int number = 1; number <= vekbase::kMaxDisplays; ++number) {
    displays.SetProtected(number, false);
    displays.Clear(number);
  }
  displays.KeepCopiesIn({});
  EXPECT_FALSE(std::filesystem::exists(temporary_ / "copies"));
}

// The browser comes back where it was left, and onto the screen when it was left off it.
TEST_F(HostWindowsTest, TheBrowserComesBackWhereItWasLeft) {
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  const struct {
    const char* placement;  // in the profile before the browser opens; nullptr: as it was left
    QRect expected;
  } cases[] = {
      {"40 50 620 420", QRect(40, 50, 620, 420)},
      {nullptr, QRect(40, 50, 620, 420)},
      {"5000 -300 620 420", QRect(screen.right() + 1 - 620, screen.top(), 620, 420)},
  };
  for (const auto& c : cases) {
    if (c.placement != nullptr)
      platform::WriteProfileString(kPlacementSection, "6003", c.placement);
    OpenBrowser();
    EXPECT_EQ(QRect(browser_->pos(), browser_->size()), c.expected);
    Click(platform::kIdCancel);
  }
  platform::WriteProfileString(kPlacementSection, nullptr, nullptr);
}

}  // namespace
