// The host speaks the language of its preferences at once: the main window's menus and displays,
// and the preferences dialog with Qt's own buttons, from the translations beside the program.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include "imagehost/MainWindow.h"
#include "imagehost/PluginLoader.h"
#include "imagehost/PreferencesDialog.h"
#include "support/Screenshots.h"

namespace {

std::string Texts(const QList<QAction*>& actions) {
  QStringList texts;
  for (const QAction* action : actions)
    if (!action->isSeparator()) texts << action->text();
  return texts.join('|').toStdString();
}

// The window with its File menu open, which a grab of the window alone leaves out.
QPixmap WithFileMenu(MainWindow& window) {
  QAction* file = window.menuBar()->actions().first();
  file->menu()->popup(
      window.menuBar()->mapToGlobal(window.menuBar()->actionGeometry(file).bottomLeft()));
  QPixmap shot = window.grab();
  QPainter painter(&shot);
  painter.drawPixmap(window.mapFromGlobal(file->menu()->pos()), file->menu()->grab());
  file->menu()->hide();
  return shot;
}

TEST(LanguageTest, TheHostFollowsThePreferredLanguage) {
  const struct {
    int language;
    QStringList menus;
    QStringList fileMenu;
    std::string display;
    QString languageLabel;
    std::string cancel;
    const char* screenshot;
  } cases[] = {
      {Preferences::kGerman,
       {"&Datei", "&Anzeige", "D&ICOM", "&Hilfe"},
       {"Ö&ffnen...", "&Einstellungen...", "&Beenden"},
       "leer",
       "&Sprache:",
       "Abbrechen",
       "-de"},
      {Preferences::kFrench,
       {"&Fichier", "&Affichage", "D&ICOM", "Ai&de"},
       {"&Ouvrir...", "&Préférences...", "&Quitter"},
       "vide",
       "&Langue :",
       "Annuler",
       "-fr"},
      {Preferences::kEnglish,
       {"&File", "&Display", "D&ICOM", "&Help"},
       {"&Open...", "&Preferences...", "&Quit"},
       "empty",
       "&Language:",
       "Cancel",
       nullptr},
  };
  Preferences preferences;
  PluginLoader plugin;
  MainWindow window(preferences, plugin);
  window.resize(640, 420);
  window.show();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.language);
    preferences.language = c.language;
    preferences.Apply();
    QCoreApplication::processEvents();
    EXPECT_EQ(Texts(window.menuBar()->actions()), c.menus.join('|').toStdString());
    EXPECT_EQ(Texts(window.menuBar()->actions().first()->menu()->actions()),
              c.fileMenu.join('|').toStdString());
    // The current display, the one shown.
    for (const QMdiSubWindow* display : window.findChildren<QMdiSubWindow*>()) {
      if (display->isVisible()) {
        EXPECT_EQ(display->windowTitle().section(": ", 1).toStdString(), c.display);
      }
    }

    PreferencesDialog dialog(preferences, &window);
    QStringList labels;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
      labels << label->text();
    EXPECT_TRUE(labels.contains(c.languageLabel)) << labels.join('|').toStdString();
    const auto* buttons = dialog.findChild<QDialogButtonBox*>();
    EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text().toStdString(), c.cancel);
    const auto* languages = dialog.findChild<QComboBox*>();
    EXPECT_EQ(
        (languages->itemText(0) + languages->itemText(1) + languages->itemText(2)).toStdString(),
        "EnglishDeutschFrançais");
    if (c.screenshot == nullptr) continue;
    WithFileMenu(window).save(QString::fromStdString(
        testing_support::ScreenshotPath(std::string("imagehost") + c.screenshot + ".png")));
    dialog.show();
    dialog.adjustSize();
    QCoreApplication::processEvents();
    dialog.grab().save(QString::fromStdString(
        testing_support::ScreenshotPath(std::string("preferences") + c.screenshot + ".png")));
  }
}

}  // namespace

// Every text is translated, with the same placeholders as the English one.
TEST(LanguageTest, EveryTranslationIsFinishedWithItsPlaceholders) {
  const QRegularExpression placeholder("%\\d");
  const auto placeholders = [&](const QString& text) {
    QStringList found;
    for (const QRegularExpressionMatch& match : placeholder.globalMatch(text))
      found << match.captured();
    found.sort();
    return found.join(' ').toStdString();
  };
  for (const char* language : {"de", "fr"}) {
    QFile file(QString(SOURCE_DIR "/imagehost/translations/imagehost_%1.ts").arg(language));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << language;
    QXmlStreamReader reader(&file);
    QString source;
    int count = 0;
    while (!reader.atEnd()) {
      if (reader.readNext() != QXmlStreamReader::StartElement) continue;
      if (reader.name() == u"source") source = reader.readElementText();
      if (reader.name() != u"translation") continue;
      EXPECT_TRUE(reader.attributes().value("type").isEmpty()) << source.toStdString();
      EXPECT_EQ(placeholders(reader.readElementText()), placeholders(source)) << language;
      ++count;
    }
    EXPECT_FALSE(reader.hasError()) << language;
    EXPECT_GT(count, 50) << language;
  }
}
