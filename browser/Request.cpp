#include "browser/Request.h"

#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "browser/DicomDate.h"
#include "browser/FilterDialog.h"
#include "browser/HostLists.h"
#include "browser/QueryRetrieve.h"
#include "host/DicomProgressMan.h"
#include "host/Language.h"
#include "hostlibs/vekbase/VekBase.h"
#include "net/Association.h"
#include "platform/ListView.h"
#include "platform/MessageBox.h"
#include "platform/OsServices.h"
#include "platform/WaitCursor.h"

namespace plugin {

CRequest* Browser = nullptr;
std::int32_t SelectionSetByProgram = 0;

}  // namespace plugin

namespace {

using plugin::kTextBuffer;

constexpr unsigned kBrowserTemplate = 6003;
constexpr int kFilterCaption = 6013;
constexpr int kUpdateButton = 6005;
constexpr int kRetrieveButton = 6006;
constexpr int kFilterButton = 6014;
constexpr int kPatientsList = 6009;
constexpr int kStudiesList = 6037;
constexpr int kSeriesList = 6010;
constexpr int kImagesList = 6011;
constexpr int kSeriesLabel = 6033;
constexpr int kImagesLabel = 6034;
constexpr int kRightButtons[] = {platform::kIdCancel, kUpdateButton, kRetrieveButton,
                                 kFilterButton};
constexpr int kLowerLists[] = {6038,        kStudiesList, kSeriesLabel,
                               kSeriesList, kImagesLabel, kImagesList};
constexpr int kHelpButton[] = {platform::kIdHelp};
constexpr int kKeepRight = 1;
constexpr int kKeepBottom = 2;
constexpr int kKeepBoth = 3;

constexpr unsigned kQueryText = 1021;
constexpr unsigned kRetrieveText = 1022;
constexpr unsigned kImageOfText = 1052;
constexpr unsigned kConnectFailedText = 1004;
constexpr unsigned kFindNotSentText = 1012;
constexpr unsigned kFindNotAnsweredText = 1013;
constexpr unsigned kMoveNotSentText = 1007;
constexpr unsigned kMoveNotAnsweredText = 1008;
constexpr unsigned kMoveParameterText = 1009;
constexpr unsigned kFileMissingText = 1011;
constexpr unsigned kLowerLevelsFailedText = 1044;
constexpr unsigned kNothingMatchedText = 1053;
constexpr std::uint32_t kBrowserHelp = 39601;

constexpr unsigned kFocusedSelected = platform::kStateFocused | platform::kStateSelected;

// One column of a list view. The sort direction (0 unsorted, 1 ascending, -1 descending) lives
// as long as the loaded library.
struct Column {
  unsigned heading;
  int width;
  int direction;
  bool isDate;
};

Column patientColumns[] = {{1035, 80, 0, false}, {1036, 100, 0, false}, {1037, 120, 0, true}};
Column studyColumns[] = {{1038, 80, 0, false}, {1039, 80, 0, true}};
Column seriesColumns[] = {{1040, 80, 0, false}, {1041, 80, 0, false}};
Column imageColumns[] = {{1042, 80, 0, false}};

struct ColumnTable {
  Column* columns;
  int count;
};

ColumnTable ColumnsOfList(int id) {
  switch (id) {
    case kPatientsList:
      return {patientColumns, static_cast<int>(std::size(patientColumns))};
    case kStudiesList:
      return {studyColumns, static_cast<int>(std::size(studyColumns))};
    case kSeriesList:
      return {seriesColumns, static_cast<int>(std::size(seriesColumns))};
    default:
      return {imageColumns, static_cast<int>(std::size(imageColumns))};
  }
}

// The sort compares by the level code the column click set: 3 patients, 0 studies, 1 series,
// 2 images.
int LevelOfList(int id) {
  switch (id) {
    case kPatientsList:
      return plugin::kLevelPatients;
    case kStudiesList:
      return plugin::kLevelStudy;
    case kSeriesList:
      return plugin::kLevelSeries;
    default:
      return plugin::kLevelImage;
  }
}

ColumnTable ColumnsOfLevel(int level) {
  switch (level) {
    case plugin::kLevelPatients:
      return ColumnsOfList(kPatientsList);
    case plugin::kLevelStudy:
      return ColumnsOfList(kStudiesList);
    case plugin::kLevelSeries:
      return ColumnsOfList(kSeriesList);
    default:
      return ColumnsOfList(kImagesList);
  }
}

struct SortTarget {
  const platform::ListView* list;
  int column;
};

int CompareRows(std::uint32_t itemData1, std::uint32_t itemData2, std::intptr_t parameter) {
  const auto& target = *reinterpret_cast<const SortTarget*>(parameter);
  char text1[kTextBuffer];
  char text2[kTextBuffer];
  target.list->GetItemText(target.list->FindItemByData(itemData1), target.column, text1,
                           sizeof text1);
  target.list->GetItemText(target.list->FindItemByData(itemData2), target.column, text2,
                           sizeof text2);
  const Column& column = ColumnsOfLevel(plugin::CurrentLevel).columns[target.column];
  int result = 0;
  if (column.isDate) {
    char date1[kTextBuffer];
    char date2[kTextBuffer];
    plugin::ParseDisplayDate(text1, date1);
    plugin::ParseDisplayDate(text2, date2);
    result = std::strcmp(date1, date2);
  } else {
    result = std::strcmp(text1, text2);
  }
  return column.direction == -1 ? -result : result;
}

// "image 3 of 12" in the progress dialog's second line.
void ShowImageCount(int image, int images) {
  char number[kTextBuffer];
  char total[kTextBuffer];
  platform::FormatCount(static_cast<unsigned>(image), number, sizeof number);
  platform::FormatCount(static_cast<unsigned>(images), total, sizeof total);
  std::string text = plugin::LoadLocalizedString(kImageOfText);
  for (const char* value : {number, total}) {
    if (const std::size_t at = text.find("%s"); at != std::string::npos) text.replace(at, 2, value);
  }
  plugin::ShowProgressCount(text.c_str());
}

void SelectFirstRow(platform::ListView* list) {
  if (list != nullptr && list->GetItemCount() > 0)
    list->SetItemState(0, kFocusedSelected, kFocusedSelected);
}

void RecreateList(LisHandle& list) {
  if (list != nullptr) lisDestroy(&list);
  list = lisCreate(256);
}

// The frame of a refill: one progress dialog for all its queries, whose own progress objects
// neither become current nor show. The browser is busy before the dialog shows, since showing it
// moves the focus, and a focus notification must not start a second refill inside this one.
class BusyScope {
 public:
  explicit BusyScope(unsigned text = kQueryText)
      : progress_(std::in_place, plugin::kProgressTemplate, nullptr) {
    plugin::QueryBusy = 1;
    plugin::BeginProgressText(text);
  }
  ~BusyScope() {
    plugin::QueryBusy = 0;
    progress_.reset();
  }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  std::optional<CDicomProgressMan> progress_;
};

}  // namespace

