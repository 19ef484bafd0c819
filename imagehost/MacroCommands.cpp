#include "imagehost/MacroCommands.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDate>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QGroupBox>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <limits>
#include <memory>

#include "hostlibs/vekbase/Displays.h"
#include "hostlibs/vekbase/Macro.h"
#include "imagehost/PluginLoader.h"
#include "imagehost/Preferences.h"
#include "imagehost/SelfTest.h"
#include "platform/Ansi.h"
#include "platform/DatePicker.h"
#include "platform/ListView.h"

// Qt's own test keyboard lets shortcuts and mnemonics have the key first, through this function
// of Qt's GUI library; a key is typed here the same way.
Q_GUI_EXPORT bool qt_sendShortcutOverrideEvent(QObject* object, ulong timestamp, int key,
                                               Qt::KeyboardModifiers modifiers, const QString& text,
                                               bool autoRepeat, ushort count);

namespace {

using vekbase::MacroCall;

int pendingUserActions = 0;
constexpr int kActivationMilliseconds = 1000;

// Runs the action from the event loop, as a user's input would arrive.
void PostUserAction(std::function<void()> action) {
  ++pendingUserActions;
  QTimer::singleShot(0, qApp, [action = std::move(action)] {
    --pendingUserActions;
    action();
  });
}

// Lets the event loop run until done() or until the time is up; true when done.
bool WaitFor(const std::function<bool()>& done, int milliseconds) {
  if (done()) return true;
  const QDeadlineTimer deadline(milliseconds);
  bool reached = false;
  QEventLoop loop;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    reached = done();
    if (reached || deadline.hasExpired()) loop.quit();
  });
  poll.start(10);
  loop.exec();
  return reached;
}

// The arguments of one call, checked against what the command takes.
class Arguments {
 public:
  Arguments(const MacroCall& call, std::string& error) : call_(call), error_(error) {}

  // `kinds` has 't' for a text (a bare integer is taken as written) and 'n' for an integer;
  // with `more`, any number of further integers may follow.
  bool Expect(std::string_view kinds, bool more = false) {
    const std::size_t count = call_.arguments.size();
    bool valid = more ? count >= kinds.size() : count == kinds.size();
    for (std::size_t i = 0; valid && i < count; ++i) {
      const char kind = i < kinds.size() ? kinds[i] : 'n';
      valid = kind == 't' || !call_.arguments[i].isText;
    }
    if (valid) return true;
    std::string wanted;
    for (const char kind : kinds)
      wanted += std::string(wanted.empty() ? "" : ", ") + (kind == 't' ? "text" : "number");
    if (more) wanted += ", number...";
    error_ = call_.name + " takes (" + wanted + ")";
    return false;
  }
  const std::string& Text(std::size_t i) const { return call_.arguments[i].text; }
  // Macro texts are UTF-8; the plug-in takes code page 1252.
  std::string AnsiText(std::size_t i) const {
    return platform::ToAnsi(QString::fromStdString(Text(i)));
  }
  long long Number(std::size_t i) const { return call_.arguments[i].number; }
  int Int(std::size_t i) const {
    const long long n = Number(i);
    using Limits = std::numeric_limits<int>;
    return n < Limits::min() || n > Limits::max() ? Limits::min() : static_cast<int>(n);
  }
  std::size_t Count() const { return call_.arguments.size(); }
  // The command's result for a failure, with the reason.
  int Fail(std::string reason) {
    error_ = std::move(reason);
    return -1;
  }

 private:
  const MacroCall& call_;
  std::string& error_;
};

QWidget* FindWindow(const std::string& title) {
  const QString wanted = QString::fromStdString(title);
  for (QWidget* window : QApplication::topLevelWidgets())
    if (window->isVisible() && window->windowTitle() == wanted) return window;
  return nullptr;
}

bool FindWindow(Arguments& args, QWidget*& window) {
  window = FindWindow(args.Text(0));
  if (window == nullptr) args.Fail("no window \"" + args.Text(0) + "\"");
  return window != nullptr;
}

