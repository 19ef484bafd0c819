// The Test connection button of the preferences runs the self-test beside the program with what
// the dialog shows, and puts its report in the dialog without blocking it.

#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "imagehost/PreferencesDialog.h"
#include "support/Programs.h"
#include "support/Screenshots.h"
#include "support/ScriptedPeer.h"

namespace {

using namespace testing_support;
using Script = ScriptedPeer;

// The label beside the button, once the test has ended; with a file name, a picture of the dialog
// showing it.
QString TestConnection(Preferences& preferences, const std::string& screenshot = {}) {
  PreferencesDialog dialog(preferences, nullptr);
  QPushButton* button = nullptr;
  for (QPushButton* candidate : dialog.findChildren<QPushButton*>())
    if (qobject_cast<QDialogButtonBox*>(candidate->parent()) == nullptr) button = candidate;
  if (button == nullptr) return "no button";
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_FALSE(button->isEnabled());
  if (!QTest::qWaitFor([button] { return button->isEnabled(); }, 30000)) return "still testing";
  if (!screenshot.empty()) dialog.grab().save(ScreenshotPath(screenshot).c_str());
  for (QLabel* label : dialog.findChildren<QLabel*>())
    if (label->textInteractionFlags() & Qt::TextSelectableByMouse) return label->text();
  return "no report";
}

// The faults found before any image moves; the whole road is tried against a real archive.
TEST(PreferencesDialogTest, TestConnectionReportsEachStep) {
  const auto rejecting = [](std::string_view reason) {
    return std::vector{Script::ExpectPdu(0x01),
                       Script::Send("03 00 00 00 00 04 00 01 01 " + std::string(reason)),
                       Script::ExpectClosed()};
  };
  Script unknownCalling(rejecting("03")), unknownCalled(rejecting("07"));
  const std::uint16_t closed = FreePort();
  const QString resolved = "Resolve the host: passed, the address is 127.0.0.1\n";
  const QString rest =
      "\nFind an image (C-FIND): not tried\nRetrieve it to this computer: not tried";
  const auto connected = [](std::uint16_t port) {
    return QString("Connect: passed, connected to 127.0.0.1:%1\n").arg(port);
  };
  const struct {
    std::uint16_t port;
    QString report;
  } cases[] = {
      {unknownCalling.Port(),
       resolved + connected(unknownCalling.Port()) +
           "Echo (C-ECHO): failed, the archive does not accept the own AE title IMAGEHOST: "
           "register it in the archive" +
           rest},
      {unknownCalled.Port(), resolved + connected(unknownCalled.Port()) +
                                 "Echo (C-ECHO): failed, the archive's AE title is not ANY-SCP" +
                                 rest},
      {closed, resolved +
                   "Connect: failed, the connection was refused: no archive listens there\n"
                   "Echo (C-ECHO): not tried" +
                   rest},
  };
  for (const auto& c : cases) {
    Preferences preferences;
    preferences.archivePort = c.port;
    EXPECT_EQ(TestConnection(preferences), c.report);
  }
  EXPECT_EQ(unknownCalling.Finish(), "");
  EXPECT_EQ(unknownCalled.Finish(), "");
}

// The report in the user's language, and its picture.
TEST(PreferencesDialogTest, TestConnectionSpeaksTheUsersLanguage) {
  const struct {
    int language;
    const char* file;
    QString echo;
  } cases[] = {
      {Preferences::kGerman, "selftest-de.png",
       "Echo (C-ECHO): fehlgeschlagen, der Server nimmt den eigenen AE-Titel IMAGEHOST nicht an: "
       "tragen Sie ihn im Server ein"},
      {Preferences::kFrench, "selftest-fr.png",
       "Écho (C-ECHO) : échoué, le serveur n'accepte pas le titre AE local IMAGEHOST : "
       "enregistrez-le sur le serveur"},
      {Preferences::kEnglish, "selftest-en.png",
       "Echo (C-ECHO): failed, the archive does not accept the own AE title IMAGEHOST: register "
       "it in the archive"},
  };
  for (const auto& c : cases) {
    Script archive({Script::ExpectPdu(0x01), Script::Send("03 00 00 00 00 04 00 01 01 03"),
                    Script::ExpectClosed()});
    Preferences preferences;
    preferences.archivePort = archive.Port();
    preferences.language = c.language;
    preferences.Apply();
    EXPECT_EQ(TestConnection(preferences, c.file).split('\n').value(2), c.echo);
    EXPECT_EQ(archive.Finish(), "");
  }
}

}  // namespace
