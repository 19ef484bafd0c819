#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "hostlibs/hostmenu/HostMenu.h"
#include "hostlibs/vekbase/VekBase.h"
#include "hostlibs/vekutil/VekProgressMan.h"
#include "hostlibs/vekutil/VekUtil.h"
#include "platform/Application.h"
#include "platform/DialogTemplate.h"
#include "platform/MessageBox.h"

// A command-line process runs no QApplication: every user-interface operation of the host's
// libraries must then do nothing harmful, while the rest works as usual.
namespace {

std::uint32_t hook = 0;
int hookCalls = 0;
int viewerCalls = 0;

int HelpHook(MenuRequest* request) {
  ++hookCalls;
  std::strcpy(request->text, "Test.hlp");
  return menuCallNextHook(hook, request);
}

TEST(HeadlessTest, UserInterfaceOperationsAreHarmless) {
  ASSERT_FALSE(platform::HasGui());

  CVekProgressMan progress(6036, nullptr);
  progress.SetText(6039, "Trying to connect to the server...");
  progress.SetAnimationCtrl(6041, 6035);
  EXPECT_FALSE(progress.IsBegun());
  progress.BeginProgressDialog();
  EXPECT_TRUE(progress.IsBegun());
  EXPECT_EQ(progress.Window(), nullptr);

  hook = menuSetHook(kHelpMenuId, HelpHook);
  utlSetHelpViewer([](const char*, std::uint32_t) { ++viewerCalls; });
  ShowHelp(1, 39601);
  EXPECT_EQ(hookCalls, 1);
  EXPECT_EQ(viewerCalls, 0);
  utlSetHelpViewer(nullptr);
  menuRemoveHook(hook);

  sysProcessIdle();

  testing::internal::CaptureStderr();
  EXPECT_EQ(platform::MessageBox(nullptr, "Unable to contact the server.", "DICOM",
                                 platform::kMbIconStop),
            platform::kIdOk);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("Unable to contact the server."),
            std::string::npos);

  EXPECT_EQ(macCommand("macGetLanguage ()"), 1);
  EXPECT_EQ(opGetDisplay(), 1);
}

}  // namespace