CRequest::CRequest() : CVekSizableDlg(plugin::LocalizedId(kBrowserTemplate), nullptr) {}

platform::ListView* CRequest::PatientsView() const {
  return ListViewItem(kPatientsList);
}
platform::ListView* CRequest::StudiesView() const {
  return ListViewItem(kStudiesList);
}
platform::ListView* CRequest::SeriesView() const {
  return ListViewItem(kSeriesList);
}
platform::ListView* CRequest::ImagesView() const {
  return ListViewItem(kImagesList);
}

bool CRequest::OnInitDialog() {
  plugin::BrowserWindow = Window();
  initialClient_ = ClientRect();
  SetSizeItem(kPatientsList);
  SetMoveItems(kRightButtons, static_cast<int>(std::size(kRightButtons)), kKeepRight);
  SetMoveItems(kLowerLists, static_cast<int>(std::size(kLowerLists)), kKeepBottom);
  SetMoveItems(kHelpButton, 1, kKeepBoth);
  const bool placeFocus = CVekSizableDlg::OnInitDialog();
  for (const int id : {kPatientsList, kStudiesList, kSeriesList, kImagesList}) {
    platform::ListView* list = ListViewItem(id);
    if (list == nullptr) continue;
    list->SetExtendedStyle(list->GetExtendedStyle() | platform::ListView::kFullRowSelect |
                           platform::ListView::kLabelTip);
    // The widths were made for the English headings; a longer one widens its column.
    const ColumnTable table = ColumnsOfList(id);
    for (int column = 0; column < table.count; ++column) {
      list->InsertColumn(column, plugin::LoadLocalizedString(table.columns[column].heading),
                         table.columns[column].width);
      list->SetColumnWidth(column,
                           std::max(table.columns[column].width, list->HeadingWidth(column)));
    }
  }
  // The one column of the images list fills what its border and scroll bar leave.
  if (platform::ListView* images = ImagesView()) images->FitColumnToView(0);
  FitColumnWidths();
  // Smaller than the template, the labels overlap and the lists vanish.
  Window()->setMinimumSize(Window()->size());
  plugin::CurrentFilterCaption(filterCaption_);
  ShowCaption(false);
  patientsRow_ = studiesRow_ = seriesRow_ = 0;
  return placeFocus;
}

