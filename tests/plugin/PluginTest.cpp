#include <QTimer>
#include <chrono>

#include "hostlibs/hostmenu/HostMenu.h"
#include "platform/AnimationControl.h"
#include "plugin/PluginFixture.h"
#include "support/Screenshots.h"
#include "support/ScriptedPeer.h"

// The plug-in loaded into this process as the host loads it: the help hook and the progress dialog
// of the export. The browser's life cycle and languages are the browser tests'.
namespace {

using namespace std::chrono_literals;
using Peer = testing_support::ScriptedPeer;
using PluginTest = PluginFixture;

int hostHandlerCalls = 0;

// The hook names "Dicom.hlp" for its contexts only and always passes the request on.
TEST_F(PluginTest, HelpHookNamesItsFileAndPassesEveryRequestOn) {
  struct Case {
    std::uint32_t command;
    std::uint32_t kind;
    const char* text;
  };
  const Case cases[] = {
      {39600, 1, "Dicom.hlp"}, {39601 | (1u << 16), 1, "Dicom.hlp"}, {39611, 1, "unchanged"},
      {39601, 2, "unchanged"}, {39601 | (2u << 16), 1, "unchanged"},
  };
  Load();
  menuSetHostHandler(14013, [](MenuRequest*) {
    ++hostHandlerCalls;
    return 42;
  });
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
    Load(c.language);
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
