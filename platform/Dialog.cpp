#include "platform/Dialog.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDialog>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QTextDocument>
#include <QTextOption>
#include <algorithm>
#include <utility>
#include <vector>

#include "platform/AnimationControl.h"
#include "platform/Ansi.h"
#include "platform/Application.h"
#include "platform/DatePicker.h"
#include "platform/KeyboardState.h"
#include "platform/ListView.h"
#include "platform/OwnerWindow.h"
#include "platform/Resources.h"

namespace platform {

namespace {

// A label keeps the text it was given here; what it shows may have its mnemonics taken out.
constexpr char kGivenText[] = "givenText";

// What a label without a buddy shows: "&&" is one ampersand, a single '&' only marks a mnemonic.
QString WithoutMnemonics(const QString& text) {
  QString shown;
  shown.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == u'&' && i + 1 < text.size()) ++i;
    shown += text[i];
  }
  return shown;
}

QString FromUtf8(const char* text) {
  return QString::fromUtf8(text != nullptr ? text : "");
}

int IdOf(const QObject* control) {
  bool ok = false;
  const int id = control->objectName().toInt(&ok);
  return ok ? id : kIdStatic;
}

QFont TemplateFont(const DialogTemplate& layout) {
  return QFont(FromUtf8(layout.fontName), layout.fontPointSize > 0 ? layout.fontPointSize : 8);
}

bool TakesFocus(const QWidget* control) {
  return (control->focusPolicy() & Qt::TabFocus) != 0 && control->isEnabled();
}

void SetLabelText(QLabel* label, const QString& text) {
  label->setProperty(kGivenText, text);
  label->setText(label->buddy() != nullptr ? text : WithoutMnemonics(text));
}

}  // namespace

// The window of a dialog. Every call into the dialog's code goes through Route, which counts how
// deep the window is in its own handlers: a dialog that destroys itself from one of them leaves
// the window alive until that handler has returned.
class Dialog::Frame : public QDialog {
 public:
  Frame(Dialog& owner, QWidget* parent) : QDialog(parent), owner_(&owner) {}
  ~Frame() override {
    if (owner_ != nullptr) owner_->window_ = nullptr;
  }

  template <typename Call>
  void Route(Call call) {
    if (owner_ == nullptr) return;
    ++depth_;
    call(*owner_);
    --depth_;
  }

  // Forgets the dialog and goes, at once or once the running handler has returned.
  void Dismantle() {
    owner_ = nullptr;
    if (depth_ > 0) {
      hide();
      deleteLater();
    } else {
      delete this;
    }
  }

  void AddControls(const DialogTemplate& layout);
  void FocusFirst();
  void Initialised() {
    reportedSize_ = size();
    initialised_ = true;
  }
  void End(int code) {
    ended_ = true;
    endCode_ = code;
  }
  bool Ended() const { return ended_; }
  int EndCode() const { return endCode_; }
  // False once DestroyWindow has begun, so that OnDestroy cannot start it again.
  bool BeginDestroy() { return !std::exchange(destroying_, true); }
  BaseUnits base{};
  std::vector<QWidget*> controls;  // in template order

 protected:
  // Esc.
  void reject() override {
    Route([](Dialog& dialog) { dialog.OnCancel(); });
  }
  // Nothing closes the window but the dialog's own code; the close box asks it to cancel.
  void closeEvent(QCloseEvent* event) override {
    event->ignore();
    Route([](Dialog& dialog) { dialog.OnCancel(); });
  }
  void resizeEvent(QResizeEvent* event) override {
    QDialog::resizeEvent(event);
    if (!initialised_ || size() == reportedSize_) return;
    reportedSize_ = size();
    const int type = isMaximized() ? kSizeMaximized : kSizeRestored;
    Route([&](Dialog& dialog) { dialog.OnSize(type, width(), height()); });
  }
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* Create(const ControlTemplate& control);
  void Watch(QWidget* control);
  void FocusAfter(const QWidget* control);
  void RadioClicked(QRadioButton* button);
  void Command(int id);

