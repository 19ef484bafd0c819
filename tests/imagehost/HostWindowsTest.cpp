// The host's main window with the plug-in loaded in place: whose windows belong to whom, where
// retrieved images go, and where the browser comes back.

#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "Version.h"
#include "hostlibs/hostmenu/HostMenu.h"
#include "hostlibs/vekbase/Displays.h"
#include "hostlibs/vekbase/VekBase.h"
#include "hostlibs/vekutil/VekSizableDlg.h"
#include "hostlibs/vekutil/VekUtil.h"
#include "imagehost/HelpWindow.h"
#include "imagehost/MainWindow.h"
#include "imagehost/PluginLoader.h"
#include "imagehost/Preferences.h"
#include "plugin/PluginFixture.h"
#include "support/Programs.h"
#include "support/SmallImage.h"

namespace {

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
  // The owner's window is the transient parent of each window, seen while that is up.
  void ExpectOwned(const char* name, const QWidget* window, const QWidget* owner) {
    ASSERT_NE(window, nullptr) << name;
    EXPECT_TRUE(window->isWindow() && window->parentWidget() == owner) << name;
    EXPECT_EQ(window->windowHandle()->transientParent(), owner->windowHandle()) << name;
  }
  static bool Active(const QWidget* window) {
    return QTest::qWaitFor([window] { return QApplication::activeWindow() == window; });
  }

  Preferences preferences_;
  PluginLoader loader_;
  MainWindow window_{preferences_, loader_};
};

// The browser, the help and boxes without an owner belong to the main window; the filter and the
// browser's messages to the browser, which is on top again once the filter has closed.
TEST_F(HostWindowsTest, WindowsBelongToTheirOwners) {
  HelpWindow::Install();
  OpenBrowser();
  ExpectOwned("browser", browser_, &window_);
  std::vector<QWidget*> boxOwners;
  platform::SetMessageBoxHandler([&](const platform::MessageBoxRequest& request) {
    boxOwners.push_back(request.owner);
    return platform::kIdOk;
  });
  Click(6005);  // Update, with no archive listening
  browser_->activateWindow();
  ASSERT_TRUE(Active(browser_));
  QTimer::singleShot(0, [&] {
    ExpectOwned("filter", QApplication::activeModalWidget(), browser_);
    QApplication::activeModalWidget()->findChild<QAbstractButton*>("2")->click();
  });
  Click(6014);  // Define filter
  EXPECT_TRUE(Active(browser_));
  window_.activateWindow();
  ASSERT_TRUE(Active(&window_));
  platform::FrameworkMessageBox("framework");
  EXPECT_EQ(boxOwners, (std::vector<QWidget*>{browser_, &window_}));

  ShowHelp(1, 39600);
  const auto* help = window_.findChild<HelpWindow*>();
  ExpectOwned("help", help, &window_);
  // Centred before it showed, so without the frame it got then.
  EXPECT_LE((help->frameGeometry().center() - window_.frameGeometry().center()).manhattanLength(),
            4);
  HelpWindow::Close();
  utlSetHelpViewer(nullptr);
  menuSetHostHandler(kHelpMenuId, nullptr);

  // A real about box, with the version and the licences.
  platform::SetMessageBoxHandler({});
  QString about;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ExpectOwned("about", box, &window_);
    about = box->text();
    box->accept();
  });
  window_.menuBar()->actions().last()->menu()->actions().last()->trigger();
  EXPECT_TRUE(about.startsWith(QString("imagehost ") + kProductVersion + "\n") &&
              about.contains("Apache License 2.0") && about.contains("OpenJPEG"));
}

// Images loaded as the plug-in retrieves them, into a host whose current display is protected:
// none is overwritten and the grid grows; with all 64 in use the one loaded longest ago goes, and
// the status bar says so. Each display keeps a copy of its file, which goes with the image.
TEST_F(HostWindowsTest, DisplaysGrowAndProtectedOnesStay) {
  auto& displays = vekbase::Displays::Instance();
  displays.KeepCopiesIn(temporary_ / "copies");
  const std::string first = temporary_ / "first.dcm", retrieved = temporary_ / "tempDic.dic";
  std::string error;
  ASSERT_TRUE(testing_support::WriteSmallImage(first, {}) && displays.Load(1, first, error));
  displays.SetProtected(1, true);
  const struct {
    int images, lastDisplay, shown;
    const char* status;
  } steps[] = {
      {12, 13, 13, ""},
      {51, 64, 64, ""},
      {1, 2, 64,
       "All 64 displays are in use: display 2, loaded longest ago, now shows the new image."},
  };
  std::uint16_t display = opGetDisplay();
  for (const auto& step : steps) {
    std::uint16_t last = 0;
    for (int i = 0; i < step.images; ++i) {
      ASSERT_TRUE(testing_support::WriteSmallImage(retrieved, {}));
      ASSERT_EQ(imgLoad(display, retrieved.c_str()), 1);
      std::filesystem::remove(retrieved);
      last = std::exchange(display, imgGetNextUnprotected(display, 0));
    }
    int shown = 0;
    for (const QMdiSubWindow* sub : window_.findChildren<QMdiSubWindow*>())
      shown += sub->isVisible() ? 1 : 0;
    EXPECT_EQ(last, step.lastDisplay);
    EXPECT_EQ(shown, step.shown);
    EXPECT_EQ(window_.statusBar()->currentMessage().toStdString(), step.status);
    EXPECT_TRUE(displays.Current() == 1 && displays.Get(1)->sourcePath == first);
  }
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
    const char* placement;  // in the profile before it opens; nullptr: as it was left
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
