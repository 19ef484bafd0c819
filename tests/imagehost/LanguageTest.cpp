// The host speaks the language of its preferences at once, from the translations beside the
// program: the main window's menus and displays, the preferences dialog with Qt's own buttons.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>

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

TEST(LanguageTest, TheHostFollowsThePreferredLanguage) {
  const struct {
    int language;
    std::string menus, fileMenu, display, languageLabel, cancel, screenshot;
  } cases[] = {
      {0, "&Datei|&Anzeige|D&ICOM|&Hilfe", "Ö&ffnen...|&Einstellungen...|&Beenden", "leer",
       "&Sprache:", "Abbrechen", "-de.png"},
      {2, "&Fichier|&Affichage|D&ICOM|Ai&de", "&Ouvrir...|&Préférences...|&Quitter", "vide",
       "&Langue :", "Annuler", "-fr.png"},
      {1, "&File|&Display|D&ICOM|&Help", "&Open...|&Preferences...|&Quit", "empty",
       "&Language:", "Cancel", "-en.png"},
  };
  Preferences preferences;
  PluginLoader plugin;
  MainWindow window(preferences, plugin);
  window.resize(640, 420);
  window.show();
  QMenu* file = window.menuBar()->actions().first()->menu();
  for (const auto& c : cases) {
    preferences.language = c.language;
    preferences.Apply();
    QCoreApplication::processEvents();
    EXPECT_EQ(Texts(window.menuBar()->actions()), c.menus);
    EXPECT_EQ(Texts(file->actions()), c.fileMenu);
    QString display;  // the current one's, the one shown
    for (const QMdiSubWindow* sub : window.findChildren<QMdiSubWindow*>())
      if (sub->isVisible()) display = sub->windowTitle().section(": ", 1);
    EXPECT_EQ(display, c.display.c_str());
    PreferencesDialog dialog(preferences, &window);
    QStringList labels;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
      labels << label->text();
    EXPECT_TRUE(labels.contains(c.languageLabel.c_str())) << c.languageLabel;
    EXPECT_EQ(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->text(),
              c.cancel.c_str());
    // The window with its File menu open, which a grab of the window alone leaves out.
    file->popup(window.mapToGlobal(window.menuBar()->geometry().bottomLeft()));
    QPixmap shot = window.grab();
    QPainter(&shot).drawPixmap(window.mapFromGlobal(file->pos()), file->grab());
    file->hide();
    shot.save(testing_support::ScreenshotPath("imagehost" + c.screenshot).c_str());
    dialog.show();
    dialog.adjustSize();
    QCoreApplication::processEvents();
    dialog.grab().save(testing_support::ScreenshotPath("preferences" + c.screenshot).c_str());
  }
}

}  // namespace
