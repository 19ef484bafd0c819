#pragma once

namespace plugin {

// Stores the image of one Part 10 file on the archive over an association of its own, after
// asking for a copy with the same Instance Number when checkDuplicate is not 0: 0 stored; -1 file
// unreadable or query not sent; -2 no association or no query answer; -3 and -4 store request
// or answer failed; -5 a copy exists.
int SendImage(const char* filePath, const char* host, const char* port, const char* callingAeTitle,
              const char* calledAeTitle, int checkDuplicate);

}  // namespace plugin
