#include "imagehost/HelpWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QUrl>
#include <cstring>

#include "hostlibs/hostmenu/HostMenu.h"
#include "hostlibs/vekbase/Macro.h"
#include "hostlibs/vekutil/VekUtil.h"
#include "platform/Ansi.h"
#include "platform/OwnerWindow.h"

namespace {

QPointer<HelpWindow> helpWindow;

int HostHelpHandler(MenuRequest* request) {
  if (request->kind == kMenuRequestHelpFile && request->text[0] == '\0')
    platform::CopyToBuffer("imagehost.hlp", request->text, sizeof request->text);
  return 1;
}

// The window belongs to the host's main window, above which it opens centred.
void ShowHelpPage(const char* helpFile, std::uint32_t context) {
  if (helpWindow == nullptr) {
    QWidget* owner = platform::HostWindow();
    helpWindow = new HelpWindow(owner);
    platform::CentreOnOwner(helpWindow, owner);
  }
  helpWindow->ShowContext(platform::FromAnsi(helpFile != nullptr ? helpFile : ""), context);
}

const char* LanguageFolder() {
  switch (vekbase::HostLanguage()) {
    case 0:
      return "de";
    case 2:
      return "fr";
    default:
      return "en";
  }
}

}  // namespace

HelpWindow::HelpWindow(QWidget* owner) : QTextBrowser(owner) {
  setWindowFlag(Qt::Window);
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(tr("Help"));
  setOpenExternalLinks(true);
  resize(640, 480);
  // The title names the page shown, also after a link was followed.
  connect(this, &QTextBrowser::sourceChanged, this,
          [this] { setWindowTitle(documentTitle().isEmpty() ? tr("Help") : documentTitle()); });
}

void HelpWindow::ShowContext(const QString& helpFile, std::uint32_t context) {
  const QString folder = QCoreApplication::applicationDirPath() + "/help/" +
                         QFileInfo(helpFile).completeBaseName() + "/" + LanguageFolder() + "/";
  const QString page = folder + QString::number(context) + ".html";
  const QString index = folder + "index.html";
  if (QFileInfo::exists(page))
    setSource(QUrl::fromLocalFile(page));
  else if (QFileInfo::exists(index))
    setSource(QUrl::fromLocalFile(index));
  else {
    setPlainText(tr("There is no help for context %1 of %2.").arg(context).arg(helpFile));
    setWindowTitle(tr("Help"));
  }
  show();
  raise();
  activateWindow();
}

void HelpWindow::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LanguageChange) {
    const QFileInfo page(source().toLocalFile());
    const QFileInfo translated(
        page.dir().filePath(QString("../") + LanguageFolder() + "/" + page.fileName()));
    if (!source().isEmpty() && translated.exists())
      setSource(QUrl::fromLocalFile(translated.absoluteFilePath()));
    else if (source().isEmpty())
      setWindowTitle(tr("Help"));
  }
  QTextBrowser::changeEvent(event);
}

void HelpWindow::Install() {
  menuSetHostHandler(kHelpMenuId, HostHelpHandler);
  utlSetHelpViewer(ShowHelpPage);
}

void HelpWindow::Close() {
  delete helpWindow.data();
}