void CRequest::FitColumnWidths() {
  const auto fit = [this](int id, int spare) {
    platform::ListView* list = ListViewItem(id);
    if (list == nullptr) return;
    int width = ItemRect(id).width() - spare;
    for (int column = 1; column < list->ColumnCount(); ++column)
      width -= list->GetColumnWidth(column);
    list->SetColumnWidth(0, std::max(width, list->HeadingWidth(0)));
  };
  fit(kPatientsList, 6);
  fit(kStudiesList, 6);
  fit(kSeriesList, 6);
}

// The base places its items from the layout it found at initialisation on every resize, so the
// lower lists' share of the width is worked out from there as well: any number of resizes ends
// where a single one would.
void CRequest::OnSize(int type, int cx, int cy) {
  if (Item(kPatientsList) == nullptr) return;
  CVekSizableDlg::OnSize(type, cx, cy);
  if (type == platform::kSizeMinimized) return;
  const int grown = cx - initialClient_.width();
  int half1 = grown / 2;
  int half2 = grown - half1;
  if (std::abs(half2) > std::abs(half1)) std::swap(half1, half2);
  QRect studies = ItemRect(kStudiesList);
  studies.setWidth(studies.width() + half1);
  Dialog::MoveItem(kStudiesList, studies);
  QRect series = ItemRect(kSeriesList);
  series.translate(half1, 0);
  series.setWidth(series.width() + half2);
  Dialog::MoveItem(kSeriesList, series);
  Dialog::MoveItem(kImagesList, ItemRect(kImagesList).translated(grown, 0));
  Dialog::MoveItem(kSeriesLabel, ItemRect(kSeriesLabel).translated(half1, 0));
  Dialog::MoveItem(kImagesLabel, ItemRect(kImagesLabel).translated(grown, 0));
  FitColumnWidths();
}

bool CRequest::PreTranslateKeyDown(int key, Qt::KeyboardModifiers /*modifiers*/) {
  if (key != Qt::Key_A || platform::GetKeyState(platform::kVkControl) >= 0) return false;
  if (platform::ListView* images = ImagesView()) {
    images->SetItemState(-1, platform::kStateSelected, platform::kStateSelected);
  }
  return true;
}

void CRequest::OnCommand(int id) {
  switch (id) {
    case kUpdateButton:
      Update();
      break;
    case kRetrieveButton:
      RetrieveSelectedImages();
      break;
    case kFilterButton:
      DefineFilter();
      break;
    case platform::kIdHelp:
      ShowHelp(1, kBrowserHelp);
      break;
    default:
      break;
  }
}

