#include <QHeaderView>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <map>

#include "browser/BrowserFixture.h"
#include "hostlibs/vekbase/Displays.h"
#include "support/Screenshots.h"

// The browser against scripted archives: the cascade of the four lists, the selections, the sort,
// the keyboard, the layout, the texts of other character sets, and retrieving into displays.
namespace browser_test {
namespace {

using namespace std::chrono_literals;

using BrowserTest = PluginFixture;

// Two patients, one of them also in capitals; the first patient's first study has two series,
// the first of which has three images. A click on the second patient refills the levels below.
// Each level's query carries the keys of the row above it.
TEST_F(BrowserTest, UpdateAndSelectionsCascade) {
  Peer archive(Established(Then(
      Then(Then(Query(StudyKeys(), {Study("Doe^John", "S1", "20020105", "1.2.1"),
                                    Study("Roe^Jane", "S3", "20011201", "1.2.3"),
                                    Study("Doe^John", "S2", "20020201", "1.2.2"),
                                    Study("DOE^JOHN", "S4", "20020301", "1.2.4")}),
                Query(SeriesKeys("1.2.1"),
                      {Series("CT", "1", "1.2.1.1"), Series("MR", "2", "1.2.1.2")})),
           Then(Query(ImageKeys("1.2.1", "1.2.1.1"),
                      {Image("1", "1.2.1.1.1"), Image("2", "1.2.1.1.2"), Image("3", "1.2.1.1.3")}),
                // The series answer names its study, and the image query takes it from there.
                Then(Query(SeriesKeys("1.2.3"), {Series("OT", "5", "1.2.3.1")}),
                     Query(ImageKeys("1.2.1", "1.2.3.1"), {Image("7", "1.2.3.1.1")})))),
      kRelease)));
  Open(archive.Port());
  Click(kUpdate);
  EXPECT_EQ(Rows(kPatients),
            (std::vector<std::string>{"Doe John|ID01|01/01/1970", "Roe Jane|ID01|01/01/1970"}));
  EXPECT_EQ(Rows(kStudies), (std::vector<std::string>{"S1|01/05/2002", "S2|02/01/2002"}));
  EXPECT_EQ(Rows(kSeries), (std::vector<std::string>{"CT|1 ", "MR|2 "}));
  EXPECT_EQ(Rows(kImages), (std::vector<std::string>{"1 ", "2 ", "3 "}));
  for (const int id : {kPatients, kStudies, kSeries, kImages}) {
    EXPECT_EQ(Selected(id), std::vector<int>{0}) << id;
  }
  EXPECT_TRUE(Control(kRetrieve)->isEnabled());

  // The images' one column fits the list: no horizontal scroll bar.
  EXPECT_LE(List(kImages)->header()->length(), List(kImages)->viewport()->width());

  // Month-first dates sort as dates: ascending, then descending, with the header's arrow.
  List(kStudies)->UserClickColumn(1);
  EXPECT_EQ(Rows(kStudies), (std::vector<std::string>{"S1|01/05/2002", "S2|02/01/2002"}));
  EXPECT_EQ(List(kStudies)->header()->sortIndicatorOrder(), Qt::AscendingOrder);
  List(kStudies)->UserClickColumn(1);
  EXPECT_EQ(Rows(kStudies), (std::vector<std::string>{"S2|02/01/2002", "S1|01/05/2002"}));
  EXPECT_EQ(List(kStudies)->SortIndicatorColumn(), 1);
  EXPECT_EQ(List(kStudies)->header()->sortIndicatorOrder(), Qt::DescendingOrder);

  // Ctrl+A from the patients list, as separate events: a second press at the address of the
  // first would be taken for the same one by the dialog layer.
  QKeyEvent control(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
  QKeyEvent a(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier, "a");
  QApplication::sendEvent(List(kPatients), &control);
  QApplication::sendEvent(List(kPatients), &a);
  QKeyEvent released(QEvent::KeyRelease, Qt::Key_Control, Qt::NoModifier);
  QApplication::sendEvent(List(kPatients), &released);
  EXPECT_EQ(Selected(kImages), (std::vector<int>{0, 1, 2}));

  // The patients list grows with the window, the buttons on the right keep their distance to the
  // right edge, the lower lists to the bottom, where the studies and series share the new width;
  // Help keeps to the corner. Every size is worked out from the first, so going back is exact.
  std::map<int, QRect> before;
  for (const int id : {kPatients, kStudies, kSeries, kImages, kUpdate, platform::kIdHelp})
    before[id] = Control(id)->geometry();
  const QSize size = browser_->size();
  for (const auto& [dx, dy] : {std::pair{101, 40}, {0, 0}}) {
    browser_->resize(size + QSize(dx, dy));
    QTRY_COMPARE(Control(kPatients)->geometry(), before[kPatients].adjusted(0, 0, dx, dy));
    EXPECT_EQ(Control(kUpdate)->geometry(), before[kUpdate].translated(dx, 0));
    EXPECT_EQ(Control(platform::kIdHelp)->geometry(), before[platform::kIdHelp].translated(dx, dy));
    EXPECT_EQ(Control(kImages)->geometry(), before[kImages].translated(dx, dy));
    EXPECT_EQ(Control(kStudies)->geometry(),
              before[kStudies].translated(0, dy).adjusted(0, 0, (dx + 1) / 2, 0));
    EXPECT_EQ(Control(kSeries)->geometry(),
              before[kSeries].translated(0, dy).adjusted((dx + 1) / 2, 0, dx, 0));
  }

  List(kPatients)->UserClick(1);
  EXPECT_EQ(Rows(kStudies), std::vector<std::string>{"S3|12/01/2001"});
  EXPECT_EQ(Rows(kSeries), std::vector<std::string>{"OT|5 "});
  EXPECT_EQ(Rows(kImages), std::vector<std::string>{"7 "});
  for (const int id : {kPatients, kStudies, kSeries, kImages}) {
    EXPECT_EQ(Selected(id), (std::vector<int>{id == kPatients ? 1 : 0})) << id;
  }
  // The row already shown queries nothing: the archive's next step is the release.
  List(kPatients)->UserClick(1);
  Click(platform::kIdCancel);
  EXPECT_EQ(archive.Finish(), "");
  EXPECT_TRUE(messages_.empty());
}

// What the browser sends at each level, command and identifier byte for byte: the study query,
// the series and image queries of the first rows, and the move of the image selected to itself.
TEST_F(BrowserTest, RequestsAreByteExactAtEveryLevel) {
  const auto command = [](std::string_view sopClass, int field, int id, std::string more = {}) {
    return CommandSet({CommandUi(0x0002, sopClass), CommandUs(0x0100, field), CommandUs(0x0110, id),
                       more + " " + CommandUs(0x0700, 0), CommandUs(0x0800, 0x0102)});
  };
  const std::string_view find = "1.2.840.10008.5.1.4.1.2.2.1";
  const std::string destination = "00 00 00 06 04 00 00 00" + AsciiHex("HOST");
  const auto found = [](const std::string& identifier) {
    return Steps{Peer::Send(FindResponse(0xFF00, identifier)), Peer::Send(FindResponse(0))};
  };
  const struct {
    int context;
    std::string command, identifier;
    Steps answer;
  } levels[] = {
      {kFindContext, command(find, 0x0020, 7), StudyKeys(),
       found(Study("Doe^John", "S1", "20020105", "1.2.1"))},
      {kFindContext, command(find, 0x0020, 9), SeriesKeys("1.2.1"),
       found(Series("CT", "1", "1.2.1.1"))},
      {kFindContext, command(find, 0x0020, 11), ImageKeys("1.2.1", "1.2.1.1"),
       found(Image("1", "1.2.1.1.1"))},
      {kMoveContext,
       command("1.2.840.10008.5.1.4.1.2.2.2", 0x0021, 13, destination),
       MoveKeys("1.2.1.1.1"),
       {Peer::Send(MoveResponse(0x0000))}},
  };
  Steps steps;
  for (const auto& level : levels) {
    steps = Then(Then(steps, {Peer::Expect(DataPdu({{level.context, 0x03, level.command}})),
                              Peer::Expect(DataPdu({{level.context, 0x02, level.identifier}}))}),
                 level.answer);
  }
  Peer archive(Established(Then(steps, kRelease)));
  Open(archive.Port());
  Click(kUpdate);
  Click(kRetrieve);
  Click(platform::kIdCancel);
  EXPECT_EQ(archive.Finish(), "");
}

// The browser opens in the host's language of the moment (0 German, 2 French, anything else
// English) and shows names in Latin-1 without a character set, in Latin-1 named, and in UTF-8 as
// the home platform shows them. A second request raises the open browser, and unloading the
// plug-in takes an open browser down.
TEST_F(BrowserTest, LanguagesNamesAndLifeCycle) {
  const struct {
    int language;
    QString title;
    std::string suffix;
  } cases[] = {{5, "Dicom Request", "en"},
               {0, "DICOM-Abfrage", "de"},
               {2, QString::fromUtf8("Requête Dicom"), "fr"}};
  const auto shot = [this](const std::string& file) {
    browser_->grab().save(QString::fromStdString(testing_support::ScreenshotPath(file)));
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.suffix);
    Peer archive(Established(Then(
        Query(StudyKeys(),
              {Study("M\xFCller^Hans", "CT12", "20021204", "1.2.1"),
               Study("M\xFCller^Hans", "MR07", "20030115", "1.2.2"),
               Study("H\xE9l\xE8ne^Marie", "S3", "20011201", "1.2.3", "ISO_IR 100", "19650312"),
               Study("\xC3\x86r\xC3\xB8^Bo", "S4", "20020301", "1.2.4", "ISO_IR 192", "19800704")}),
        Then(Query(SeriesKeys("1.2.1"),
                   {Series("CT", "1", "1.2.1.1"), Series("CT", "2", "1.2.1.2")}),
             Then(Query(ImageKeys("1.2.1", "1.2.1.1"),
                        {Image("1", "1.2.1.1.1"), Image("2", "1.2.1.1.2")}),
                  kRelease)))));
    Open(archive.Port(), c.language);
    EXPECT_EQ(browser_->windowTitle(), c.title);
    // It never gets smaller than its template, and every heading shows whole.
    EXPECT_EQ(browser_->minimumSize(), browser_->size());
    for (const int id : {kPatients, kStudies, kSeries, kImages}) {
      const QHeaderView* header = List(id)->header();
      for (int column = 0; column < List(id)->ColumnCount(); ++column) {
        const QString heading = List(id)->headerItem()->text(column);
        EXPECT_GT(List(id)->GetColumnWidth(column),
                  header->fontMetrics().horizontalAdvance(heading))
            << heading.toStdString();
      }
    }
    shot("browser-" + c.suffix + ".png");
    Click(kUpdate);
    EXPECT_EQ(Rows(kPatients), (std::vector<std::string>{
                                   Ansi("Müller Hans |ID01|01/01/1970"),
                                   Ansi("Hélène Marie|ID01|03/12/1965"),
                                   Ansi("Ærø Bo|ID01|07/04/1980"),
                               }));
    EXPECT_EQ(Rows(kStudies), (std::vector<std::string>{"CT12|12/04/2002", "MR07|01/15/2003"}));
    List(kStudies)->UserClickColumn(1);
    shot("browser-filled-" + c.suffix + ".png");
    vekbase::SetHostLanguage(1);
    EXPECT_EQ(request_("other-host", "104", "HOST", "ARCHIVE"), 1);
    EXPECT_EQ(Window(c.title), browser_);
    Click(platform::kIdCancel);
    EXPECT_EQ(archive.Finish(), "");
  }
  Open(1);
  Unload();
  EXPECT_EQ(Window("Dicom Request"), nullptr);
}

// A series query that fails during Update leaves the lists below empty and says so in the
// caption line; only a failed study query has a message box.
TEST_F(BrowserTest, AFailedSeriesQueryIsNotedInTheCaption) {
  Peer archive(Established(Then(Query(StudyKeys(), {Study("Doe^John", "S1", "20020105", "1.2.1")}),
                                Query(SeriesKeys("1.2.1"), {}, {Peer::Abort()}))));
  Open(archive.Port());
  Click(kUpdate);
  EXPECT_EQ(Rows(kStudies), std::vector<std::string>{"S1|01/05/2002"});
  EXPECT_TRUE(Rows(kSeries).empty());
  EXPECT_EQ(Control(6013)->property("text").toString(),
            "(the series or images could not be read from the server)");
  EXPECT_TRUE(messages_.empty());
  Click(platform::kIdCancel);
  EXPECT_EQ(archive.Finish(), "");
}

Steps Moved(std::string_view image) {
  return Move(image, {Peer::Send(MoveResponse(0xFF00)), Peer::Wait(300ms),
                      Peer::Send(MoveResponse(0x0000))});
}

// Selected image rows go to the current display and the next unprotected ones, named after the
// patient; the first failure is reported and ends the walk.
TEST_F(BrowserTest, RetrieveLoadsIntoDisplaysAndStopsAtTheFirstFailure) {
  const Steps refused =
      Move("1.2.1.1.2", {Peer::Send(MoveResponse(0x0122)), Peer::Send(MoveResponse(0x0000))});
  const Steps missing = Move("1.2.1.1.1", {Peer::Send(MoveResponse(0x0000))});
  const Steps reset = Move("1.2.1.1.1", {Peer::Abort()});
  const std::string notAnswered = "Unable to get the answer of the \"MOVE\" from the server.";
  const std::string noFile = "Unable to load the temporary file " + temporary_.string() +
                             "/tempDic.dic\nin the image buffer.";
  struct Case {
    const char* name;
    std::vector<int> rows;
    Steps moves;
    bool receiverWrites;
    std::vector<std::string> messages;
    std::vector<int> loaded;
  };
  const std::vector<Case> cases = {
      {"three images",
       {0, 1, 2},
       Then(Then(Then(Moved("1.2.1.1.1"), Moved("1.2.1.1.2")), Moved("1.2.1.1.3")), kRelease),
       true,
       {},
       {1, 3, 4}},
      {"refused second stops the third",
       {0, 1, 2},
       Then(Then(Moved("1.2.1.1.1"), refused), kRelease),
       true,
       {notAnswered},
       {1}},
      {"no temporary file", {0}, Then(missing, kRelease), false, {noFile}, {}},
      {"archive gone", {0}, reset, true, {notAnswered}, {}},
  };
  const std::filesystem::path sample = temporary_ / "sample.dcm";
  const std::filesystem::path received = temporary_ / "tempDic.dic";
  WriteImage(sample);
  auto& displays = vekbase::Displays::Instance();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (int number = 1; number <= displays.Count(); ++number)
      displays.Clear(number);
    displays.SetCurrent(1);
    displays.SetProtected(2, true);
    Peer archive(Established(Then(
        Query(StudyKeys(), {Study("M\xFCller^Hans", "S1", "20021204", "1.2.1")}),
        Then(
            Query(SeriesKeys("1.2.1"), {Series("CT", "1", "1.2.1.1")}),
            Then(Query(ImageKeys("1.2.1", "1.2.1.1"),
                       {Image("1", "1.2.1.1.1"), Image("2", "1.2.1.1.2"), Image("3", "1.2.1.1.3")}),
                 c.moves)))));
    Open(archive.Port());
    Click(kUpdate);
    // The receiver leaves each moved image before the archive's final response; the host's idle
    // processing during the wait runs this timer.
    QTimer receiver;
    QObject::connect(&receiver, &QTimer::timeout, [&] {
      if (!std::filesystem::exists(received)) std::filesystem::copy_file(sample, received);
    });
    if (c.receiverWrites) receiver.start(20);
    List(kImages)->UserClick(c.rows.front());
    for (std::size_t i = 1; i < c.rows.size(); ++i)
      List(kImages)->UserClick(c.rows[i], Qt::ControlModifier);
    Click(kRetrieve);
    receiver.stop();
    EXPECT_EQ(messages_, c.messages);
    std::vector<int> loaded;
    for (int number = 1; number <= displays.Count(); ++number) {
      const vekbase::Display* display = displays.Get(number);
      if (!display->hasImage) continue;
      loaded.push_back(number);
      EXPECT_EQ(display->name, Ansi("Müller Hans "));  // as the row shows the padded value
    }
    EXPECT_EQ(loaded, c.loaded);
    Click(platform::kIdCancel);
    EXPECT_EQ(archive.Finish(), "");
    std::filesystem::remove(received);
    displays.SetProtected(2, false);
  }
}

}  // namespace
}  // namespace browser_test
