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

namespace {

using namespace testing_support;

int exportResult = 0;

int FakeExport(const char*, const char*, const char*, const char*, const char*, int, int) {
  return exportResult;
}

TEST(SendResultTest, TheResultIsToldInTheUsersLanguage) {
  TempDir dir;
  const std::string image = dir.File("image.dcm");
  const char* script = R"(if 1:
    import sys
    from pydicom.dataset import Dataset, FileMetaDataset
    ds = Dataset(); ds.file_meta = m = FileMetaDataset()
    m.TransferSyntaxUID = "1.2.840.10008.1.2.1"
    m.MediaStorageSOPClassUID = ds.SOPClassUID = "1.2.840.10008.5.1.4.1.1.7"
    m.MediaStorageSOPInstanceUID = ds.SOPInstanceUID = "1.2.3.4"; ds.InstanceNumber = 7
    ds.is_little_endian, ds.is_implicit_VR = True, False; ds.Rows = ds.Columns = 8
    ds.SamplesPerPixel = 1; ds.PhotometricInterpretation = "MONOCHROME2"
    ds.BitsAllocated, ds.BitsStored, ds.HighBit, ds.PixelRepresentation = 8, 8, 7, 0
    ds.PixelData = bytes(range(0, 256, 4))
    ds.save_as(sys.argv[1], write_like_original=False))";
  ASSERT_EQ(RunProgram({kSystemPython, "-c", script, image}).status, 0);
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
      {Preferences::kEnglish, -2, QMessageBox::Critical,
       "No association could be established, or the duplicate check got no answer.", ""},
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
