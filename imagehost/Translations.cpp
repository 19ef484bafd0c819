#include "imagehost/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

namespace {

struct Installed {
  QString language = "en";
  bool found = true;
  QPointer<QTranslator> own;
  QPointer<QTranslator> qt;
};

Installed& installed() {
  static Installed state;
  return state;
}

// Each install or removal sends a language change round all widgets: nothing changes for the
// same language again.
QTranslator* Load(const QString& name, const QString& folder) {
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (translator->load(name, folder) && QCoreApplication::installTranslator(translator))
    return translator;
  delete translator;
  return nullptr;
}

}  // namespace

QString TranslationsFolder() {
  return QCoreApplication::applicationDirPath() + "/translations";
}

bool UseTranslations(const QString& language) {
  Installed& state = installed();
  if (language == state.language) return state.found;
  delete state.own.data();
  delete state.qt.data();
  state.language = language;
  state.found = language == "en";
  if (state.found) return true;
  state.own = Load("imagehost_" + language, TranslationsFolder());
  state.qt = Load("qtbase_" + language, QLibraryInfo::path(QLibraryInfo::TranslationsPath));
  state.found = state.own != nullptr;
  return state.found;
}
