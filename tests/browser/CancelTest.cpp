#include <qpa/qwindowsysteminterface.h>

#include <QAbstractButton>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <functional>

#include "browser/BrowserFixture.h"
#include "data/DataSet.h"
#include "hostlibs/vekbase/Displays.h"
#include "support/Screenshots.h"
#include "support/SmallImage.h"

// The Cancel of the progress dialog against scripted archives that answer slowly or not at all,
// and the input that the user gives other windows meanwhile.
namespace browser_test {
namespace {

using namespace std::chrono_literals;
using testing_support::Hex;
using testing_support::kReleaseRp;
using testing_support::kReleaseRq;
using testing_support::kUserAbort;

constexpr int kPatients = 6009;
constexpr int kStudies = 6037;
constexpr int kImages = 6011;
constexpr int kUpdate = 6005;
constexpr int kRetrieve = 6006;

const Steps kRelease = {Peer::Expect(kReleaseRq), Peer::Send(kReleaseRp)};

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

// The progress dialog while it shows, and its second line.
QWidget* Progress() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (window->isVisible() && window->windowTitle() == "DICOM") return window;
  }
  return nullptr;
}
QString Count() {
  QWidget* progress = Progress();
  auto* label = progress != nullptr ? progress->findChild<QLabel*>("6042") : nullptr;
  return label != nullptr ? label->text() : QString();
}

// Runs `act` once, during the operation's waits, as soon as `ready` holds.
class During {
 public:
  During(std::function<bool()> ready, std::function<void()> act) {
    QObject::connect(&timer_, &QTimer::timeout, [this, ready, act] {
      if (done_ || !ready()) return;
      done_ = true;
      act();
    });
    timer_.start(20);
  }
  bool Done() const { return done_; }

 private:
  QTimer timer_;
  bool done_ = false;
};

void PressCancel() {
  QWidget* progress = Progress();
  ASSERT_NE(progress, nullptr);
  auto* cancel = progress->findChild<QAbstractButton*>("2");
  ASSERT_NE(cancel, nullptr);
  cancel->click();
}

