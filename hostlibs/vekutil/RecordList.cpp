#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "hostlibs/vekutil/VekUtil.h"

struct LisList {
  // Each copy has its own block, so a pointer handed out stays valid while the list grows.
  std::vector<std::unique_ptr<std::uint8_t[]>> records;
};

namespace {
// The hint only reserves room; a larger one would just waste memory.
constexpr int kMaxReserve = 4096;
}  // namespace

extern "C" {

LisHandle lisCreate(int hint) {
  auto* list = new LisList;
  if (hint > 0) list->records.reserve(static_cast<std::size_t>(std::min(hint, kMaxReserve)));
  return list;
}

int lisAdd(LisHandle* list, const void* record) {
  if (list == nullptr || *list == nullptr || record == nullptr) return 0;
  std::uint32_t size = 0;
  std::memcpy(&size, record, sizeof size);
  if (size < sizeof size) return 0;
  std::unique_ptr<std::uint8_t[]> copy(new (std::nothrow) std::uint8_t[size]);
  if (!copy) return 0;
  std::memcpy(copy.get(), record, size);
  (*list)->records.push_back(std::move(copy));
  return 1;
}

std::uint32_t lisGetElementCount(LisHandle list) {
  return list == nullptr ? 0 : static_cast<std::uint32_t>(list->records.size());
}

void* lisGetPointerToElement(LisHandle list, std::uint32_t index) {
  if (list == nullptr || index >= list->records.size()) return nullptr;
  return list->records[index].get();
}

void lisDestroy(LisHandle* list) {
  if (list == nullptr || *list == nullptr) return;
  delete *list;
  *list = nullptr;
}

}  // extern "C"
