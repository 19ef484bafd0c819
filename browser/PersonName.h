#pragma once

namespace plugin {

// The display form of a Person Name value: family name, a space and given name; the middle name,
// prefix and suffix are not shown. The output holds at least 260 bytes.
void FormatPersonName(const char* value, char* output);

}  // namespace plugin
