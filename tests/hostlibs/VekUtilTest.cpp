#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <ctime>
#include <set>
#include <string>
#include <vector>

#include "hostlibs/hostmenu/HostMenu.h"
#include "hostlibs/vekutil/VekUtil.h"
#include "platform/OsServices.h"

namespace {

struct Record {
  std::uint32_t size;
  std::int32_t value;
  char name[8];
};

TEST(RecordListTest, StoresCopiesThatOutliveTheCallersBlocks) {
  LisHandle list = lisCreate(256);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(lisGetElementCount(list), 0u);

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
  const std::uint8_t empty[] = {0, 0, 0, 0};
  EXPECT_EQ(lisAdd(&list, tooShort), 0);
  EXPECT_EQ(lisAdd(&list, empty), 0);
  EXPECT_EQ(lisAdd(&list, nullptr), 0);
  ASSERT_EQ(lisGetElementCount(list), records.size());

  auto* first = static_cast<const Record*>(lisGetPointerToElement(list, 1));
  for (int i = 0; i < 100; ++i) {
    Record filler{sizeof(Record), i, "filler"};
    lisAdd(&list, &filler);
  }
  EXPECT_EQ(lisGetPointerToElement(list, 1), first);
  EXPECT_EQ(first->value, 7);
  EXPECT_STREQ(first->name, "abc");
  for (std::size_t i = 0; i < records.size(); ++i) {
    EXPECT_EQ(std::memcmp(lisGetPointerToElement(list, static_cast<std::uint32_t>(i)),
                          records[i].data(), records[i].size()),
              0);
  }
  EXPECT_EQ(lisGetPointerToElement(list, lisGetElementCount(list)), nullptr);

  lisDestroy(&list);
  EXPECT_EQ(list, nullptr);
  lisDestroy(&list);
  EXPECT_EQ(lisGetElementCount(list), 0u);
  EXPECT_EQ(lisAdd(&list, records[0].data()), 0);
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
  EXPECT_EQ(menuCallHooks(kMenu, &request), 0);
  menuSetHostHandler(kMenu, HostHandler);
  EXPECT_EQ(menuCallHooks(kMenu, &request), 7);

  struct Case {
    bool bRemovesA;
    bool aRemovesItself;
    const char* trace;
    const char* traceAfter;  // of the next request, with nobody removing anything
    bool aRemains;
  };
  const Case cases[] = {
      {false, false, "BAH5", "BAH5", true},
      {true, false, "BH5", "BH5", false},
      // A removes itself while the request is at it, and still passes it on.
      {false, true, "BAH5", "BH5", false},
  };
  std::set<std::uint32_t> handles;
  for (const Case& c : cases) {
    hookA = menuSetHook(kMenu, HookA);
    hookB = menuSetHook(kMenu, HookB);
    handles.insert({hookA, hookB});
    bRemovesA = c.bRemovesA;
    aRemovesItself = c.aRemovesItself;
    hookTrace.clear();
    EXPECT_EQ(menuCallHooks(kMenu, &request), 107) << c.trace;
    EXPECT_EQ(hookTrace, c.trace);
    bRemovesA = aRemovesItself = false;
    hookTrace.clear();
    EXPECT_EQ(menuCallHooks(kMenu, &request), 107) << c.trace;
    EXPECT_EQ(hookTrace, c.traceAfter);
    EXPECT_EQ(menuRemoveHook(hookA), c.aRemains ? 1 : 0);
    EXPECT_EQ(menuRemoveHook(hookB), 1);
  }
  EXPECT_EQ(handles.size(), 6u);
  EXPECT_EQ(handles.count(0), 0u);
  EXPECT_EQ(menuCallNextHook(hookB, &request), 0);
  hookTrace.clear();
  request.kind = 2;
  EXPECT_EQ(menuCallHooks(kMenu, &request), 7);
  EXPECT_EQ(hookTrace, "H2");
  menuSetHostHandler(kMenu, nullptr);
}

TEST(DateFormatTest, ShortDateFollowsTheIntlSettings) {
  struct Case {
    const char* order;
    const char* separator;
    int year, month, day;
    const char* text;
  };
  const Case cases[] = {
      {"1", ".", 2002, 12, 4, "04.12.2002"}, {"0", "/", 2002, 12, 4, "12/04/2002"},
      {"2", "-", 2002, 12, 4, "2002-12-04"}, {"1", "", 1999, 1, 31, "31.01.1999"},
      {"0", "-", 1999, 1, 31, "01-31-1999"},
  };
  char buffer[260];
  for (const Case& c : cases) {
    platform::WriteProfileString("intl", "iDate", c.order);
    platform::WriteProfileString("intl", "sDate", c.separator);
    std::tm time{};
    time.tm_year = c.year - 1900;
    time.tm_mon = c.month - 1;
    time.tm_mday = c.day;
    utlFormatDateTime(&time, buffer, 3);
    EXPECT_STREQ(buffer, c.text);
  }

  std::tm wild{};
  wild.tm_year = INT_MAX;
  wild.tm_mon = INT_MIN;
  wild.tm_mday = INT_MIN;
  wild.tm_hour = INT_MAX;
  std::memset(buffer, 'x', sizeof buffer);
  utlFormatDateTime(&wild, buffer, 0);
  EXPECT_LT(std::strlen(buffer), sizeof buffer);
  EXPECT_NE(std::string(buffer).find(std::to_string(INT_MAX + 1900LL)), std::string::npos);
  platform::WriteProfileString("intl", "iDate", "1");
  platform::WriteProfileString("intl", "sDate", ".");
}

}  // namespace
