#include "browser/DisplayText.h"

#include <QString>
#include <QStringDecoder>

#include "platform/Ansi.h"

namespace plugin {
namespace {

// The first value of the character set, without padding: the one that holds for texts without
// code extensions.
std::string_view FirstTerm(std::string_view characterSet) {
  characterSet = characterSet.substr(0, characterSet.find('\\'));
  while (!characterSet.empty() && (characterSet.back() == ' ' || characterSet.back() == '\0'))
    characterSet.remove_suffix(1);
  while (!characterSet.empty() && characterSet.front() == ' ')
    characterSet.remove_prefix(1);
  return characterSet;
}

// The codec of the ISO 8859 parts that the standard names, or nullptr.
const char* IsoCodec(std::string_view term) {
  struct Entry {
    std::string_view term;
    const char* codec;
  };
  static constexpr Entry kParts[] = {
      {"ISO_IR 101", "ISO-8859-2"}, {"ISO_IR 109", "ISO-8859-3"}, {"ISO_IR 110", "ISO-8859-4"},
      {"ISO_IR 144", "ISO-8859-5"}, {"ISO_IR 127", "ISO-8859-6"}, {"ISO_IR 126", "ISO-8859-7"},
      {"ISO_IR 138", "ISO-8859-8"}, {"ISO_IR 148", "ISO-8859-9"}, {"ISO_IR 203", "ISO-8859-15"},
  };
  for (const Entry& entry : kParts) {
    if (term == entry.term) return entry.codec;
  }
  return nullptr;
}

}  // namespace

std::string DisplayText(std::string_view bytes, std::string_view characterSet) {
  bytes = bytes.substr(0, bytes.find('\0'));
  const std::string_view term = FirstTerm(characterSet);
  const auto size = static_cast<qsizetype>(bytes.size());
  if (term == "ISO_IR 100" || term == "ISO 2022 IR 100") {
    return platform::ToAnsi(QString::fromLatin1(bytes.data(), size));
  }
  if (term == "ISO_IR 192") return platform::ToAnsi(QString::fromUtf8(bytes.data(), size));
  if (const char* codec = IsoCodec(term)) {
    QStringDecoder decoder(codec);
    if (decoder.isValid()) return platform::ToAnsi(decoder.decode(QByteArrayView(bytes)));
  }
  return std::string(bytes);
}

}  // namespace plugin
