#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QWidget>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "hostlibs/vekbase/Macro.h"
#include "platform/Ansi.h"
#include "platform/DialogTemplate.h"
#include "platform/ListView.h"
#include "platform/MessageBox.h"
#include "platform/OsServices.h"
#include "support/Hex.h"
#include "support/PduFixtures.h"
#include "support/ScriptedPeer.h"

// The plug-in loaded into the test process as the host loads it, freshly for every case so that
// its ids start at 1 again: the browser's association proposes Verification (context 1), FIND (3)
// and MOVE (5), and its first message is number 7. The browser is driven through its windows;
// message boxes are recorded instead of shown.
namespace browser_test {

using Peer = testing_support::ScriptedPeer;
using Steps = std::vector<Peer::Step>;
using testing_support::AsciiHex;
using testing_support::CommandSet;
using testing_support::CommandUi;
using testing_support::CommandUs;
using testing_support::DataPdu;
using testing_support::LeHex;

inline constexpr int kFindContext = 3;
inline constexpr int kMoveContext = 5;
inline constexpr const char* kTitle = "Dicom Request";

// An implicit VR little-endian element; a text of odd length gets the pad byte.
inline std::string Element(int group, int element, std::string_view text, const char* pad = " 20") {
  return LeHex(group, 2) + LeHex(element, 2) + LeHex(text.size() + text.size() % 2, 4) +
         AsciiHex(text) + (text.size() % 2 ? pad : "") + " ";
}

inline std::string FindResponse(std::uint16_t status, const std::string& identifier = {}) {
  std::string pdus = DataPdu(
      {{kFindContext, 0x03,
        CommandSet({CommandUi(0x0002, "1.2.840.10008.5.1.4.1.2.2.1"), CommandUs(0x0100, 0x8020),
                    CommandUs(0x0120, 7), CommandUs(0x0800, identifier.empty() ? 0x0101 : 0x0102),
                    CommandUs(0x0900, status)})}});
  if (!identifier.empty()) pdus += DataPdu({{kFindContext, 0x02, identifier}});
  return pdus;
}

inline std::string MoveResponse(std::uint16_t status) {
  return DataPdu(
      {{kMoveContext, 0x03,
        CommandSet({CommandUi(0x0002, "1.2.840.10008.5.1.4.1.2.2.2"), CommandUs(0x0100, 0x8021),
                    CommandUs(0x0120, 7), CommandUs(0x0800, 0x0101), CommandUs(0x0900, status)})}});
}

// A request arrives as two P-DATA-TF PDUs, its command and its identifier.
inline Steps Query(const std::vector<std::string>& identifiers, Steps answer = {}) {
  Steps steps = {Peer::ExpectPdu(0x04), Peer::ExpectPdu(0x04)};
  for (const std::string& identifier : identifiers)
    steps.push_back(Peer::Send(FindResponse(0xFF00, identifier)));
  steps.insert(steps.end(), answer.begin(), answer.end());
  if (answer.empty()) steps.push_back(Peer::Send(FindResponse(0x0000)));
  return steps;
}

inline Steps Then(Steps steps, const Steps& more) {
  steps.insert(steps.end(), more.begin(), more.end());
  return steps;
}

// A study-level response: optional character set, study date, name, patient ID, birth date,
// study UID, study ID, in ascending tag order.
inline std::string Study(std::string_view name, std::string_view studyId, std::string_view date,
                         std::string_view uid, std::string_view characterSet = {},
                         std::string_view birthDate = "19700101") {
  return (characterSet.empty() ? "" : Element(0x0008, 0x0005, characterSet)) +
         Element(0x0008, 0x0020, date) + Element(0x0010, 0x0010, name) +
         Element(0x0010, 0x0020, "ID01") + Element(0x0010, 0x0030, birthDate) +
         Element(0x0020, 0x000d, uid, " 00") + Element(0x0020, 0x0010, studyId);
}

inline std::string Series(std::string_view modality, std::string_view number,
                          std::string_view uid) {
  return Element(0x0008, 0x0060, modality) + Element(0x0020, 0x000d, "1.2.1", " 00") +
         Element(0x0020, 0x000e, uid, " 00") + Element(0x0020, 0x0011, number);
}

inline std::string Image(std::string_view number, std::string_view uid) {
  return Element(0x0008, 0x0018, uid, " 00") + Element(0x0020, 0x000d, "1.2.1", " 00") +
         Element(0x0020, 0x000e, "1.2.1.1", " 00") + Element(0x0020, 0x0013, number);
}

// Texts as the list views hold them, code page 1252, from UTF-8 source text.
inline std::string Ansi(const char* utf8) {
  return platform::ToAnsi(QString::fromUtf8(utf8));
}

class PluginFixture : public testing::Test {
 protected:
  using RequestFunction = int (*)(const char*, const char*, const char*, const char*);

  void SetUp() override {
    temporary_ =
        std::filesystem::temp_directory_path() / ("browser-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(temporary_);
    const char* old = std::getenv("TMPDIR");
    oldTmpdir_ = old != nullptr ? old : "";
    hadTmpdir_ = old != nullptr;
    setenv("TMPDIR", temporary_.c_str(), 1);
    platform::WriteProfileString("intl", "iDate", "0");
    platform::WriteProfileString("intl", "sDate", "/");
    platform::SetMessageBoxHandler([this](const platform::MessageBoxRequest& request) {
      messages_.push_back(request.text);
      EXPECT_EQ(request.caption, caption_);
      EXPECT_EQ(request.flags, platform::kMbIconStop);
      return platform::kIdOk;
    });
  }

  void TearDown() override {
    Unload();
    platform::SetMessageBoxHandler({});
    vekbase::SetHostLanguage(1);
    if (hadTmpdir_) {
      setenv("TMPDIR", oldTmpdir_.c_str(), 1);
    } else {
      unsetenv("TMPDIR");
    }
    std::filesystem::remove_all(temporary_);
  }

  // Loads the plug-in afresh and opens the browser on the port.
  void Open(std::uint16_t port, int language = 1) {
    Unload();
    plugin_ = dlopen(PLUGIN, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(plugin_, nullptr) << dlerror();
    auto request = reinterpret_cast<RequestFunction>(dlsym(plugin_, "DicomRequest"));
    ASSERT_NE(request, nullptr);
    vekbase::SetHostLanguage(language);
    caption_ = "DICOM";
    messages_.clear();
    ASSERT_EQ(request("127.0.0.1", std::to_string(port).c_str(), "HOST", "ARCHIVE"), 1);
    browser_ = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets()) {
      if (window->isVisible() && window->findChild<platform::ListView*>("6009") != nullptr) {
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
  std::string oldTmpdir_;
  bool hadTmpdir_ = false;
  void* plugin_ = nullptr;
  QWidget* browser_ = nullptr;
  std::string caption_ = "DICOM";
  std::vector<std::string> messages_;
};

}  // namespace browser_test