  Dialog* owner_;
  int depth_ = 0;
  bool initialised_ = false;
  QSize reportedSize_;
  bool ended_ = false;
  int endCode_ = 0;
  bool destroying_ = false;
  std::vector<std::vector<QRadioButton*>> radioGroups_;
  // The key press last offered to the dialog, and where: a key that a control leaves goes on to
  // its parents, and the dialog sees each press once.
  const QEvent* lastKey_ = nullptr;
  QPointer<QWidget> lastKeyTarget_;
};

void Dialog::Frame::AddControls(const DialogTemplate& layout) {
  bool inRadioGroup = false;
  for (const ControlTemplate& control : layout.controls) {
    QWidget* widget = Create(control);
    widget->setGeometry(
        DialogToPixels(QRect(control.x, control.y, control.width, control.height), base));
    if (control.id != kIdStatic) widget->setObjectName(QString::number(control.id));
    if ((control.style & control_style::kDisabled) != 0) widget->setEnabled(false);
    if (control.kind == ControlKind::RadioButton) {
      if (!inRadioGroup || (control.style & control_style::kGroupStart) != 0) {
        radioGroups_.emplace_back();
      }
      radioGroups_.back().push_back(static_cast<QRadioButton*>(widget));
    }
    inRadioGroup = control.kind == ControlKind::RadioButton;
    controls.push_back(widget);
    Watch(widget);
  }
  // A label's mnemonic moves to the control that follows it; labels and group boxes take no focus,
  // so it is the next one that does.
  for (std::size_t i = 0; i < controls.size(); ++i) {
    auto* label = qobject_cast<QLabel*>(controls[i]);
    if (label == nullptr || qobject_cast<AnimationControl*>(label) != nullptr) continue;
    const QString text = label->property(kGivenText).toString();
    const auto next =
        std::find_if(controls.begin() + static_cast<std::ptrdiff_t>(i) + 1, controls.end(),
                     [](QWidget* control) { return (control->focusPolicy() & Qt::TabFocus) != 0; });
    if (next != controls.end() && text.contains(u'&')) {
      label->setBuddy(*next);
      SetLabelText(label, text);
    }
  }
  installEventFilter(this);
}

QWidget* Dialog::Frame::Create(const ControlTemplate& control) {
  namespace style = control_style;
  const QString text = FromUtf8(control.text);
  const int id = control.id;
  switch (control.kind) {
    case ControlKind::Label: {
      auto* label = new QLabel(this);
      label->setTextFormat(Qt::PlainText);
      label->setAlignment(
          ((control.style & style::kCentred) != 0 ? Qt::AlignHCenter : Qt::AlignLeft) |
          Qt::AlignTop);
      label->setWordWrap((control.style & style::kMultiLine) != 0);
      SetLabelText(label, text);
      return label;
    }
    case ControlKind::GroupBox: {
      // As on the home platform the group box is a frame drawn behind the controls that follow,
      // which stay children of the dialog.
      auto* box = new QGroupBox(text, this);
      box->lower();
      return box;
    }
    case ControlKind::Button:
    case ControlKind::DefaultButton: {
      auto* button = new QPushButton(text, this);
      if (control.kind == ControlKind::DefaultButton) {
        button->setAutoDefault(true);
        button->setDefault(true);
      }
      connect(button, &QPushButton::clicked, this, [this, id] { Command(id); });
      return button;
    }
    case ControlKind::CheckBox: {
      auto* box = new QCheckBox(text, this);
      connect(box, &QCheckBox::clicked, this, [this, id] { Command(id); });
      return box;
    }
    case ControlKind::RadioButton: {
      // Groups follow the template, not the parent widget, so Qt's own exclusivity is off.
      auto* button = new QRadioButton(text, this);
      button->setAutoExclusive(false);
      connect(button, &QRadioButton::clicked, this, [this, button] { RadioClicked(button); });
      return button;
    }
    case ControlKind::Edit: {
      if ((control.style & style::kMultiLine) != 0) {
        auto* edit = new QPlainTextEdit(text, this);
        edit->setReadOnly((control.style & style::kReadOnly) != 0);
        if ((control.style & style::kBorder) == 0) edit->setFrameShape(QFrame::NoFrame);
        // The home platform's edit boxes wrap at their width and show bars only when asked to.
        edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        if (edit->isReadOnly()) {
          edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
          QPalette palette = edit->palette();
          palette.setColor(QPalette::Base, palette.color(QPalette::Window));
          edit->setPalette(palette);
        }
        if ((control.style & style::kCentred) != 0) {
          QTextOption option = edit->document()->defaultTextOption();
          option.setAlignment(Qt::AlignHCenter);
          edit->document()->setDefaultTextOption(option);
        }
        return edit;
      }
      auto* edit = new QLineEdit(text, this);
      edit->setReadOnly((control.style & style::kReadOnly) != 0);
      if ((control.style & style::kCentred) != 0) edit->setAlignment(Qt::AlignHCenter);
      return edit;
    }
    case ControlKind::ListView: {
      auto* list = new ListView((control.style & style::kSingleSelection) != 0,
                                (control.style & style::kShowSelectionAlways) != 0, this);
      if ((control.style & style::kBorder) == 0) list->setFrameShape(QFrame::NoFrame);
      list->SetNotifySink([this, id](const Notification& notification) {
        Route([&](Dialog& dialog) { dialog.OnNotify(id, notification); });
      });
      return list;
    }
    case ControlKind::DatePicker: {
      auto* picker = new DatePicker(this);
      picker->SetNotifySink([this, id](const Notification& notification) {
        Route([&](Dialog& dialog) { dialog.OnNotify(id, notification); });
      });
      return picker;
    }
    case ControlKind::Animation:
      return new AnimationControl(this);
  }
  return new QWidget(this);
}