void CRequest::OnNotify(int id, const platform::Notification& notification) {
  using Code = platform::Notification::Code;
  const bool cascading = id == kPatientsList || id == kStudiesList || id == kSeriesList;
  switch (notification.code) {
    case Code::Click:
      if (cascading) RunSelectionHandler(id);
      break;
    case Code::SetFocus:
      if (cascading && plugin::SelectionSetByProgram == 0) RunSelectionHandler(id);
      break;
    case Code::ItemChanged:
      if (cascading) OnItemChanged(id);
      break;
    case Code::ColumnClick:
      SortList(id, notification.column);
      break;
    default:
      break;
  }
}

void CRequest::RunSelectionHandler(int id) {
  if (id == kPatientsList) {
    OnPatientSelected();
  } else if (id == kStudiesList) {
    OnStudySelected();
  } else {
    OnSeriesSelected();
  }
}

// A row can keep the focus while losing its selection; it is selected again, so that the list
// always shows the row whose levels below are listed.
void CRequest::OnItemChanged(int id) {
  platform::ListView* list = ListViewItem(id);
  if (list == nullptr) return;
  for (int row = 0; row < list->GetItemCount(); ++row) {
    if (list->GetItemState(row, kFocusedSelected) == platform::kStateFocused) {
      list->SetItemState(row, platform::kStateSelected, platform::kStateSelected);
    }
  }
  if (plugin::SelectionSetByProgram != 0) {
    plugin::SelectionSetByProgram = 0;
    return;
  }
  RunSelectionHandler(id);
}

void CRequest::SetRedraw(bool on) {
  for (platform::ListView* list : {PatientsView(), StudiesView(), SeriesView(), ImagesView()}) {
    if (list != nullptr) list->SetRedraw(on);
  }
}

void CRequest::EnableRetrieve() {
  const platform::ListView* images = ImagesView();
  EnableItem(kRetrieveButton, images != nullptr && images->GetItemCount() > 0);
}

void CRequest::ShowCaption(bool lowerLevelsFailed, bool nothingMatched) {
  std::string caption = filterCaption_;
  for (const auto& [shown, text] : {std::pair{nothingMatched, kNothingMatchedText},
                                    {lowerLevelsFailed, kLowerLevelsFailedText}}) {
    if (!shown) continue;
    if (!caption.empty()) caption += "   ";
    caption += plugin::LoadLocalizedString(text);
  }
  SetItemText(kFilterCaption, caption.c_str());
}

int CRequest::ShowMessage(const char* text) {
  return platform::MessageBox(Window(), text, plugin::MessageCaption,
                              platform::kMbOk | platform::kMbIconStop);
}

bool CRequest::QueryImagesOfSeriesRow(int row) {
  platform::ListView* series = SeriesView();
  char modality[kTextBuffer] = "";
  char number[kTextBuffer] = "";
  if (series == nullptr || row < 0 || row >= series->GetItemCount()) return true;
  series->GetItemText(row, 0, modality, sizeof modality);
  series->GetItemText(row, 1, number, sizeof number);
  char studyUid[kTextBuffer];
  char seriesUid[kTextBuffer];
  plugin::CurrentLevel = plugin::kLevelImage;
  if (plugin::FindRecordForRow(1, modality, number, studyUid, seriesUid) == 0) return true;
  const int result = plugin::QueryServer(plugin::kLevelImage, studyUid, seriesUid);
  return result == plugin::kSuccess || result == plugin::kCancelled;
}