// The window named by argument 0 and its control with the id of argument 1, of the type asked for.
template <typename Control>
bool FindControl(Arguments& args, Control*& control, const char* kind) {
  QWidget* window = nullptr;
  if (!FindWindow(args, window)) return false;
  QWidget* widget = window->findChild<QWidget*>(QString::number(args.Number(1)));
  control = qobject_cast<Control*>(widget);
  if (widget == nullptr)
    args.Fail("window \"" + args.Text(0) + "\" has no control " + std::to_string(args.Number(1)));
  else if (control == nullptr)
    args.Fail("control " + std::to_string(args.Number(1)) + " is not " + kind);
  return control != nullptr;
}

// A text as the user reads it: "&&" is an ampersand, a single '&' marks the mnemonic.
QString WithoutMnemonics(const QString& text) {
  QString plain;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) ++i;
    plain += text[i];
  }
  return plain;
}

std::string Utf8(const QString& text) {
  return text.toStdString();
}

std::string Utf8FromAnsi(const std::string& text) {
  return platform::FromAnsi(text).toStdString();
}

struct Host {
  Preferences& preferences;
  PluginLoader& plugin;
  std::function<void()> quit;
};

using Handler = int (*)(Host& host, Arguments& args, std::string& output);

// Host commands.

int SetLanguage(Host& host, Arguments& args, std::string&) {
  std::string error;
  if (!args.Expect("n")) return -1;
  if (!host.preferences.Set("language", std::to_string(args.Number(0)), error))
    return args.Fail(error);
  return 0;
}

int ListPreferences(Host& host, Arguments& args, std::string& output) {
  if (!args.Expect("")) return -1;
  for (const std::string& key : Preferences::Keys()) {
    std::string value;
    host.preferences.Get(key, value);
    output += key + "=" + value + "\n";
  }
  return 0;
}

int SetPreference(Host& host, Arguments& args, std::string&) {
  std::string error;
  if (!args.Expect("tt")) return -1;
  if (!host.preferences.Set(args.Text(0), args.Text(1), error)) return args.Fail(error);
  return 0;
}

int Open(Host&, Arguments& args, std::string& output) {
  if (!args.Expect("t")) return -1;
  vekbase::Displays& displays = vekbase::Displays::Instance();
  const int number = displays.Current();
  std::string error;
  if (!displays.Load(number, args.Text(0), error)) return args.Fail(args.Text(0) + ": " + error);
  output = std::to_string(number) + "\n";
  return number;
}

int SetCurrent(Host&, Arguments& args, std::string&) {
  vekbase::Displays& displays = vekbase::Displays::Instance();
  if (!args.Expect("n")) return -1;
  if (displays.Get(args.Int(0)) == nullptr)
    return args.Fail("no display " + std::to_string(args.Number(0)));
  displays.SetCurrent(args.Int(0));
  return 0;
}

int ListDisplays(Host&, Arguments& args, std::string& output) {
  if (!args.Expect("")) return -1;
  const vekbase::Displays& displays = vekbase::Displays::Instance();
  for (int number = 1; number <= displays.Count(); ++number) {
    const vekbase::Display* display = displays.Get(number);
    if (!display->hasImage) continue;
    const vekbase::Image& image = display->image;
    output += std::to_string(number) + "\t" + Utf8FromAnsi(display->name) + "\t" +
              std::to_string(image.columns) + "x" + std::to_string(image.rows) + "\t" +
              std::to_string(image.bitsAllocated) + "\t" + (display->isProtected ? "1" : "0") +
              "\n";
  }
  return 0;
}

int GetPixel(Host&, Arguments& args, std::string& output) {
  if (!args.Expect("nnn")) return -1;
  const vekbase::Display* display = vekbase::Displays::Instance().Get(args.Int(0));
  if (display == nullptr || !display->hasImage)
    return args.Fail("no image in display " + std::to_string(args.Number(0)));
  const std::string value = vekbase::StoredValueText(display->image, args.Int(1), args.Int(2));
  if (value.empty()) {
    return args.Fail("no pixel " + std::to_string(args.Number(1)) + ", " +
                     std::to_string(args.Number(2)) + " in display " +
                     std::to_string(args.Number(0)));
  }
  output += value + "\n";
  return 0;
}

