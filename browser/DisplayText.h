#pragma once

#include <string>
#include <string_view>

// Texts from the archive are bytes in the character set the response names in (0008,0005); the
// list views take code page 1252. Records keep the bytes as received and every text the browser
// shows or compares with a shown text goes through here, so that both sides read alike.
namespace plugin {

// The bytes (up to a NUL) as code page 1252: decoded by the character set when it is one we
// know (ISO_IR 100 Latin-1, ISO_IR 192 UTF-8, and the other ISO 8859 parts), else taken as code
// page 1252 already, as the home platform shows them. A character the code page lacks becomes
// '?'.
std::string DisplayText(std::string_view bytes, std::string_view characterSet);

}  // namespace plugin