bool CRequest::QueryLowerLevels(const char* patientText, const char* studyText) {
  char studyUid[kTextBuffer];
  char unused[kTextBuffer];
  plugin::CurrentLevel = plugin::kLevelSeries;
  bool answered = true;
  if (plugin::FindRecordForRow(0, patientText, studyText, studyUid, unused) != 0) {
    const int result = plugin::QueryServer(plugin::kLevelSeries, studyUid, nullptr);
    // A cancelled refill stops where the user stopped it, and that is no failure.
    if (result == plugin::kCancelled) return true;
    answered = result == plugin::kSuccess;
  }
  return QueryImagesOfSeriesRow(0) && answered;
}

// The series and image queries of a refill used to fail silently, leaving the lists below empty
// with no word why; the caption line now says so until the next refill succeeds.
void CRequest::Update() {
  platform::WaitCursor waiting;
  SetRedraw(false);
  const int connected = plugin::SharedAssociation().StillConnected()
                            ? plugin::kSuccess
                            : plugin::ConnectToServer(plugin::ConnectionSettings.host,
                                                      plugin::ConnectionSettings.port,
                                                      plugin::ConnectionSettings.callingAeTitle,
                                                      plugin::ConnectionSettings.calledAeTitle);
  if (connected == plugin::kSuccess) {
    for (platform::ListView* list : {PatientsView(), StudiesView(), SeriesView(), ImagesView()}) {
      if (list != nullptr) list->DeleteAllItems();
    }
    BusyScope busy;
    plugin::SelectionSetByProgram = 1;
    RecreateList(plugin::StudyList);
    RecreateList(plugin::SeriesList);
    RecreateList(plugin::ImageList);
    plugin::CurrentLevel = plugin::kLevelStudy;
    const int result = plugin::QueryServer(
        plugin::kLevelStudy,
        plugin::FilterType != plugin::kFilterNone ? plugin::FilterValue : nullptr, nullptr);
    bool lowerLevelsAnswered = true;
    bool nothingMatched = false;
    if (result == plugin::kCancelled) {
      // The rows that arrived stay; nothing more is asked.
    } else if (result == plugin::kSuccess) {
      nothingMatched =
          plugin::FilterType != plugin::kFilterNone && PatientsView()->GetItemCount() == 0;
      const std::string patient = PatientsView()->ItemText(0, 0);
      const std::string study = StudiesView()->ItemText(0, 0);
      lowerLevelsAnswered = QueryLowerLevels(patient.c_str(), study.c_str());
    } else {
      char text[kTextBuffer];
      plugin::CopyText(
          text, plugin::LoadLocalizedString(result == plugin::kNotSent ? kFindNotSentText
                                                                       : kFindNotAnsweredText));
      ShowMessage(text);
    }
    ShowCaption(!lowerLevelsAnswered, nothingMatched);
    SetItemFocus(kPatientsList);
    for (platform::ListView* list : {PatientsView(), StudiesView(), SeriesView(), ImagesView()})
      SelectFirstRow(list);
    patientsRow_ = studiesRow_ = seriesRow_ = 0;
  } else if (connected != plugin::kCancelled) {
    ReportConnectFailure();
  }
  SetRedraw(true);
  EnableRetrieve();
}

void CRequest::OnPatientSelected() {
  platform::ListView* patients = PatientsView();
  if (patients == nullptr) return;
  const int mark = patients->GetSelectionMark();
  if (plugin::QueryBusy != 0) return;
  SetRedraw(false);
  if (mark != -1 && mark != patientsRow_) {
    BusyScope busy;
    patientsRow_ = mark;
    StudiesView()->DeleteAllItems();
    SeriesView()->DeleteAllItems();
    ImagesView()->DeleteAllItems();
    RecreateList(plugin::SeriesList);
    RecreateList(plugin::ImageList);
    const std::string patient = patients->ItemText(mark, 0);
    plugin::RowCounters.study = 0;
    const std::uint32_t count =
        plugin::StudyList != nullptr ? lisGetElementCount(plugin::StudyList) : 0;
    for (std::uint32_t i = 0; i < count; ++i) {
      const auto* record =
          static_cast<const plugin::StudyRecord*>(lisGetPointerToElement(plugin::StudyList, i));
      char name[kTextBuffer];
      plugin::StudyPatientName(*record, name);
      if (std::strncmp(patient.c_str(), name, std::strlen(name)) == 0) {
        plugin::InsertStudyRow(*record);
      }
    }
    const std::string study = StudiesView()->ItemText(0, 0);
    const bool answered = QueryLowerLevels(patient.c_str(), study.c_str());
    ShowCaption(!answered);
    plugin::SelectionSetByProgram = 1;
    SelectFirstRow(StudiesView());
    SelectFirstRow(SeriesView());
    SelectFirstRow(ImagesView());
    studiesRow_ = seriesRow_ = 0;
  }
  SetRedraw(true);
  EnableRetrieve();
}

