#pragma once

#include <QRect>
#include <cstdint>

#include "browser/Records.h"
#include "host/Module.h"
#include "hostlibs/vekutil/VekSizableDlg.h"

namespace platform {
class ListView;
}

class CRequest;

namespace plugin {

// The open browser, or nullptr.
extern CRequest* Browser;

// Set before the browser selects rows itself; the next item-changed notification clears it
// instead of starting a query, and a list's focus notification does nothing until then.
extern std::int32_t SelectionSetByProgram;

}  // namespace plugin

// The query/retrieve browser: modeless and resizable, one at a time; it deletes itself when its
// window is gone. Four list views cascade: patients, their studies, a study's series and a
// series' images.
class CRequest : public CVekSizableDlg {
 public:
  CRequest();

  platform::ListView* PatientsView() const;
  platform::ListView* StudiesView() const;
  platform::ListView* SeriesView() const;
  platform::ListView* ImagesView() const;

  // Says that the archive cannot be reached and empties the four lists.
  void ReportConnectFailure();
  // Moves the selected images, in row order, into the current display and the next unprotected
  // ones; stops at the first that fails.
  void RetrieveSelectedImages();
  // Moves and loads one image; a failure is shown in a message box and returned.
  int RetrieveImage(const plugin::ImageRecord& record, std::uint16_t display);

 protected:
  bool OnInitDialog() override;
  void OnCancel() override;
  void OnDestroy() override;
  void PostNcDestroy() override;
  void OnSize(int type, int cx, int cy) override;
  bool PreTranslateKeyDown(int key, Qt::KeyboardModifiers modifiers) override;
  void OnCommand(int id) override;
  void OnNotify(int id, const platform::Notification& notification) override;

 private:
  void Update();
  void OnPatientSelected();
  void OnStudySelected();
  void OnSeriesSelected();
  void OnItemChanged(int id);
  void RunSelectionHandler(int id);
  void SortList(int id, int column);
  void DefineFilter();
  void FitColumnWidths();
  void SetRedraw(bool on);
  void EnableRetrieve();
  // Queries the series of the study behind the patient and study row texts, then the images of
  // series row 0; false when one of the queries failed.
  bool QueryLowerLevels(const char* patientText, const char* studyText);
  bool QueryImagesOfSeriesRow(int row);
  // The filter caption, with a note when an Update with a filter found nothing, or when the
  // series or images of the last refill could not be read.
  void ShowCaption(bool lowerLevelsFailed, bool nothingMatched = false);
  int ShowMessage(const char* text);

  int patientsRow_ = 0;
  int studiesRow_ = 0;
  int seriesRow_ = 0;
  QRect initialClient_;
  char filterCaption_[plugin::kTextBuffer] = "";
};
