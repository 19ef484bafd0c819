// The Test connection button of the preferences runs the self-test beside the program with what
// the dialog shows, and puts its report in the dialog without blocking it.

#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <optional>

#include "imagehost/PreferencesDialog.h"
#include "support/Programs.h"
#include "support/Screenshots.h"
#include "support/ScriptedPeer.h"

namespace {

using namespace testing_support;
using Script = ScriptedPeer;

// The label beside the button, once the test has ended (or, with cancel, once the button that
// cancels it was pressed again); with a file name, a picture of the dialog showing it.
QString TestConnection(Preferences& preferences, const std::string& screenshot, bool cancel) {
  PreferencesDialog dialog(preferences, nullptr);
  dialog.show();
  QPushButton* button = nullptr;
  for (QPushButton* candidate : dialog.findChildren<QPushButton*>())
    if (qobject_cast<QDialogButtonBox*>(candidate->parent()) == nullptr) button = candidate;
  if (button == nullptr) return "no button";
  const QString idle = button->text();
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_NE(button->text(), idle);
  if (cancel) QTest::mouseClick(button, Qt::LeftButton);
  if (!QTest::qWaitFor([&] { return button->text() == idle; }, 30000)) return "still testing";
  if (!screenshot.empty()) dialog.grab().save(ScreenshotPath(screenshot).c_str());
  for (QLabel* label : dialog.findChildren<QLabel*>()) {
    if (!(label->textInteractionFlags() & Qt::TextSelectableByMouse)) continue;
    EXPECT_GE(label->height(), label->heightForWidth(label->width()));
    return label->text();
  }
  return "no report";
}

// The faults found before any image moves, in the user's language, with pictures of the report in
// each; the whole road is tried against a real archive.
TEST(PreferencesDialogTest, TestConnectionReportsEachStep) {
  const QString resolved = "Resolve the host: passed, the address is 127.0.0.1\n";
  const QString connected = "Connect: passed, connected to 127.0.0.1:{port}\n";
  const QString rest =
      "\nFind an image (C-FIND): not tried\nRetrieve it to this computer: not tried";
  const struct {
    int language;
    const char* reason;  // of the archive's rejection; none: nothing listens
    std::string screenshot;
    int line;  // of the report to compare; -1: all of it
    QString report;
    bool cancel = false;  // the user cancels the test at once
  } cases[] = {
      {Preferences::kGerman, "03", "selftest-de.png", 2,
       "Echo (C-ECHO): fehlgeschlagen, der Server nimmt den eigenen AE-Titel IMAGEHOST nicht an: "
       "tragen Sie ihn im Server ein"},
      {Preferences::kFrench, "03", "selftest-fr.png", 2,
       "Écho (C-ECHO) : échoué, le serveur n'accepte pas le titre AE local IMAGEHOST : "
       "enregistrez-le sur le serveur"},
      {Preferences::kEnglish, "03", "selftest-en.png", -1,
       resolved + connected +
           "Echo (C-ECHO): failed, the archive does not accept the own AE title IMAGEHOST: "
           "register it in the archive" +
           rest},
      {Preferences::kEnglish, "07", "", -1,
       resolved + connected + "Echo (C-ECHO): failed, the archive's AE title is not ANY-SCP" +
           rest},
      {Preferences::kEnglish, nullptr, "", -1,
       resolved +
           "Connect: failed, the connection was refused: no archive listens there\n"
           "Echo (C-ECHO): not tried" +
           rest},
      {Preferences::kEnglish, "", "", -1, "The test was cancelled.", true},
  };
  for (const auto& c : cases) {
    std::optional<Script> archive;
    if (c.reason != nullptr && !c.cancel) {
      archive.emplace(
          std::vector{Script::ExpectPdu(0x01),
                      Script::Send("03 00 00 00 00 04 00 01 01 " + std::string(c.reason)),
                      Script::ExpectClosed()});
    }
    Preferences preferences;
    preferences.archivePort = archive ? archive->Port() : FreePort();
    preferences.language = c.language;
    preferences.Apply();
    const QString report = TestConnection(preferences, c.screenshot, c.cancel);
    EXPECT_EQ(c.line < 0 ? report : report.split('\n').value(c.line),
              QString(c.report).replace("{port}", QString::number(preferences.archivePort)));
    EXPECT_EQ(archive ? archive->Finish() : "", "");
  }
}

}  // namespace
