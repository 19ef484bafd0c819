#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTimer>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "Version.h"
#include "hostlibs/vekbase/Displays.h"
#include "imagehost/HelpWindow.h"
#include "imagehost/MacroCommands.h"
#include "imagehost/MacroRunner.h"
#include "imagehost/MainWindow.h"
#include "imagehost/PluginLoader.h"
#include "imagehost/Preferences.h"
#include "imagehost/Receiver.h"
#include "platform/Ansi.h"
#include "platform/DialogTemplate.h"
#include "platform/MessageBox.h"

namespace {

constexpr const char* kUsage =
    "usage: imagehost [--plugin PATH] [--macro FILE] [-e LINES] [--stay] | --help | --version\n"
    "  --plugin PATH  the DICOM plug-in to load (libdicomplugin.so beside the program)\n"
    "  --macro FILE   run the macro lines of FILE, then exit\n"
    "  -e LINES       run these macro lines (after those given before), then exit\n"
    "  --stay         run on after the macro, as without one\n"
    "  --help         print this text and exit\n"
    "  --version      print the version and exit\n";

struct Options {
  std::string plugin;
  std::vector<std::string> macroLines;  // from --macro and -e, in the order given
  bool stay = false;                    // after the macro, run on as without one
  bool valid = true;
  // Answered before the application starts, so that they need no display.
  bool help = false;
  bool version = false;
};

void AppendLines(const QString& text, std::vector<std::string>& lines) {
  for (const QString& line : text.split('\n'))
    lines.push_back(line.toStdString());
}

// Our options are taken out before the application sees the command line: Qt would read
// --plugin as its own.
Options ParseOptions(int& argc, char** argv) {
  Options options;
  int kept = 1;
  for (int i = 1; i < argc && options.valid; ++i) {
    const std::string_view option = argv[i];
    if (option == "--stay" || option == "--help" || option == "--version") {
      bool& flag = option == "--stay"   ? options.stay
                   : option == "--help" ? options.help
                                        : options.version;
      flag = true;
      continue;
    }
    if (option != "--plugin" && option != "--macro" && option != "-e") {
      argv[kept++] = argv[i];
      continue;
    }
    if (i + 1 == argc) {
      std::fputs(kUsage, stderr);
      options.valid = false;
      break;
    }
    const char* value = argv[++i];
    if (option == "--plugin") {
      options.plugin = value;
    } else if (option == "-e") {
      AppendLines(QString::fromLocal8Bit(value), options.macroLines);
    } else {
      QFile file(QString::fromLocal8Bit(value));
      if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "imagehost: cannot read %s\n", value);
        options.valid = false;
        break;
      }
      QString text = QString::fromUtf8(file.readAll());
      if (text.endsWith('\n')) text.chop(1);
      AppendLines(text, options.macroLines);
    }
  }
  argc = kept;
  argv[kept] = nullptr;
  return options;
}

// While a macro runs nobody is there to press OK: messages go to standard error.
int MessageToStandardError(const platform::MessageBoxRequest& request) {
  std::fprintf(stderr, "%s: %s\n", platform::FromAnsi(request.caption).toUtf8().constData(),
               platform::FromAnsi(request.text).toUtf8().constData());
  std::fflush(stderr);
  return platform::kIdOk;
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = ParseOptions(argc, argv);
  if (!options.valid) return 2;
  if (options.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (options.version) {
    std::printf("imagehost %s\n", kProductVersion);
    return 0;
  }
  QApplication application(argc, argv);
  QApplication::setOrganizationName("imagehost");
  QApplication::setApplicationName("imagehost");
  const bool scripted = !options.macroLines.empty();
  if (scripted && !options.stay) platform::SetMessageBoxHandler(MessageToStandardError);

  Preferences preferences;
  preferences.Load();
  preferences.Apply();
  Preferences::LoadPlacements();
  HelpWindow::Install();
  // The displays keep copies of their images in a folder of this run's own.
  const QString copies = QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
                         "/displays-" + QString::number(QCoreApplication::applicationPid());
  vekbase::Displays::Instance().KeepCopiesIn(QDir::toNativeSeparators(copies).toStdString());

  PluginLoader plugin;
  std::string pluginMessage;
  plugin.Load(options.plugin.empty()
                  ? (QApplication::applicationDirPath() + "/libdicomplugin.so").toStdString()
                  : options.plugin,
              pluginMessage);

  int exitCode = 0;
  {
    MacroRunner runner(options.macroLines, options.stay);
    MacroCommands commands(preferences, plugin, [&runner] { runner.Quit(); });
    MainWindow window(preferences, plugin);
    window.show();
    if (!pluginMessage.empty()) {
      QTimer::singleShot(0, &window, [&window, &pluginMessage] {
        platform::MessageBox(&window,
                             platform::ToAnsi(QString::fromStdString(pluginMessage)).c_str(),
                             "imagehost", platform::kMbOk | platform::kMbIconStop);
      });
    }
    // The receiver's reports come from its process's signals: the message waits for the loop.
    Receiver receiver([&window](const QString& text) {
      QTimer::singleShot(0, &window, [&window, text] {
        platform::MessageBox(&window, platform::ToAnsi(text).c_str(), "imagehost",
                             platform::kMbOk | platform::kMbIconStop);
      });
    });
    receiver.Follow(preferences.callingAeTitle, preferences.receivePort,
                    preferences.ReceiverOptions());
    preferences.applied = [&receiver, &preferences] {
      receiver.Follow(preferences.callingAeTitle, preferences.receivePort,
                      preferences.ReceiverOptions());
    };
    if (scripted) runner.Start();
    exitCode = QApplication::exec();
    preferences.applied = nullptr;
    HelpWindow::Close();
    // The plug-in goes while its windows' owner and the application still exist, so that it can
    // take its windows down itself.
    plugin.Unload();
  }
  Preferences::SavePlacements();
  vekbase::Displays::Instance().KeepCopiesIn({});
  QDir(copies).removeRecursively();
  return exitCode;
}