void CRequest::OnStudySelected() {
  platform::ListView* patients = PatientsView();
  platform::ListView* studies = StudiesView();
  if (patients == nullptr || studies == nullptr) return;
  const int patientMark = patients->GetSelectionMark();
  const int mark = studies->GetSelectionMark();
  if (plugin::QueryBusy != 0) return;
  SetRedraw(false);
  if (mark != -1 && mark != studiesRow_) {
    BusyScope busy;
    studiesRow_ = mark;
    SeriesView()->DeleteAllItems();
    ImagesView()->DeleteAllItems();
    RecreateList(plugin::SeriesList);
    RecreateList(plugin::ImageList);
    const std::string patient = patients->ItemText(patientMark, 0);
    const std::string study = studies->ItemText(mark, 0);
    const bool answered = QueryLowerLevels(patient.c_str(), study.c_str());
    ShowCaption(!answered);
    plugin::SelectionSetByProgram = 1;
    SelectFirstRow(SeriesView());
    SelectFirstRow(ImagesView());
    seriesRow_ = 0;
  }
  SetRedraw(true);
  EnableRetrieve();
}

void CRequest::OnSeriesSelected() {
  platform::ListView* series = SeriesView();
  if (series == nullptr) return;
  const int mark = series->GetSelectionMark();
  if (plugin::QueryBusy != 0) return;
  SetRedraw(false);
  if (mark != -1 && mark != seriesRow_) {
    BusyScope busy;
    seriesRow_ = mark;
    ImagesView()->DeleteAllItems();
    RecreateList(plugin::ImageList);
    ShowCaption(!QueryImagesOfSeriesRow(mark));
    plugin::SelectionSetByProgram = 1;
    SelectFirstRow(ImagesView());
  }
  SetRedraw(true);
  EnableRetrieve();
}

void CRequest::SortList(int id, int column) {
  platform::ListView* list = ListViewItem(id);
  const ColumnTable table = ColumnsOfList(id);
  if (list == nullptr || column < 0 || column >= table.count) return;
  int& direction = table.columns[column].direction;
  direction = direction == 0 ? 1 : -direction;
  plugin::CurrentLevel = LevelOfList(id);
  const SortTarget target{list, column};
  list->SortItems(CompareRows, reinterpret_cast<std::intptr_t>(&target));
  list->SetSortIndicator(column, direction == 1);
  if (id == kPatientsList) patientsRow_ = list->GetSelectionMark();
  if (id == kStudiesList) studiesRow_ = list->GetSelectionMark();
  if (id == kSeriesList) seriesRow_ = list->GetSelectionMark();
}

void CRequest::DefineFilter() {
  CFilterDlg dialog;
  if (dialog.DoModal() == 0) platform::FrameworkMessageBox("Error creating Dialog");
  plugin::FilterCaption(filterCaption_);
  ShowCaption(false);
}

void CRequest::ReportConnectFailure() {
  char text[kTextBuffer];
  plugin::CopyText(text, plugin::LoadLocalizedString(kConnectFailedText));
  ShowMessage(text);
  for (platform::ListView* list : {PatientsView(), StudiesView(), SeriesView(), ImagesView()}) {
    if (list != nullptr) list->DeleteAllItems();
  }
}

