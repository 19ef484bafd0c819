#include <qpa/qwindowsysteminterface.h>

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <functional>

#include "browser/BrowserFixture.h"
#include "hostlibs/vekbase/Displays.h"
#include "support/Screenshots.h"

// The Cancel of the progress dialog against scripted archives that answer slowly or not at all,
// and the input that the user gives other windows meanwhile.
namespace browser_test {
namespace {

using namespace std::chrono_literals;
using testing_support::Hex;

// C-CANCEL-RQ: a command set without a data set, on the context of the operation it stops.
std::string CancelRq(int context, int messageId) {
  return "04 00 00 00 00 30 "  // P-DATA-TF, 48 bytes
         "00 00 00 2c " +
         Hex(context, 1) +
         "03 "                                   // PDV, 44 bytes: command, last
         "00 00 00 00 04 00 00 00 1e 00 00 00 "  // (0000,0000) UL group length 30
         "00 00 00 01 02 00 00 00 ff 0f "        // (0000,0100) US C-CANCEL-RQ
         "00 00 20 01 02 00 00 00 " +
         LeHex(messageId, 2) +             // (0000,0120) US the request's id
         "00 00 00 08 02 00 00 00 01 01";  // (0000,0800) US no data set
}

using CancelTest = PluginFixture;

QWidget* Progress() {
  for (QWidget* window : QApplication::topLevelWidgets())
    if (window->isVisible() && window->windowTitle() == "DICOM") return window;
  return nullptr;
}

// Runs `act` once, from the idle processing of the operation's waits, as soon as `ready` holds.
void During(QTimer& timer, std::function<bool()> ready, std::function<void()> act) {
  QObject::connect(&timer, &QTimer::timeout, [&timer, ready, act] {
    if (!ready()) return;
    timer.stop();
    act();
  });
  timer.start(20);
}

// Cancel during a query keeps the rows that arrived and asks for nothing more; during the second
// of three moves it keeps the first image and the second, which arrived before the archive
// stopped, and does not ask for the third; at a silent connect or a silent archive (Esc there)
// the association is aborted at once. Nothing is reported. The query's dialog, counting in the
// user's language and digit grouping, is the README's screenshot.
TEST_F(CancelTest, CancelStopsTheOperationAndKeepsWhatArrived) {
  const std::string study = FindResponse(0xFF00, Study("Doe^John", "S1", "20020105", "1.2.1"));
  const Steps query = Established(
      Then({Peer::ExpectPdu(0x04), Peer::Expect(DataPdu({{kFindContext, 0x02, StudyKeys()}})),
            Peer::SendRepeated(study, 1234), Peer::Expect(CancelRq(kFindContext, 7)),
            Peer::Send(FindResponse(0xFE00))},
           kRelease));
  const Steps images = Then(
      Query(StudyKeys(), {Study("Doe^John", "S1", "20020105", "1.2.1")}),
      Then(Query(SeriesKeys("1.2.1"), {Series("CT", "1", "1.2.1.1")}),
           Query(ImageKeys("1.2.1", "1.2.1.1"),
                 {Image("1", "1.2.1.1.1"), Image("2", "1.2.1.1.2"), Image("3", "1.2.1.1.3")})));
  const Steps moves = Then(
      Move("1.2.1.1.1",
           {Peer::Send(MoveResponse(0xFF00)), Peer::Wait(300ms), Peer::Send(MoveResponse(0x0000))}),
      Move("1.2.1.1.2", {Peer::Send(MoveResponse(0xFF00)), Peer::Expect(CancelRq(kMoveContext, 15)),
                         Peer::Send(MoveResponse(0xFE00))}));
  const Steps aborted = {Peer::Expect(testing_support::kUserAbort), Peer::ExpectClosed()};
  struct Case {
    const char* name;
    int language;
    const char* thousands;
    Steps script;
    const char* count;  // Cancel once the dialog shows it
    std::size_t studies;
    std::vector<int> loaded = {};
  };
  const std::vector<Case> cases = {
      {"en", 1, ",", query, "1,234 studies", 1234},
      {"de", 0, ".", query, "1.234 Studien", 1234},
      {"fr", 2, " ", query, "1 234 études", 1234},
      {"move", 1, ",", Established(Then(Then(images, moves), kRelease)), "image 2 of 3", 1, {1, 2}},
      {"silent connect", 1, ",", Then({Peer::ExpectPdu(0x01)}, aborted), "", 0},
      {"silent archive", 1, ",",
       Established(Then({Peer::ExpectPdu(0x04), Peer::ExpectPdu(0x04)}, aborted)), "", 0},
  };
  const std::filesystem::path received = temporary_ / "tempDic.dic";
  auto& displays = vekbase::Displays::Instance();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (int number = 1; number <= displays.Count(); ++number)
      displays.Clear(number);
    displays.SetCurrent(1);
    platform::WriteProfileString("intl", "sThousand", c.thousands);
    Peer archive(c.script);
    Open(archive.Port(), c.language);
    const bool retrieve = c.loaded.size() > 0;
    if (retrieve) {
      Click(kUpdate);
      List(kImages)->UserClick(0);
      for (const int row : {1, 2})
        List(kImages)->UserClick(row, Qt::ControlModifier);
    }
    // The receiver leaves each moved image before the archive's final response.
    QTimer receiver, press;
    QObject::connect(&receiver, &QTimer::timeout, [&] {
      if (!std::filesystem::exists(received)) WriteImage(received);
    });
    receiver.start(20);
    const QString count = QString::fromUtf8(c.count);
    // A silent archive: Esc once the request has long gone out.
    QElapsedTimer shown;
    During(
        press,
        [&] {
          auto* label = Progress() ? Progress()->findChild<QLabel*>("6042") : nullptr;
          if (label != nullptr && !shown.isValid()) shown.start();
          return label != nullptr &&
                 (count.isEmpty() ? shown.elapsed() > 300 : label->text() == count);
        },
        [&] {
          if (count.isEmpty()) {
            QTest::keyClick(Progress(), Qt::Key_Escape);
            return;
          }
          if (!retrieve) {
            Progress()->grab().save(QString::fromStdString(testing_support::ScreenshotPath(
                "progress-cancel-" + std::string(c.name) + ".png")));
          }
          Progress()->findChild<QAbstractButton*>("2")->click();
        });
    Click(retrieve ? kRetrieve : kUpdate);
    EXPECT_FALSE(press.isActive());
    EXPECT_EQ(messages_, std::vector<std::string>{});
    EXPECT_EQ(Rows(kStudies).size(), c.studies);
    EXPECT_EQ(Rows(kPatients).size(), std::min<std::size_t>(c.studies, 1));
    std::vector<int> loaded;
    for (int number = 1; number <= displays.Count(); ++number)
      if (displays.Get(number)->hasImage) loaded.push_back(number);
    EXPECT_EQ(loaded, c.loaded);
    Click(platform::kIdCancel);
    EXPECT_EQ(archive.Finish(), "");
    std::filesystem::remove(received);
  }
  platform::WriteProfileString("intl", "sThousand", ",");
}

// While the archive is slow, the progress dialog is the browser's own and stays above it, and a
// click the user gives the browser's Close button is dropped, not delivered once the wait is over.
TEST_F(CancelTest, InputDuringAWaitGoesToTheProgressDialogOnly) {
  Peer archive(Established(Then(
      Query(StudyKeys(), {}, {Peer::Wait(600ms), Peer::Send(FindResponse(0x0000))}), kRelease)));
  Open(archive.Port());
  QWidget* owner = nullptr;
  QTimer click;
  During(
      click, [] { return Progress() != nullptr; },
      [&] {
        owner = Progress()->parentWidget();
        const QWidget* close = Control(platform::kIdCancel);
        const QPoint at = close->mapTo(browser_, close->rect().center());
        for (const auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
          QWindowSystemInterface::handleMouseEvent<QWindowSystemInterface::AsynchronousDelivery>(
              browser_->windowHandle(), at, browser_->mapToGlobal(at),
              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::LeftButton,
              type);
        }
      });
  Click(kUpdate);
  QCoreApplication::processEvents();
  EXPECT_EQ(owner, browser_);
  EXPECT_EQ(isOpen_(), 1);
  Click(platform::kIdCancel);
  EXPECT_EQ(archive.Finish(), "");
}

}  // namespace
}  // namespace browser_test
