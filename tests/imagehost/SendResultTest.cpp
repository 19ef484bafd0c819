// DICOM > Send current image tells the user what became of the image, in the host's language,
// with an icon that says how it went; pictures of the box in each language.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>

#include "hostlibs/vekbase/Displays.h"
#include "imagehost/MainWindow.h"
#include "imagehost/PluginLoader.h"
#include "imagehost/Preferences.h"
#include "support/Programs.h"
#include "support/Screenshots.h"
#include "support/SmallImage.h"

namespace {

using namespace testing_support;

int exportResult = 0;

int FakeExport(const char*, const char*, const char*, const char*, const char*, int, int) {
  return exportResult;
}

TEST(SendResultTest, TheResultIsToldInTheUsersLanguage) {
  TempDir dir;
  const std::string image = dir.File("image.dcm");
  ASSERT_TRUE(WriteSmallImage(
      image,
      {{0x00080016, "1.2.840.10008.5.1.4.1.1.7"}, {0x00080018, "1.2.3.4"}, {0x00200013, "7"}}));
  std::string error;
  ASSERT_TRUE(vekbase::Displays::Instance().Load(1, image, error)) << error;
  vekbase::Displays::Instance().SetCurrent(1);

  const struct {
    int language;
    int code;
    QMessageBox::Icon icon;
    QString text;
    std::string screenshot;
  } cases[] = {
      {Preferences::kEnglish, 0, QMessageBox::Information, "The image was stored on the archive.",
       "send-stored-en.png"},
      {Preferences::kEnglish, -5, QMessageBox::Warning,
       "The archive already holds an image with Instance Number 7 in this series; nothing was "
       "stored.",
       "send-duplicate-en.png"},
      {Preferences::kGerman, 0, QMessageBox::Information,
       "Das Bild wurde auf dem Server gespeichert.", "send-stored-de.png"},
      {Preferences::kGerman, -5, QMessageBox::Warning,
       "Der Server hat in dieser Serie bereits ein Bild mit der Instanznummer 7; es wurde "
       "nichts gespeichert.",
       "send-duplicate-de.png"},
      {Preferences::kFrench, 0, QMessageBox::Information,
       "L'image a été enregistrée sur le serveur.", "send-stored-fr.png"},
      {Preferences::kFrench, -5, QMessageBox::Warning,
       "Le serveur détient déjà une image de numéro d'instance 7 dans cette série ; rien n'a "
       "été enregistré.",
       "send-duplicate-fr.png"},
  };
  Preferences preferences;
  PluginLoader plugin;
  plugin.sendDicomImageToServer = FakeExport;
  MainWindow window(preferences, plugin);
  for (const auto& c : cases) {
    preferences.language = c.language;
    preferences.Apply();
    exportResult = c.code;
    QString shown;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    // The box is modal: it is read, pictured and closed from its own loop.
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      shown = box->text();
      icon = box->icon();
      if (!c.screenshot.empty()) box->grab().save(ScreenshotPath(c.screenshot).c_str());
      box->accept();
    });
    window.findChild<QAction*>("sendCurrentImage")->trigger();
    EXPECT_EQ(shown, c.text) << c.code;
    EXPECT_EQ(icon, c.icon) << c.code;
  }
  plugin.sendDicomImageToServer = nullptr;
  vekbase::Displays::Instance().Clear(1);
}

}  // namespace