int Protect(Host&, Arguments& args, std::string&) {
  if (!args.Expect("nn")) return -1;
  if (args.Number(1) != 0 && args.Number(1) != 1) return args.Fail("protect takes 0 or 1");
  if (!vekbase::Displays::Instance().SetProtected(args.Int(0), args.Number(1) == 1))
    return args.Fail("no display " + std::to_string(args.Number(0)));
  return 0;
}

template <typename Proc>
bool HasExport(Arguments& args, Proc proc, const char* name) {
  if (proc == nullptr) args.Fail(std::string("the plug-in is not loaded or has no ") + name);
  return proc != nullptr;
}

int DicomRequest(Host& host, Arguments& args, std::string& output) {
  if (!args.Expect("tttt") || !HasExport(args, host.plugin.dicomRequest, "DicomRequest")) return -1;
  const int result = host.plugin.dicomRequest(args.AnsiText(0).c_str(), args.AnsiText(1).c_str(),
                                              args.AnsiText(2).c_str(), args.AnsiText(3).c_str());
  output = std::to_string(result) + "\n";
  return 0;
}

int IsDialogRequestOpen(Host& host, Arguments& args, std::string& output) {
  if (!args.Expect("") ||
      !HasExport(args, host.plugin.isDialogRequestOpen, "IsDialogRequestOpen")) {
    return -1;
  }
  const int open = host.plugin.isDialogRequestOpen();
  output = std::to_string(open) + "\n";
  return 0;
}

int SendImage(Host& host, Arguments& args, std::string& output) {
  if (!args.Expect("nttttn") ||
      !HasExport(args, host.plugin.sendDicomImageToServer, "SendDicomImageToServer")) {
    return -1;
  }
  const vekbase::Display* display = vekbase::Displays::Instance().Get(args.Int(0));
  if (display == nullptr || !display->hasImage || display->File().empty())
    return args.Fail("display " + std::to_string(args.Number(0)) + " holds no image file");
  const int result = host.plugin.sendDicomImageToServer(
      display->File().c_str(), args.Text(1).c_str(), args.Text(2).c_str(), args.Text(3).c_str(),
      args.Text(4).c_str(), 0, args.Int(5));
  output = std::to_string(result) + "\t" + SendResultMeaning(result) + "\n";
  return 0;
}

// Commands on windows.

int Click(Host&, Arguments& args, std::string&) {
  QAbstractButton* button = nullptr;
  if (!args.Expect("tn") || !FindControl(args, button, "a button")) return -1;
  if (!button->isEnabled())
    return args.Fail("button " + std::to_string(args.Number(1)) + " is disabled");
  PostUserAction([button = QPointer(button)] {
    if (button != nullptr) button->click();
  });
  return 0;
}

int SelectRows(Host&, Arguments& args, std::string&) {
  platform::ListView* list = nullptr;
  if (!args.Expect("tnn", true) || !FindControl(args, list, "a list view")) return -1;
  std::vector<int> rows;
  for (std::size_t i = 2; i < args.Count(); ++i) {
    if (args.Number(i) < 0 || args.Number(i) >= list->GetItemCount())
      return args.Fail("list " + std::to_string(args.Number(1)) + " has no row " +
                       std::to_string(args.Number(i)));
    rows.push_back(args.Int(i));
  }
  PostUserAction([list = QPointer(list), rows] {
    for (std::size_t i = 0; list != nullptr && i < rows.size(); ++i)
      list->UserClick(rows[i], i == 0 ? Qt::NoModifier : Qt::ControlModifier);
  });
  return 0;
}

int Rows(Host&, Arguments& args, std::string& output) {
  platform::ListView* list = nullptr;
  if (!args.Expect("tn") || !FindControl(args, list, "a list view")) return -1;
  for (int row = 0; row < list->GetItemCount(); ++row) {
    for (int column = 0; column < list->ColumnCount(); ++column)
      output += (column == 0 ? "" : "\t") + Utf8FromAnsi(list->ItemText(row, column));
    output += "\n";
  }
  return 0;
}

