#pragma once

#include <QMainWindow>
#include <array>

#include "hostlibs/vekbase/Displays.h"

class DisplayView;
class PluginLoader;
class Preferences;
class QAction;
class QActionGroup;
class QMdiArea;
class QMdiSubWindow;
class QMenu;

// The host's main window: the image displays as windows of an MDI area (the active one is the
// current display), and the menus that reach the preferences and the plug-in.
//
// A display's window shows while it holds an image or is the current display, so the user
// always sees where File > Open goes; the shown windows are tiled. The Display menu offers the
// displays in use. The main window owns the windows of the dialog layer and the help window.
class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  MainWindow(Preferences& preferences, PluginLoader& plugin);
  ~MainWindow() override;

 protected:
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateMenus();
  void Retranslate();
  void Tile();
  void DisplayChanged(int number);
  void SubWindowActivated(QMdiSubWindow* window);
  void Open();
  void EditPreferences();
  void ToggleProtection(bool isProtected);
  void QueryRetrieve();
  void SendCurrentImage();
  void About();
  void Message(const QString& text, bool error);
  void DisplayReused(int number);

  Preferences& preferences_;
  PluginLoader& plugin_;
  QMdiArea* area_;
  std::array<QMdiSubWindow*, vekbase::kMaxDisplays> windows_{};
  std::array<DisplayView*, vekbase::kMaxDisplays> views_{};
  QMenu* file_ = nullptr;
  QAction* open_ = nullptr;
  QAction* preferencesAction_ = nullptr;
  QAction* quit_ = nullptr;
  QMenu* display_ = nullptr;
  QAction* protect_ = nullptr;
  QActionGroup* displayChoice_ = nullptr;
  QMenu* dicom_ = nullptr;
  QAction* queryRetrieve_ = nullptr;
  QAction* send_ = nullptr;
  QMenu* help_ = nullptr;
  QAction* contents_ = nullptr;
  QAction* about_ = nullptr;
  bool syncing_ = false;
};