void Dialog::Frame::Watch(QWidget* control) {
  control->installEventFilter(this);
  for (QWidget* part : control->findChildren<QWidget*>())
    part->installEventFilter(this);
}

void Dialog::Frame::FocusFirst() {
  const auto first = std::find_if(controls.begin(), controls.end(), TakesFocus);
  if (first != controls.end()) (*first)->setFocus(Qt::OtherFocusReason);
}

void Dialog::Frame::FocusAfter(const QWidget* control) {
  auto next = std::find(controls.begin(), controls.end(), control);
  if (next == controls.end()) return;
  next = std::find_if(next + 1, controls.end(), TakesFocus);
  if (next != controls.end()) (*next)->setFocus(Qt::ShortcutFocusReason);
}

// A click checks the button and clears the others of its group, as the home platform's automatic
// radio buttons do, before the dialog hears of it.
void Dialog::Frame::RadioClicked(QRadioButton* button) {
  for (const auto& group : radioGroups_) {
    if (std::find(group.begin(), group.end(), button) == group.end()) continue;
    for (QRadioButton* other : group)
      other->setChecked(other == button);
  }
  Command(IdOf(button));
}

void Dialog::Frame::Command(int id) {
  Route([id](Dialog& dialog) {
    if (id == kIdOk) {
      dialog.OnOK();
    } else if (id == kIdCancel) {
      dialog.OnCancel();
    } else {
      dialog.OnCommand(id);
    }
  });
}

bool Dialog::Frame::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress: {
      const auto* key = static_cast<const QKeyEvent*>(event);
      NoteKeyEvent(key->key(), true, key->modifiers());
      auto* widget = qobject_cast<QWidget*>(watched);
      // The same press coming up from a control to its parents has been offered already. The
      // next press may sit at the same address; it starts at the focus widget again, which is
      // no strict ancestor of the last target.
      if (event == lastKey_ && widget != nullptr && widget != lastKeyTarget_ &&
          lastKeyTarget_ != nullptr && widget->isAncestorOf(lastKeyTarget_)) {
        return false;
      }
      lastKey_ = event;
      lastKeyTarget_ = widget;
      bool consumed = false;
      Route([&](Dialog& dialog) {
        consumed = dialog.PreTranslateKeyDown(key->key(), key->modifiers());
      });
      return consumed;
    }
    case QEvent::KeyRelease: {
      const auto* key = static_cast<const QKeyEvent*>(event);
      NoteKeyEvent(key->key(), false, key->modifiers());
      return false;
    }
    case QEvent::Shortcut:
      // A group box's mnemonic moves to the control after it; its controls are not its children.
      if (auto* box = qobject_cast<QGroupBox*>(watched)) {
        FocusAfter(box);
        return true;
      }
      return false;
    default:
      return false;
  }
}

Dialog::Dialog(unsigned templateId, QWidget* parent) : templateId_(templateId), parent_(parent) {}