int Text(Host&, Arguments& args, std::string& output) {
  QWidget* widget = nullptr;
  if (!args.Expect("tn")) return -1;
  if (args.Number(1) == 0) {
    if (!FindWindow(args, widget)) return -1;
    output = Utf8(widget->windowTitle()) + "\n";
    return 0;
  }
  if (!FindControl(args, widget, "a control")) return -1;
  QString text;
  if (const auto picker = qobject_cast<platform::DatePicker*>(widget))
    text = platform::FromAnsi(picker->WindowText());
  else if (const auto label = qobject_cast<QLabel*>(widget))
    text = WithoutMnemonics(label->text());
  else if (const auto edit = qobject_cast<QLineEdit*>(widget))
    text = edit->text();
  else if (const auto plainEdit = qobject_cast<QPlainTextEdit*>(widget))
    text = plainEdit->toPlainText();
  else if (const auto button = qobject_cast<QAbstractButton*>(widget))
    text = WithoutMnemonics(button->text());
  else if (const auto group = qobject_cast<QGroupBox*>(widget))
    text = WithoutMnemonics(group->title());
  else
    return args.Fail("control " + std::to_string(args.Number(1)) + " has no text");
  output = Utf8(text) + "\n";
  return 0;
}

int SetText(Host&, Arguments& args, std::string&) {
  QWidget* widget = nullptr;
  if (!args.Expect("tnt") || !FindControl(args, widget, "a control")) return -1;
  const QString text = QString::fromStdString(args.Text(2));
  if (!widget->isEnabled())
    return args.Fail("control " + std::to_string(args.Number(1)) + " is disabled");
  // As typed: the edit's own change signals fire as for a user.
  if (const auto edit = qobject_cast<QLineEdit*>(widget); edit != nullptr && !edit->isReadOnly()) {
    edit->selectAll();
    edit->insert(text);
  } else if (const auto plainEdit = qobject_cast<QPlainTextEdit*>(widget);
             plainEdit != nullptr && !plainEdit->isReadOnly()) {
    plainEdit->selectAll();
    plainEdit->insertPlainText(text);
  } else {
    return args.Fail("control " + std::to_string(args.Number(1)) + " is not an edit box");
  }
  return 0;
}

int Check(Host&, Arguments& args, std::string&) {
  QAbstractButton* button = nullptr;
  if (!args.Expect("tn") || !FindControl(args, button, "a button")) return -1;
  if (!button->isCheckable())
    return args.Fail("control " + std::to_string(args.Number(1)) + " cannot be checked");
  if (!button->isEnabled())
    return args.Fail("control " + std::to_string(args.Number(1)) + " is disabled");
  if (!button->isChecked()) button->click();
  return 0;
}

int SetDate(Host&, Arguments& args, std::string&) {
  platform::DatePicker* picker = nullptr;
  if (!args.Expect("tnt") || !FindControl(args, picker, "a date picker")) return -1;
  const QDate date = QDate::fromString(QString::fromStdString(args.Text(2)), "yyyyMMdd");
  if (!date.isValid()) return args.Fail(args.Text(2) + " is not a date YYYYMMDD");
  picker->UserSetDate(date);
  return 0;
}

