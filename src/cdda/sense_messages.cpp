// Sense data in words: the key's name, then every description the ASC/ASCQ
// list holds for the pair.

#include "cdda/sense_messages.h"

#include <array>

namespace sonavix::cdda {
namespace {

constexpr std::array<std::string_view, 16> kSenseKeyNames = {
    "No Additional Sense", "Recovered Error", "Not Ready",       "Medium Error",
    "Hardware Error",      "Illegal Request", "Unit Attention",  "Data Protect",
    "Blank Check",         "Vendor Unique",   "Copy Aborted",    "Aborted Command",
    "Equal",               "Volume Overflow", "Miscompare",      "Reserved",
};

constexpr std::size_t kKeyLength = 8;

// '\' followed by the value in exactly three octal digits.
void AppendOctal(std::string& out, std::uint8_t value) {
  out += '\\';
  out += static_cast<char>('0' + value / 64);
  out += static_cast<char>('0' + value / 8 % 8);
  out += static_cast<char>('0' + value % 8);
}

std::string AscKey(std::uint8_t asc, std::uint8_t ascq) {
  std::string key;
  AppendOctal(key, asc);
  AppendOctal(key, ascq);
  return key;
}

}  // namespace

std::string_view SenseKeyText(std::uint8_t key) {
  return key < kSenseKeyNames.size() ? kSenseKeyNames[key] : std::string_view{};
}

std::string geterrorMessage(std::uint8_t senseKey, std::uint8_t asc, std::uint8_t ascq) {
  std::string message = senseKey < kSenseKeyNames.size() ? std::string(SenseKeyText(senseKey)) + ":"
                                                         : std::string("Fehler:");
  const std::string key = AscKey(asc, ascq);
  for (std::size_t i = 0; i < AscTableSize(); ++i) {
    const std::string_view entry = AscTableEntry(i);
    if (entry.starts_with(key)) {
      message += ' ';
      message += entry.substr(kKeyLength);
    }
  }
  return message;
}

}  // namespace sonavix::cdda