// One progress dialog for all the images, which counts them and whose Cancel stops the walk.
void CRequest::RetrieveSelectedImages() {
  platform::WaitCursor waiting;
  std::uint16_t display = opGetDisplay();
  if (!plugin::SharedAssociation().StillConnected()) {
    const int result = plugin::ConnectToServer(
        plugin::ConnectionSettings.host, plugin::ConnectionSettings.port,
        plugin::ConnectionSettings.callingAeTitle, plugin::ConnectionSettings.calledAeTitle);
    if (result != plugin::kSuccess) {
      if (result != plugin::kCancelled) ReportConnectFailure();
      return;
    }
  }
  platform::ListView* images = ImagesView();
  if (images == nullptr || plugin::ImageList == nullptr) return;
  const std::uint32_t count = lisGetElementCount(plugin::ImageList);
  const std::vector<int> rows = images->SelectedRows();
  if (rows.empty()) return;
  BusyScope busy(kRetrieveText);
  int done = 0;
  for (const int row : rows) {
    ShowImageCount(++done, static_cast<int>(rows.size()));
    char text[kTextBuffer];
    int length = images->GetItemText(row, 0, text, sizeof text - 1);
    // The record holds the value with its padding to even length.
    if (length % 2 != 0) {
      text[length++] = ' ';
      text[length] = '\0';
    }
    const plugin::ImageRecord* found = nullptr;
    for (std::uint32_t i = 0; i < count && found == nullptr; ++i) {
      const auto* record =
          static_cast<const plugin::ImageRecord*>(lisGetPointerToElement(plugin::ImageList, i));
      if (std::strcmp(record->instanceNumber, text) == 0) found = record;
    }
    // A row without its record (its list was replaced meanwhile) is passed over.
    if (found == nullptr) continue;
    if (RetrieveImage(*found, display) != plugin::kSuccess) break;
    display = imgGetNextUnprotected(display, 0);
  }
}

int CRequest::RetrieveImage(const plugin::ImageRecord& record, std::uint16_t display) {
  if (!plugin::SharedAssociation().StillConnected()) {
    const int result = plugin::ConnectToServer(
        plugin::ConnectionSettings.host, plugin::ConnectionSettings.port,
        plugin::ConnectionSettings.callingAeTitle, plugin::ConnectionSettings.calledAeTitle);
    if (result == plugin::kCancelled) return result;
    if (result != plugin::kSuccess) {
      ReportConnectFailure();
      return plugin::kNotAnswered;
    }
  }
  const int result = plugin::MoveAndLoadImage(display, record.sopInstanceUid,
                                              record.studyInstanceUid, record.seriesInstanceUid);
  if (result == plugin::kSuccess || result == plugin::kCancelled) return result;
  unsigned id = kMoveNotAnsweredText;
  if (result == plugin::kNotSent) id = kMoveNotSentText;
  if (result == plugin::kMissingParameter) id = kMoveParameterText;
  if (result == plugin::kFileMissing) id = kFileMissingText;
  std::string message = plugin::LoadLocalizedString(id);
  // The path goes in as text, never as a format: a directory name may hold a '%'.
  if (const std::size_t at = message.find("%s");
      result == plugin::kFileMissing && at != std::string::npos) {
    char path[kTextBuffer];
    plugin::TemporaryFilePath(path);
    message.replace(at, 2, path);
  }
  ShowMessage(message.c_str());
  return result;
}

void CRequest::OnCancel() {
  DestroyWindow();
}

void CRequest::OnDestroy() {
  if (plugin::SharedAssociation().IsConnected()) plugin::SharedAssociation().Release();
  plugin::Browser = nullptr;
  plugin::BrowserWindow = nullptr;
  plugin::DestroyHostLists();
  CVekSizableDlg::OnDestroy();
  plugin::BrowserOpen = 0;
}

void CRequest::PostNcDestroy() {
  delete this;
}