int Key(Host&, Arguments& args, std::string&) {
  QWidget* window = nullptr;
  if (!args.Expect("tt") || !FindWindow(args, window)) return -1;
  const QKeySequence sequence =
      QKeySequence::fromString(QString::fromStdString(args.Text(1)), QKeySequence::PortableText);
  if (sequence.count() != 1 || sequence[0].key() == Qt::Key_unknown)
    return args.Fail("\"" + args.Text(1) + "\" is not one key");
  const Qt::Key key = sequence[0].key();
  const Qt::KeyboardModifiers modifiers = sequence[0].keyboardModifiers();
  // A printable key without Ctrl or Alt carries its character, as typed.
  QString text;
  if (key >= Qt::Key_Space && key <= Qt::Key_ydiaeresis &&
      !(modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
    const QChar c(key);
    text = modifiers & Qt::ShiftModifier ? QString(c) : QString(c.toLower());
  }
  // A user types into the window in front; its shortcuts only work there. The window system
  // activates it a little later.
  window->raise();
  window->activateWindow();
  WaitFor([window] { return QApplication::activeWindow() == window; }, kActivationMilliseconds);
  QWidget* target = window->focusWidget() != nullptr ? window->focusWidget() : window;
  PostUserAction([target = QPointer(target), key, modifiers, text] {
    if (target == nullptr ||
        qt_sendShortcutOverrideEvent(target, 0, key, modifiers, text, false, 1)) {
      return;
    }
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    if (target != nullptr) QApplication::sendEvent(target, &release);
  });
  return 0;
}

int Screenshot(Host&, Arguments& args, std::string&) {
  QWidget* window = nullptr;
  if (!args.Expect("tt") || !FindWindow(args, window)) return -1;
  if (!window->grab().save(QString::fromStdString(args.Text(1))))
    return args.Fail(args.Text(1) + " could not be written");
  return 0;
}

int WaitWindow(Host&, Arguments& args, std::string&) {
  if (!args.Expect("tn")) return -1;
  const std::string& title = args.Text(0);
  const long long seconds = std::clamp(args.Number(1), 0LL, 3600LL);
  if (!WaitFor([&title] { return FindWindow(title) != nullptr; },
               static_cast<int>(seconds * 1000))) {
    return args.Fail("no window \"" + title + "\" after " + std::to_string(seconds) + " s");
  }
  return 0;
}

int CloseWindow(Host&, Arguments& args, std::string&) {
  QWidget* window = nullptr;
  if (!args.Expect("t") || !FindWindow(args, window)) return -1;
  PostUserAction([window = QPointer(window)] {
    if (window != nullptr) window->close();
  });
  return 0;
}

// The report goes out in the user's language; any failed step fails the macro.
int TestConnection(Host& host, Arguments& args, std::string& output) {
  if (!args.Expect("")) return -1;
  SelfTest test(nullptr);
  QStringList report;
  bool passed = false, done = false;
  QObject::connect(&test, &SelfTest::Finished, [&](const QStringList& lines, bool ok) {
    report = lines;
    passed = ok;
    done = true;
  });
  test.Start(host.preferences);
  WaitFor([&] { return done; }, std::numeric_limits<int>::max());
  for (const QString& line : report)
    output += line.toStdString() + "\n";
  return passed ? 0 : args.Fail("the connection test found a fault");
}

int Wait(Host&, Arguments& args, std::string&) {
  if (!args.Expect("n")) return -1;
  WaitFor([] { return false; }, static_cast<int>(std::clamp(args.Number(0), 0LL, 3600000LL)));
  return 0;
}

int Quit(Host& host, Arguments& args, std::string&) {
  if (!args.Expect("")) return -1;
  host.quit();
  return 0;
}

struct Command {
  const char* name;
  Handler handler;
};

constexpr Command kCommands[] = {
    {"setLanguage", SetLanguage},
    {"preferences", ListPreferences},
    {"setPreference", SetPreference},
    {"open", Open},
    {"setCurrent", SetCurrent},
    {"displays", ListDisplays},
    {"getPixel", GetPixel},
    {"protect", Protect},
    {"dicomRequest", DicomRequest},
    {"isDialogRequestOpen", IsDialogRequestOpen},
    {"sendImage", SendImage},
    {"click", Click},
    {"selectRows", SelectRows},
    {"rows", Rows},
    {"text", Text},
    {"setText", SetText},
    {"check", Check},
    {"setDate", SetDate},
    {"key", Key},
    {"screenshot", Screenshot},
    {"waitWindow", WaitWindow},
    {"closeWindow", CloseWindow},
    {"testConnection", TestConnection},
    {"wait", Wait},
    {"quit", Quit},
};

}  // namespace

MacroCommands::MacroCommands(Preferences& preferences, PluginLoader& plugin,
                             std::function<void()> quit) {
  auto host = std::make_shared<Host>(Host{preferences, plugin, std::move(quit)});
  for (const Command& command : kCommands) {
    vekbase::RegisterMacro(
        command.name, [host, handler = command.handler](const MacroCall& call, std::string& output,
                                                        std::string& error) {
          Arguments args(call, error);
          return handler(*host, args, output);
        });
    names_.push_back(command.name);
  }
}

MacroCommands::~MacroCommands() {
  for (const std::string& name : names_)
    vekbase::UnregisterMacro(name);
}

int MacroCommands::PendingUserActions() {
  return pendingUserActions;
}
