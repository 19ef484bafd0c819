#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstring>
#include <string>

#include "hostlibs/hostmenu/HostMenu.h"
#include "hostlibs/vekbase/Macro.h"
#include "platform/AnimationControl.h"
#include "platform/Ansi.h"
#include "support/Screenshots.h"
#include "support/ScriptedPeer.h"

// The plug-in loaded into this process as the host loads it: the help hook, the language, the
// browser's life cycle, unloading with the browser open, and the progress dialog of the export.
namespace {

using namespace std::chrono_literals;
using Peer = testing_support::ScriptedPeer;

using RequestFunction = int (*)(const char*, const char*, const char*, const char*);
using OpenFunction = int (*)();
using SendFunction = int (*)(const char*, const char*, const char*, const char*, const char*, int,
                             int);

class PluginTest : public testing::Test {
 protected:
  void SetUp() override {
    plugin_ = dlopen(PLUGIN, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(plugin_, nullptr) << dlerror();
    request_ = reinterpret_cast<RequestFunction>(dlsym(plugin_, "DicomRequest"));
    isOpen_ = reinterpret_cast<OpenFunction>(dlsym(plugin_, "IsDialogRequestOpen"));
    send_ = reinterpret_cast<SendFunction>(dlsym(plugin_, "SendDicomImageToServer"));
    ASSERT_TRUE(request_ != nullptr && isOpen_ != nullptr && send_ != nullptr);
  }
  void TearDown() override {
    if (plugin_ != nullptr) dlclose(plugin_);
    vekbase::SetHostLanguage(1);
  }

  int Open(const char* host = "127.0.0.1") { return request_(host, "104", "HOST", "ARCHIVE"); }

  static QWidget* Window(const QString& title) {
    for (QWidget* window : QApplication::topLevelWidgets()) {
      if (window->isVisible() && window->windowTitle() == title) return window;
    }
    return nullptr;
  }

  void* plugin_ = nullptr;
  RequestFunction request_ = nullptr;
  OpenFunction isOpen_ = nullptr;
  SendFunction send_ = nullptr;
};

int hostHandlerCalls = 0;
int HostHandler(MenuRequest*) {
  ++hostHandlerCalls;
  return 42;
}

// The hook names "Dicom.hlp" for its contexts only and always passes the request on.
TEST_F(PluginTest, HelpHookNamesItsFileAndPassesEveryRequestOn) {
  struct Case {
    std::uint32_t command;
    std::uint32_t kind;
    const char* text;
  };
  const Case cases[] = {
      {39600, 1, "Dicom.hlp"},
      {39610, 1, "Dicom.hlp"},
      {39601 | (1u << 16), 1, "Dicom.hlp"},
      {39611, 1, "unchanged"},
      {39599, 1, "unchanged"},
      {39601, 2, "unchanged"},
      {39601 | (2u << 16), 1, "unchanged"},
  };
  menuSetHostHandler(14013, HostHandler);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    MenuRequest request{c.command, c.kind, "unchanged"};
    hostHandlerCalls = 0;
    EXPECT_EQ(menuCallHooks(14013, &request), 42);
    EXPECT_EQ(hostHandlerCalls, 1);
    EXPECT_STREQ(request.text, c.text);
  }
  menuSetHostHandler(14013, nullptr);
}

// The browser opens in the host's language of the moment: 0 German, 2 French, anything else
// English. A second request raises the open browser; closing it clears the open flag, and
// unloading the plug-in takes it down.
TEST_F(PluginTest, BrowserFollowsTheLanguageAndLivesUntilClosedOrUnloaded) {
  struct Case {
    int language;
    QString title;
    const char* screenshot;
  };
  const Case cases[] = {{0, "DICOM-Abfrage", "browser-de.png"},
                        {2, QString::fromUtf8("Requête Dicom"), "browser-fr.png"},
                        {5, "Dicom Request", "browser-en.png"}};
  for (const auto& [code, title, screenshot] : cases) {
    SCOPED_TRACE(code);
    vekbase::SetHostLanguage(code);
    EXPECT_EQ(isOpen_(), 0);
    EXPECT_EQ(Open(), 1);
    EXPECT_EQ(isOpen_(), 1);
    QWidget* browser = Window(title);
    ASSERT_NE(browser, nullptr);
    browser->grab().save(QString::fromStdString(testing_support::ScreenshotPath(screenshot)));
    vekbase::SetHostLanguage(1);
    EXPECT_EQ(Open("other-host"), 1);
    EXPECT_EQ(Window(title), browser);
    auto* close = browser->findChild<QAbstractButton*>("2");
    ASSERT_NE(close, nullptr);
    close->click();
    EXPECT_EQ(isOpen_(), 0);
    EXPECT_EQ(Window(title), nullptr);
  }

  ASSERT_EQ(Open(), 1);
  ASSERT_NE(Window("Dicom Request"), nullptr);
  dlclose(plugin_);
  plugin_ = nullptr;
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(Window("Dicom Request"), nullptr);
}

// While the export waits for the archive, its progress dialog shows the text in the host's
// language and plays the animation.
TEST_F(PluginTest, ExportShowsItsProgressInTheHostsLanguage) {
  struct Case {
    int language;
    const char* file;
    const char* text;
  };
  const Case cases[] = {
      {1, "progress-en.png", "The image is being transferred to the database server."},
      {0, "progress-de.png", "Das Bild wird zum Datenbankserver übertragen."},
      {2, "progress-fr.png",
       "L'image est en cours de transfert vers le serveur de la base de données."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    vekbase::SetHostLanguage(c.language);
    Peer archive(
        {Peer::ExpectPdu(0x01), Peer::Wait(1500ms), Peer::Send("03 00 00 00 00 04 00 01 01 01")});
    QString shown;
    int frame = 0;
    QTimer::singleShot(1000, [&] {
      QWidget* progress = Window("DICOM");
      if (progress == nullptr) return;
      if (QWidget* text = progress->findChild<QWidget*>("6039")) {
        shown = text->property("plainText").toString();
      }
      if (auto* clip = progress->findChild<platform::AnimationControl*>("6041")) {
        frame = clip->CurrentFrame();
      }
      progress->grab().save(QString::fromStdString(testing_support::ScreenshotPath(c.file)));
    });
    EXPECT_EQ(
        send_("/nonexistent", "127.0.0.1", archive.PortText().c_str(), "HOST", "ARCHIVE", 0, 0),
        -2);
    EXPECT_EQ(shown, QString::fromUtf8(c.text));
    EXPECT_GT(frame, 0);
    EXPECT_EQ(Window("DICOM"), nullptr);
    EXPECT_EQ(archive.Finish(), "");
  }
}

}  // namespace
