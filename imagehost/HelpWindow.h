#pragma once

#include <QTextBrowser>
#include <cstdint>

// The host's help window. A help file F and context N show the page
// help/<F without folder and extension>/<en|de|fr>/<N>.html beside the program, else that
// folder's index.html, else a line naming what was asked for.
class HelpWindow : public QTextBrowser {
  Q_OBJECT

 public:
  // A window of its own, above its owner when it has one.
  explicit HelpWindow(QWidget* owner);
  void ShowContext(const QString& helpFile, std::uint32_t context);

  // Installs the host's end of the help chain (the file "imagehost.hlp" unless a hook named one)
  // and the viewer that ShowHelp calls.
  static void Install();
  // Closes the window, if one was opened.
  static void Close();

 protected:
  // A change of language shows the page in the new language.
  void changeEvent(QEvent* event) override;
};
