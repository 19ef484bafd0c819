#include "imagehost/MainWindow.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <vector>

#include "Version.h"
#include "hostlibs/vekbase/Displays.h"
#include "hostlibs/vekutil/VekUtil.h"
#include "imagehost/DisplayView.h"
#include "imagehost/PluginLoader.h"
#include "imagehost/Preferences.h"
#include "imagehost/PreferencesDialog.h"
#include "platform/Ansi.h"
#include "platform/MessageBox.h"
#include "platform/OwnerWindow.h"

namespace {

vekbase::Displays& displays() {
  return vekbase::Displays::Instance();
}

// The help context of the host's own help contents.
constexpr std::uint32_t kHelpContents = 39600;

}  // namespace

MainWindow::MainWindow(Preferences& preferences, PluginLoader& plugin)
    : preferences_(preferences), plugin_(plugin), area_(new QMdiArea(this)) {
  setWindowTitle("imagehost");
  area_->setBackground(QColor(0x3c, 0x3f, 0x41));
  setCentralWidget(area_);
  // There from the start, so that the first message does not change the displays' size.
  statusBar();
  area_->viewport()->installEventFilter(this);
  for (int i = 0; i < vekbase::kMaxDisplays; ++i) {
    views_[i] = new DisplayView(i + 1, nullptr);
    // Displays cannot be closed or maximised: they stay, and a maximised one would change the
    // main window's title, by which macros find it.
    windows_[i] = area_->addSubWindow(views_[i], Qt::SubWindow | Qt::WindowTitleHint);
    windows_[i]->hide();
  }
  CreateMenus();
  connect(area_, &QMdiArea::subWindowActivated, this, &MainWindow::SubWindowActivated);
  displays().SetListener([this](int number) { DisplayChanged(number); });
  displays().SetReuseListener([this](int number) { DisplayReused(number); });
  DisplayChanged(displays().Current());
  resize(1000, 700);
  platform::SetHostWindow(this);
}

// The MDI area goes after this object and still signals while its windows go.
MainWindow::~MainWindow() {
  if (platform::HostWindow() == this) platform::SetHostWindow(nullptr);
  displays().SetListener({});
  displays().SetReuseListener({});
  area_->viewport()->removeEventFilter(this);
  area_->disconnect(this);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // The plug-in's windows are top-level windows of their own; closing the host ends them too.
  event->accept();
  QCoreApplication::quit();
}

// The displays stay tiled as the window changes size.
bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == area_->viewport() && event->type() == QEvent::Resize) Tile();
  return QMainWindow::eventFilter(watched, event);
}

// In a grid, in the order of the display numbers, which the MDI area's own tiling does not keep.
void MainWindow::Tile() {
  std::vector<QMdiSubWindow*> shown;
  for (QMdiSubWindow* window : windows_)
    if (!window->isHidden()) shown.push_back(window);
  const int count = static_cast<int>(shown.size());
  int columns = 1;
  while (columns * columns < count)
    ++columns;
  const int rows = count == 0 ? 1 : (count + columns - 1) / columns;
  const QSize area = area_->viewport()->size();
  for (int i = 0; i < count; ++i) {
    const int column = i % columns;
    const int row = i / columns;
    const QPoint topLeft(area.width() * column / columns, area.height() * row / rows);
    const QPoint bottomRight(area.width() * (column + 1) / columns,
                             area.height() * (row + 1) / rows);
    shown[static_cast<std::size_t>(i)]->setGeometry(QRect(topLeft, bottomRight - QPoint(1, 1)));
  }
}

// The texts are set by Retranslate, here and at every change of language.
void MainWindow::CreateMenus() {
  file_ = menuBar()->addMenu(QString());
  open_ = file_->addAction(QString(), QKeySequence::Open, this, &MainWindow::Open);
  preferencesAction_ = file_->addAction(QString(), this, &MainWindow::EditPreferences);
  file_->addSeparator();
  quit_ = file_->addAction(QString(), QKeySequence::Quit, this, &MainWindow::close);

  display_ = menuBar()->addMenu(QString());
  protect_ = display_->addAction(QString());
  protect_->setCheckable(true);
  connect(protect_, &QAction::triggered, this, &MainWindow::ToggleProtection);
  display_->addSeparator();
  displayChoice_ = new QActionGroup(this);
  for (int number = 1; number <= vekbase::kMaxDisplays; ++number) {
    QAction* choice = display_->addAction(QString());
    choice->setCheckable(true);
    choice->setData(number);
    displayChoice_->addAction(choice);
    connect(choice, &QAction::triggered, this, [number] { displays().SetCurrent(number); });
  }

  dicom_ = menuBar()->addMenu(QString());
  queryRetrieve_ = dicom_->addAction(QString(), this, &MainWindow::QueryRetrieve);
  queryRetrieve_->setEnabled(plugin_.dicomRequest != nullptr);
  send_ = dicom_->addAction(QString(), this, &MainWindow::SendCurrentImage);
  send_->setObjectName("sendCurrentImage");
  send_->setEnabled(plugin_.sendDicomImageToServer != nullptr);

  help_ = menuBar()->addMenu(QString());
  contents_ = help_->addAction(QString(), QKeySequence::HelpContents, this,
                               [] { ShowHelp(1, kHelpContents); });
  about_ = help_->addAction(QString(), this, &MainWindow::About);
  Retranslate();
}

