#include "browser/PersonName.h"

#include <cstring>

#include "host/Module.h"

namespace plugin {

void FormatPersonName(const char* value, char* output) {
  constexpr int kMaxPieces = 5;
  char copy[kTextBuffer];
  CopyText(copy, value);
  const char* pieces[kMaxPieces] = {};
  int count = 0;
  // Runs of separators count as one and a leading one is dropped, so "^John" shows as "John".
  for (char* piece = std::strtok(copy, "^\n"); piece != nullptr && count < kMaxPieces;
       piece = std::strtok(nullptr, "^\n")) {
    pieces[count++] = piece;
  }
  output[0] = '\0';
  if (count == 0) return;
  std::strcpy(output, pieces[0]);
  if (count > 1) {
    std::strcat(output, " ");
    std::strncat(output, pieces[1], kTextBuffer - 1 - std::strlen(output));
  }
}

}  // namespace plugin
