// The Test connection button of the preferences runs `dicomnet echo` beside the program with what
// the dialog shows, and puts the verdict in the dialog without blocking it.

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "imagehost/PreferencesDialog.h"
#include "support/PduFixtures.h"
#include "support/Programs.h"
#include "support/ScriptedPeer.h"

namespace {

using namespace testing_support;
using Script = ScriptedPeer;

// The label beside the button, once the echo has ended.
QString TestConnection(Preferences& preferences) {
  PreferencesDialog dialog(preferences, nullptr);
  QPushButton* button = nullptr;
  for (QPushButton* candidate : dialog.findChildren<QPushButton*>())
    if (candidate->text() == "&Test connection") button = candidate;
  if (button == nullptr) return "no button";
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_FALSE(button->isEnabled());
  if (!QTest::qWaitFor([button] { return button->isEnabled(); }, 30000)) return "still testing";
  for (QLabel* label : dialog.findChildren<QLabel*>())
    if (label->text().startsWith("Connection")) return label->text();
  return "no verdict";
}

TEST(PreferencesDialogTest, TestConnectionShowsTheVerdict) {
  const std::string response = DataPdu(
      {{1, 3,
        CommandSet({CommandUi(0x0002, "1.2.840.10008.1.1"), CommandUs(0x0100, 0x8030),
                    CommandUs(0x0120, 1), CommandUs(0x0800, 0x0101), CommandUs(0x0900, 0x0000)})}});
  Script answering(Established({{1, 0}}, {Script::ExpectPdu(0x04), Script::Send(response)}, true));
  Script rejecting({Script::ExpectPdu(0x01), Script::Send("03 00 00 00 00 04 00 01 01 07"),
                    Script::ExpectClosed()});
  const std::uint16_t closed = FreePort();
  const struct {
    std::uint16_t port;
    QString verdict;
  } cases[] = {
      {answering.Port(), "Connection OK: the archive answered."},
      {rejecting.Port(),
       "Connection failed: association rejected (permanent) by the called application: called AE "
       "title not recognized"},
      {closed, QString("Connection failed: connection refused by 127.0.0.1:%1").arg(closed)},
  };
  for (const auto& c : cases) {
    Preferences preferences;
    preferences.archivePort = c.port;
    EXPECT_EQ(TestConnection(preferences), c.verdict);
  }
  EXPECT_EQ(answering.Finish(), "");
  EXPECT_EQ(rejecting.Finish(), "");
}

}  // namespace
