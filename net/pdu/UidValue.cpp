#include "net/pdu/UidValue.h"

#include <algorithm>

namespace dicom {

void UidValue::Assign(std::string_view text) {
  length_ = static_cast<std::uint32_t>(std::min<std::size_t>(text.size(), kMaxLength));
  chars_.fill('\0');
  std::copy_n(text.data(), length_, chars_.data());
}

}  // namespace dicom