void MainWindow::Retranslate() {
  file_->setTitle(tr("&File"));
  open_->setText(tr("&Open..."));
  preferencesAction_->setText(tr("&Preferences..."));
  quit_->setText(tr("&Quit"));
  display_->setTitle(tr("&Display"));
  protect_->setText(tr("&Protect"));
  for (QAction* choice : displayChoice_->actions())
    choice->setText(tr("Display &%1").arg(choice->data().toInt()));
  dicom_->setTitle(tr("D&ICOM"));
  queryRetrieve_->setText(tr("&Query/Retrieve..."));
  send_->setText(tr("&Send current image"));
  help_->setTitle(tr("&Help"));
  contents_->setText(tr("&Contents"));
  about_->setText(tr("&About imagehost"));
}

void MainWindow::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LanguageChange) {
    Retranslate();
    // The displays' titles too.
    DisplayChanged(displays().Current());
  }
  QMainWindow::changeEvent(event);
}

// Any change may show or hide windows, so every display is brought up to date; there are few.
// A window that shows or hides here may become active in the MDI area; the current display stays
// the user's choice all the same, so that the next image does not go where the last one went.
void MainWindow::DisplayChanged(int) {
  const int current = displays().Current();
  const int count = displays().Count();
  syncing_ = true;
  bool shownOrHidden = false;
  for (int i = 0; i < vekbase::kMaxDisplays; ++i) {
    const vekbase::Display* display = displays().Get(i + 1);
    const bool show = display->hasImage || i + 1 == current;
    if (show == windows_[i]->isHidden()) {
      windows_[i]->setVisible(show);
      shownOrHidden = true;
    }
    windows_[i]->setWindowTitle(views_[i]->Title());
    views_[i]->update();
  }
  const vekbase::Display* currentDisplay = displays().Get(current);
  protect_->setChecked(currentDisplay != nullptr && currentDisplay->isProtected);
  protect_->setEnabled(currentDisplay != nullptr && currentDisplay->hasImage);
  for (QAction* choice : displayChoice_->actions()) {
    choice->setChecked(choice->data().toInt() == current);
    choice->setVisible(choice->data().toInt() <= count);
  }
  if (shownOrHidden) Tile();
  if (current >= 1 && current <= vekbase::kMaxDisplays &&
      area_->activeSubWindow() != windows_[current - 1]) {
    area_->setActiveSubWindow(windows_[current - 1]);
  }
  syncing_ = false;
}

void MainWindow::SubWindowActivated(QMdiSubWindow* window) {
  if (syncing_ || window == nullptr) return;
  const auto view = qobject_cast<DisplayView*>(window->widget());
  if (view != nullptr && view->Number() != displays().Current())
    displays().SetCurrent(view->Number());
}

void MainWindow::Open() {
  const QString path = QFileDialog::getOpenFileName(
      this, tr("Open image"), QString(), tr("DICOM files (*.dcm *.dic *);;All files (*)"));
  if (path.isEmpty()) return;
  std::string error;
  if (!displays().Load(displays().Current(), path.toStdString(), error))
    Message(tr("%1 could not be opened: %2").arg(path, QString::fromStdString(error)), true);
}

void MainWindow::EditPreferences() {
  PreferencesDialog dialog(preferences_, this);
  dialog.exec();
}

void MainWindow::ToggleProtection(bool isProtected) {
  displays().SetProtected(displays().Current(), isProtected);
}

void MainWindow::QueryRetrieve() {
  if (plugin_.dicomRequest == nullptr) return;
  const Preferences& p = preferences_;
  plugin_.dicomRequest(
      platform::ToAnsi(p.archiveHost).c_str(), std::to_string(p.archivePort).c_str(),
      platform::ToAnsi(p.callingAeTitle).c_str(), platform::ToAnsi(p.calledAeTitle).c_str());
}

void MainWindow::SendCurrentImage() {
  if (plugin_.sendDicomImageToServer == nullptr) return;
  const vekbase::Display* display = displays().Get(displays().Current());
  if (display == nullptr || !display->hasImage || display->File().empty()) {
    Message(tr("The current display holds no image read from a file."), true);
    return;
  }
  const Preferences& p = preferences_;
  const int code = plugin_.sendDicomImageToServer(
      display->File().c_str(), platform::ToAnsi(p.archiveHost).c_str(),
      std::to_string(p.archivePort).c_str(), platform::ToAnsi(p.callingAeTitle).c_str(),
      platform::ToAnsi(p.calledAeTitle).c_str(), 0, p.checkDuplicate);
  const SendResultMessage result =
      DescribeSendResult(code, QString::fromStdString(display->instanceNumber));
  platform::MessageBox(this, platform::ToAnsi(result.text).c_str(), "imagehost",
                       platform::kMbOk | result.icon);
}

void MainWindow::About() {
  Message(tr("imagehost %1\n\n"
             "imagehost shows up to %2 image displays and hosts the DICOM plug-in.\n"
             "Its macro language runs with --macro FILE or -e LINES.\n\n"
             "Licensed under the Apache License 2.0.\n\n"
             "It uses these libraries under their own licences:\n"
             "Qt: GNU LGPL 3\n"
             "libjpeg-turbo: IJG and BSD-style licences\n"
             "CharLS: BSD 3-clause licence\n"
             "OpenJPEG: BSD 2-clause licence\n"
             "zlib: zlib licence\n"
             "OpenSSL: Apache License 2.0")
              .arg(kProductVersion)
              .arg(vekbase::kMaxDisplays),
          false);
}

// The plug-in retrieved more images than there are displays: the user hears which one was given
// up.
void MainWindow::DisplayReused(int number) {
  statusBar()->showMessage(
      tr("All %1 displays are in use: display %2, loaded longest ago, now shows the new image.")
          .arg(vekbase::kMaxDisplays)
          .arg(number));
}

void MainWindow::Message(const QString& text, bool error) {
  platform::MessageBox(this, platform::ToAnsi(text).c_str(), "imagehost",
                       platform::kMbOk | (error ? platform::kMbIconStop : 0));
}