// Cancel during a query keeps the rows that arrived and asks for nothing more; during the second
// of three moves it keeps the first image and the second, which arrived before the archive
// stopped, and does not ask for the third; at a silent connect or a silent archive (Esc there)
// the association is aborted at once. Nothing is reported. The query's progress dialog, counting in
// the user's language and digit grouping, is the README's screenshot.
TEST_F(CancelTest, CancelStopsTheOperationAndKeepsWhatArrived) {
  const std::string study = FindResponse(0xFF00, Study("Doe^John", "S1", "20020105", "1.2.1"));
  const Steps cancelledQuery = {
      Peer::ExpectPdu(0x04), Peer::Expect(DataPdu({{kFindContext, 0x02, StudyKeys()}})),
      Peer::SendRepeated(study, 1234), Peer::Expect(CancelRq(kFindContext, 7)),
      Peer::Send(FindResponse(0xFE00))};
  const auto moveOf = [](std::string_view image, Steps answer) {
    return Then(
        {Peer::ExpectPdu(0x04), Peer::Expect(DataPdu({{kMoveContext, 0x02, MoveKeys(image)}}))},
        answer);
  };
  const Steps images = Then(
      Query(StudyKeys(), {Study("Doe^John", "S1", "20020105", "1.2.1")}),
      Then(Query(SeriesKeys("1.2.1"), {Series("CT", "1", "1.2.1.1")}),
           Query(ImageKeys("1.2.1", "1.2.1.1"),
                 {Image("1", "1.2.1.1.1"), Image("2", "1.2.1.1.2"), Image("3", "1.2.1.1.3")})));
  const Steps cancelledMove =
      Then(moveOf("1.2.1.1.1", {Peer::Send(MoveResponse(0xFF00)), Peer::Wait(300ms),
                                Peer::Send(MoveResponse(0x0000))}),
           moveOf("1.2.1.1.2",
                  {Peer::Send(MoveResponse(0xFF00)), Peer::Expect(CancelRq(kMoveContext, 15)),
                   Peer::Send(MoveResponse(0xFE00))}));
  const Steps aborted = {Peer::Expect(kUserAbort), Peer::ExpectClosed()};
  auto& displays = vekbase::Displays::Instance();
  struct Case {
    const char* name;
    int language;
    const char* thousands;
    Steps script;
    bool retrieve;
    const char* count;  // pressed once the dialog shows it; any dialog when empty
    std::size_t studies;
    std::vector<int> loaded = {};
  };
  const std::vector<Case> cases = {
      {"query-en", 1, ",", Established(Then(cancelledQuery, kRelease)), false, "1,234 studies",
       1234},
      {"query-de", 0, ".", Established(Then(cancelledQuery, kRelease)), false, "1.234 Studien",
       1234},
      {"query-fr", 2, " ", Established(Then(cancelledQuery, kRelease)), false, "1 234 études",
       1234},
      {"move",
       1,
       ",",
       Established(Then(Then(images, cancelledMove), kRelease)),
       true,
       "image 2 of 3",
       1,
       {1, 2}},
      {"silent connect", 1, ",", {Peer::ExpectPdu(0x01), Peer::Expect(kUserAbort)}, false, "", 0},
      {"silent archive", 1, ",",
       Established(Then({Peer::ExpectPdu(0x04), Peer::ExpectPdu(0x04)}, aborted)), false, "", 0},
  };
  const std::filesystem::path received = temporary_ / "tempDic.dic";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (int number = 1; number <= displays.Count(); ++number)
      displays.Clear(number);
    displays.SetCurrent(1);
    platform::WriteProfileString("intl", "sThousand", c.thousands);
    Peer archive(c.script);
    Open(archive.Port(), c.language);
    if (c.retrieve) {
      Click(kUpdate);
      List(kImages)->UserClick(0);
      List(kImages)->UserClick(1, Qt::ControlModifier);
      List(kImages)->UserClick(2, Qt::ControlModifier);
    }
    // The receiver leaves each moved image before the archive's final response.
    QTimer receiver;
    QObject::connect(&receiver, &QTimer::timeout, [&] {
      if (std::filesystem::exists(received)) return;
      dicom::DataSet object;
      object.InsertText(0x00080016, dicom::vr::UI, "1.2.840.10008.5.1.4.1.1.7");
      object.InsertText(0x00080018, dicom::vr::UI, "1.2.1.1.1");
      testing_support::WriteSmallImage(std::move(object), received.string());
    });
    receiver.start(20);
    const QString count = QString::fromUtf8(c.count);
    During press([&] { return Progress() != nullptr && (count.isEmpty() || Count() == count); },
                 [&] {
                   if (c.language == 1 && count.isEmpty()) {
                     QTest::keyClick(Progress(), Qt::Key_Escape);
                     return;
                   }
                   if (!c.retrieve) {
                     Progress()->grab().save(QString::fromStdString(testing_support::ScreenshotPath(
                         "progress-cancel-" + std::string(c.name).substr(6) + ".png")));
                   }
                   PressCancel();
                 });
    Click(c.retrieve ? kRetrieve : kUpdate);
    receiver.stop();
    EXPECT_TRUE(press.Done());
    EXPECT_TRUE(messages_.empty()) << messages_.front();
    EXPECT_EQ(Rows(kStudies).size(), c.studies);
    EXPECT_EQ(Rows(kPatients).size(), std::min<std::size_t>(c.studies, 1));
    std::vector<int> loaded;
    for (int number = 1; number <= displays.Count(); ++number)
      if (displays.Get(number)->hasImage) loaded.push_back(number);
    EXPECT_EQ(loaded, c.loaded);
    EXPECT_EQ(Progress(), nullptr);
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
  During click(
      [] { return Progress() != nullptr; },
      [&] {
        owner = Progress()->parentWidget();
        QWidget* close = Control(platform::kIdCancel);
        const QPointF at = close->mapTo(browser_, close->rect().center());
        for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
          QWindowSystemInterface::handleMouseEvent<QWindowSystemInterface::AsynchronousDelivery>(
              browser_->windowHandle(), at, close->mapToGlobal(close->rect().center()),
              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::LeftButton,
              type);
        }
      });
  Click(kUpdate);
  QCoreApplication::processEvents();
  EXPECT_TRUE(click.Done());
  EXPECT_EQ(owner, browser_);
  EXPECT_EQ(isOpen_(), 1);
  Click(platform::kIdCancel);
  EXPECT_EQ(isOpen_(), 0);
  EXPECT_EQ(archive.Finish(), "");
}

}  // namespace
}  // namespace browser_test
