#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <ctime>
#include <string>
#include <tuple>
#include <vector>

#include "hostlibs/hostmenu/HostMenu.h"
#include "hostlibs/vekutil/VekUtil.h"

namespace {

struct Record {
  std::uint32_t size;
  std::int32_t value;
  char name[8];
};

TEST(RecordListTest, StoresCopiesThatOutliveTheCallersBlocks) {
  LisHandle list = lisCreate(256);
  ASSERT_NE(list, nullptr);

  // Each block is exactly as long as its size field says, so a read past it shows up under ASan.
  const std::vector<std::vector<std::uint8_t>> records = {
      {4, 0, 0, 0},
      {12, 0, 0, 0, 7, 0, 0, 0, 'a', 'b', 'c', 0},
      {5, 0, 0, 0, 0xEE},
  };
  for (const auto& bytes : records) {
    auto* block = new std::uint8_t[bytes.size()];
    std::memcpy(block, bytes.data(), bytes.size());
    EXPECT_EQ(lisAdd(&list, block), 1);
    delete[] block;
  }
  const std::uint8_t tooShort[] = {3, 0, 0, 0};
  EXPECT_EQ(lisAdd(&list, tooShort), 0);
  EXPECT_EQ(lisAdd(&list, nullptr), 0);
  ASSERT_EQ(lisGetElementCount(list), records.size());

  // The host keeps pointers to its records while it adds more.
  auto* first = static_cast<const Record*>(lisGetPointerToElement(list, 1));
  for (int i = 0; i < 100; ++i) {
    Record filler{sizeof(Record), i, "filler"};
    lisAdd(&list, &filler);
  }
  EXPECT_EQ(lisGetPointerToElement(list, 1), first);
  EXPECT_STREQ(first->name, "abc");
  EXPECT_EQ(lisGetPointerToElement(list, lisGetElementCount(list)), nullptr);
  lisDestroy(&list);
  EXPECT_EQ(list, nullptr);
}

// The hooks of the chain test are plain functions, as the host's are; they talk through these.
std::string hookTrace;
std::uint32_t hookA = 0;
std::uint32_t hookB = 0;
bool bRemovesA = false;
bool aRemovesItself = false;

int HookA(MenuRequest* request) {
  hookTrace += 'A';
  if (aRemovesItself) menuRemoveHook(hookA);
  return menuCallNextHook(hookA, request);
}
int HookB(MenuRequest* request) {
  hookTrace += 'B';
  if (bRemovesA) menuRemoveHook(hookA);
  return menuCallNextHook(hookB, request) + 100;
}
int HostHandler(MenuRequest* request) {
  hookTrace += 'H' + std::to_string(request->kind);
  return 7;
}

TEST(HostMenuTest, HooksRunHeadFirstAndEndInTheHostsHandler) {
  constexpr std::uint32_t kMenu = 901;
  MenuRequest request{39601, 5, {}};
  menuSetHostHandler(kMenu, HostHandler);
  // {B removes A, A removes itself, trace}: a hook removed while the request is at it still
  // passes it on.
  for (const auto& [bRemoves, aRemoves, trace] :
       {std::tuple{false, false, "BAH5"}, {true, false, "BH5"}, {false, true, "BAH5"}}) {
    hookA = menuSetHook(kMenu, HookA);
    hookB = menuSetHook(kMenu, HookB);
    bRemovesA = bRemoves;
    aRemovesItself = aRemoves;
    hookTrace.clear();
    EXPECT_EQ(menuCallHooks(kMenu, &request), 107) << trace;
    EXPECT_EQ(hookTrace, trace);
    EXPECT_EQ(menuRemoveHook(hookA), bRemoves || aRemoves ? 0 : 1) << trace;
    EXPECT_EQ(menuRemoveHook(hookB), 1);
  }
  hookTrace.clear();
  EXPECT_EQ(menuCallHooks(kMenu, &request), 7);
  EXPECT_EQ(hookTrace, "H5");
  menuSetHostHandler(kMenu, nullptr);
}

// The short date's order and separator are the browser's and the host's tests; here fields far
// out of range must still give a bounded text.
TEST(DateFormatTest, FieldsOutOfRangeGiveABoundedText) {
  char buffer[260];
  std::tm wild{};
  wild.tm_year = INT_MAX;
  wild.tm_mon = wild.tm_mday = INT_MIN;
  utlFormatDateTime(&wild, buffer, 0);
  EXPECT_NE(std::string(buffer).find(std::to_string(INT_MAX + 1900LL)), std::string::npos);
}

}  // namespace
