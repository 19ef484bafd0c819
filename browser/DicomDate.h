#pragma once

// Dates between the archive's YYYYMMDD, the host's short date and back.
namespace plugin {

// The host's short date for a DA value; empty for an empty value. The output holds at least 260
// bytes.
void FormatDicomDate(const char* value, char* output);
// A short date as the host writes it (order and separator from the [intl] profile values) back
// to YYYYMMDD; "00000000" for an empty text. The output holds at least 260 bytes.
void ParseDisplayDate(const char* text, char* output);

}  // namespace plugin
