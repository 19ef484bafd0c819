// The browser's Update as the user gets it, the study query and the listing of its rows: the
// plug-in loaded as the host loads it, its browser opened on an archive and the Update button
// pressed, offscreen, several times in a row.
//
//   browser_update PLUGIN PORT CALLED_AE [REPETITIONS]
//
// Prints one line per Update: "seconds=S patients=N studies=M"; ends with status 1 when an Update
// showed a message (a failed query) or the browser could not be opened.

#include <dlfcn.h>

#include <QAbstractButton>
#include <QApplication>
#include <QTreeWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/DialogTemplate.h"
#include "platform/MessageBox.h"

namespace {

using RequestFunction = int (*)(const char*, const char*, const char*, const char*);

QWidget* OpenBrowser() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (window->isVisible() && window->findChild<QTreeWidget*>("6009") != nullptr) return window;
  }
  return nullptr;
}

int Rows(const QWidget* browser, const char* id) {
  const auto* list = browser->findChild<QTreeWidget*>(id);
  return list != nullptr ? list->topLevelItemCount() : -1;
}

void QuietOffscreenWarnings(QtMsgType type, const QMessageLogContext& context,
                            const QString& message) {
  if (message.startsWith(QStringLiteral("This plugin does not support"))) return;
  std::fprintf(stderr, "%s\n", qFormatLogMessage(type, context, message).toLocal8Bit().constData());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: browser_update PLUGIN PORT CALLED_AE [REPETITIONS]\n");
    return 2;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  qInstallMessageHandler(QuietOffscreenWarnings);
  QApplication application(argc, argv);
  const int repetitions = argc > 4 ? std::atoi(argv[4]) : 3;
  bool failed = false;
  // A message box would wait for a user: it is printed and answered at once.
  platform::SetMessageBoxHandler([&failed](const platform::MessageBoxRequest& request) {
    std::fprintf(stderr, "message: %s\n", request.text.c_str());
    failed = true;
    return platform::kIdOk;
  });
  void* plugin = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  const auto request = plugin != nullptr
                           ? reinterpret_cast<RequestFunction>(dlsym(plugin, "DicomRequest"))
                           : nullptr;
  if (request == nullptr || request("127.0.0.1", argv[2], "DICOMNET", argv[3]) != 1) {
    std::fprintf(stderr, "the browser could not be opened: %s\n", dlerror());
    return 1;
  }
  QWidget* browser = OpenBrowser();
  auto* update = browser != nullptr ? browser->findChild<QAbstractButton*>("6005") : nullptr;
  if (update == nullptr) return 1;
  for (int i = 0; i < repetitions && !failed; ++i) {
    const auto start = std::chrono::steady_clock::now();
    update->click();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("seconds=%.4f patients=%d studies=%d\n", took.count(), Rows(browser, "6009"),
                Rows(browser, "6037"));
    std::fflush(stdout);
    QApplication::processEvents();
  }
  if (auto* close = browser->findChild<QAbstractButton*>("2")) close->click();
  dlclose(plugin);
  return failed ? 1 : 0;
}