Dialog::~Dialog() {
  // The derived parts are gone, so only the window is left to take down.
  if (window_ != nullptr) {
    auto* frame = static_cast<Frame*>(window_);
    window_ = nullptr;
    frame->Dismantle();
  }
}

bool Dialog::Build(bool modal) {
  if (window_ != nullptr || !HasGui()) return false;
  template_ = FindDialogTemplate(templateId_);
  if (template_ == nullptr) return false;
  namespace style = dialog_style;
  const std::uint32_t flags = template_->style;

  // Without a parent a modeless dialog belongs to the host's main window, a modal one to the
  // window it was opened from; either stays above its owner.
  QWidget* owner = parent_;
  if (owner == nullptr) owner = modal ? DefaultOwner() : HostWindow();
  auto* frame = new Frame(*this, owner);
  frame->setFont(TemplateFont(*template_));
  // The font Qt found for the name is the one that draws, so its measures size the layout.
  frame->base = BaseUnitsOf(frame->font());
  frame->setWindowTitle(FromUtf8(template_->title));

  Qt::WindowFlags windowFlags = Qt::Dialog | Qt::CustomizeWindowHint;
  if ((flags & style::kCaption) != 0) windowFlags |= Qt::WindowTitleHint;
  if ((flags & style::kSystemMenu) != 0) {
    windowFlags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  }
  if ((flags & style::kMaximizeBox) != 0) windowFlags |= Qt::WindowMaximizeButtonHint;
  frame->setWindowFlags(windowFlags);

  const QSize client =
      DialogToPixels(QRect(0, 0, template_->width, template_->height), frame->base).size();
  if ((flags & style::kResizingFrame) != 0) {
    frame->resize(client);
  } else {
    frame->setFixedSize(client);
  }
  if ((flags & style::kCentred) != 0) CentreOnOwner(frame, owner);
  frame->AddControls(*template_);
  window_ = frame;
  return true;
}

bool Dialog::Create() {
  if (!Build(false)) return false;
  modal_ = false;
  DoDataExchange();
  if (window_ == nullptr) return false;
  const bool placeFocus = OnInitDialog();
  if (window_ == nullptr) return false;
  auto* frame = static_cast<Frame*>(window_);
  if (placeFocus) frame->FocusFirst();
  frame->Initialised();
  if ((template_->style & dialog_style::kVisible) != 0) frame->show();
  return true;
}

int Dialog::DoModal() {
  if (!Build(true)) return 0;
  modal_ = true;
  DoDataExchange();
  if (window_ == nullptr) return 0;
  const bool placeFocus = OnInitDialog();
  if (window_ == nullptr) return 0;
  auto* frame = static_cast<Frame*>(window_);
  if (placeFocus) frame->FocusFirst();
  frame->Initialised();
  // A dialog may end already while it initialises; then it never shows.
  QPointer<Frame> running(frame);
  const QPointer<QWidget> owner = frame->parentWidget();
  int code = frame->Ended() ? frame->EndCode() : frame->exec();
  if (running != nullptr && running->Ended()) code = running->EndCode();
  if (window_ != nullptr) DestroyWindow();
  // The window it was opened from comes back on top, where the user left it.
  if (owner != nullptr && owner->isVisible()) {
    owner->raise();
    owner->activateWindow();
  }
  return code;
}

void Dialog::DestroyWindow() {
  if (window_ == nullptr || !static_cast<Frame*>(window_)->BeginDestroy()) return;
  OnDestroy();
  if (window_ != nullptr) {
    auto* frame = static_cast<Frame*>(window_);
    window_ = nullptr;
    frame->Dismantle();
  }
  // Last: it may delete this dialog.
  PostNcDestroy();
}

bool Dialog::HasWindow() const {
  return window_ != nullptr;
}

QWidget* Dialog::Window() const {
  return window_;
}

void Dialog::Show() {
  if (window_ != nullptr) window_->show();
}

void Dialog::BringToTop() {
  if (window_ == nullptr) return;
  window_->show();
  window_->raise();
  window_->activateWindow();
}

void Dialog::EndDialog(int result) {
  if (window_ == nullptr) return;
  if (modal_) {
    static_cast<Frame*>(window_)->End(result);
    window_->done(result);
  } else {
    window_->hide();
  }
}

