#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QWidget>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "hostlibs/vekbase/Macro.h"
#include "platform/DialogTemplate.h"
#include "platform/ListView.h"
#include "platform/MessageBox.h"
#include "platform/OsServices.h"

// The plug-in loaded into the test process as the host loads it, freshly for every case so that
// its ids start at 1 again, with a temporary folder of its own and month-first dates. Its windows
// are driven directly; message boxes are recorded instead of shown.
class PluginFixture : public testing::Test {
 protected:
  using RequestFunction = int (*)(const char*, const char*, const char*, const char*);
  using OpenFunction = int (*)();
  using SendFunction = int (*)(const char*, const char*, const char*, const char*, const char*, int,
                               int);

  void SetUp() override {
    temporary_ =
        std::filesystem::temp_directory_path() / ("plugin-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(temporary_);
    if (const char* old = std::getenv("TMPDIR")) oldTmpdir_ = old;
    setenv("TMPDIR", temporary_.c_str(), 1);
    platform::WriteProfileString("intl", "iDate", "0");
    platform::WriteProfileString("intl", "sDate", "/");
    platform::SetMessageBoxHandler([this](const platform::MessageBoxRequest& request) {
      messages_.push_back(request.text);
      EXPECT_EQ(request.caption, std::string("DICOM"));
      EXPECT_EQ(request.flags, platform::kMbIconStop);
      return platform::kIdOk;
    });
  }

  void TearDown() override {
    Unload();
    platform::SetMessageBoxHandler({});
    vekbase::SetHostLanguage(1);
    oldTmpdir_ ? setenv("TMPDIR", oldTmpdir_->c_str(), 1) : unsetenv("TMPDIR");
    std::filesystem::remove_all(temporary_);
  }

  // Loads the plug-in afresh in the host's language.
  void Load(int language = 1) {
    Unload();
    plugin_ = dlopen(PLUGIN, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(plugin_, nullptr) << dlerror();
    request_ = reinterpret_cast<RequestFunction>(dlsym(plugin_, "DicomRequest"));
    isOpen_ = reinterpret_cast<OpenFunction>(dlsym(plugin_, "IsDialogRequestOpen"));
    send_ = reinterpret_cast<SendFunction>(dlsym(plugin_, "SendDicomImageToServer"));
    ASSERT_TRUE(request_ != nullptr && isOpen_ != nullptr && send_ != nullptr);
    vekbase::SetHostLanguage(language);
    messages_.clear();
  }

  // Loads the plug-in and opens the browser on the port.
  void Open(std::uint16_t port, int language = 1) {
    Load(language);
    OpenAgain(port);
  }

  // Opens the browser in the plug-in as it is loaded.
  void OpenAgain(std::uint16_t port) {
    ASSERT_EQ(request_("127.0.0.1", std::to_string(port).c_str(), "HOST", "ARCHIVE"), 1);
    browser_ = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets()) {
      if (window->isVisible() &&
          window->findChild<platform::ListView*>("6009", Qt::FindDirectChildrenOnly) != nullptr) {
        browser_ = window;
      }
    }
    ASSERT_NE(browser_, nullptr);
  }

  void Unload() {
    if (plugin_ == nullptr) return;
    dlclose(plugin_);
    plugin_ = nullptr;
    browser_ = nullptr;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  static QWidget* Window(const QString& title) {
    for (QWidget* window : QApplication::topLevelWidgets()) {
      if (window->isVisible() && window->windowTitle() == title) return window;
    }
    return nullptr;
  }

  platform::ListView* List(int id) const {
    return browser_->findChild<platform::ListView*>(QString::number(id));
  }
  QWidget* Control(int id) const { return browser_->findChild<QWidget*>(QString::number(id)); }
  void Click(int id) const {
    auto* button = browser_->findChild<QAbstractButton*>(QString::number(id));
    ASSERT_NE(button, nullptr);
    button->click();
  }

  // Column 0 of every row, or every cell of a row joined by '|'.
  std::vector<std::string> Rows(int id) const {
    std::vector<std::string> rows;
    const platform::ListView* list = List(id);
    for (int row = 0; row < list->GetItemCount(); ++row) {
      std::string text = list->ItemText(row, 0);
      for (int column = 1; column < list->ColumnCount(); ++column)
        text += "|" + list->ItemText(row, column);
      rows.push_back(text);
    }
    return rows;
  }
  std::vector<int> Selected(int id) const { return List(id)->SelectedRows(); }

  std::filesystem::path temporary_;
  std::optional<std::string> oldTmpdir_;
  void* plugin_ = nullptr;
  RequestFunction request_ = nullptr;
  OpenFunction isOpen_ = nullptr;
  SendFunction send_ = nullptr;
  QWidget* browser_ = nullptr;
  std::vector<std::string> messages_;
};