QWidget* Dialog::Item(int id) const {
  if (window_ == nullptr || id == kIdStatic) return nullptr;
  return window_->findChild<QWidget*>(QString::number(id), Qt::FindDirectChildrenOnly);
}

ListView* Dialog::ListViewItem(int id) const {
  return qobject_cast<ListView*>(Item(id));
}

DatePicker* Dialog::DatePickerItem(int id) const {
  return qobject_cast<DatePicker*>(Item(id));
}

AnimationControl* Dialog::AnimationItem(int id) const {
  return qobject_cast<AnimationControl*>(Item(id));
}

void Dialog::SetItemText(int id, const char* text) {
  QWidget* control = Item(id);
  if (control == nullptr) return;
  const QString value = FromAnsi(text != nullptr ? text : "");
  if (qobject_cast<AnimationControl*>(control) != nullptr) return;
  if (auto* label = qobject_cast<QLabel*>(control)) {
    SetLabelText(label, value);
  } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
    button->setText(value);
  } else if (auto* line = qobject_cast<QLineEdit*>(control)) {
    line->setText(value);
  } else if (auto* edit = qobject_cast<QPlainTextEdit*>(control)) {
    edit->setPlainText(value);
  } else if (auto* box = qobject_cast<QGroupBox*>(control)) {
    box->setTitle(value);
  }
}

std::string Dialog::ItemText(int id) const {
  QWidget* control = Item(id);
  if (control == nullptr || qobject_cast<AnimationControl*>(control) != nullptr) return {};
  if (auto* picker = qobject_cast<DatePicker*>(control)) return picker->WindowText();
  if (auto* label = qobject_cast<QLabel*>(control)) {
    return ToAnsi(label->property(kGivenText).toString());
  }
  if (auto* button = qobject_cast<QAbstractButton*>(control)) return ToAnsi(button->text());
  if (auto* line = qobject_cast<QLineEdit*>(control)) return ToAnsi(line->text());
  if (auto* edit = qobject_cast<QPlainTextEdit*>(control)) return ToAnsi(edit->toPlainText());
  if (auto* box = qobject_cast<QGroupBox*>(control)) return ToAnsi(box->title());
  return {};
}

int Dialog::GetItemText(int id, char* buffer, int size) const {
  return CopyToBuffer(ItemText(id), buffer, size);
}

void Dialog::EnableItem(int id, bool enable) {
  if (QWidget* control = Item(id)) control->setEnabled(enable);
}

bool Dialog::IsItemEnabled(int id) const {
  const QWidget* control = Item(id);
  return control != nullptr && control->isEnabled();
}

void Dialog::CheckRadioButton(int firstId, int lastId, int checkId) {
  if (window_ == nullptr) return;
  for (QWidget* control : static_cast<Frame*>(window_)->controls) {
    const int id = IdOf(control);
    auto* button = qobject_cast<QRadioButton*>(control);
    if (button != nullptr && id >= firstId && id <= lastId) button->setChecked(id == checkId);
  }
}

void Dialog::CheckButton(int id, bool checked) {
  auto* button = qobject_cast<QAbstractButton*>(Item(id));
  if (button != nullptr && button->isCheckable()) button->setChecked(checked);
}

bool Dialog::IsButtonChecked(int id) const {
  const auto* button = qobject_cast<const QAbstractButton*>(Item(id));
  return button != nullptr && button->isChecked();
}

void Dialog::SetItemFocus(int id) {
  if (QWidget* control = Item(id)) control->setFocus(Qt::OtherFocusReason);
}

QRect Dialog::ClientRect() const {
  return window_ != nullptr ? QRect(QPoint(0, 0), window_->size()) : QRect();
}

QRect Dialog::ItemRect(int id) const {
  const QWidget* control = Item(id);
  return control != nullptr ? control->geometry() : QRect();
}

void Dialog::MoveItem(int id, const QRect& rect) {
  if (QWidget* control = Item(id)) control->setGeometry(rect);
}

BaseUnits Dialog::Units() const {
  if (window_ != nullptr) return static_cast<const Frame*>(window_)->base;
  const DialogTemplate* layout = FindDialogTemplate(templateId_);
  if (layout == nullptr || !HasGui()) return {0, 0};
  return BaseUnitsOf(TemplateFont(*layout));
}

}  // namespace platform
