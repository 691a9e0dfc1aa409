#pragma once
// Sense data in words: the sense key's name and every description the
// ASC/ASCQ list has for the pair.

#include <cstdint>
#include <string>
#include <string_view>

namespace sonavix::cdda {

// The sixteen sense key names, "No Additional Sense" ... "Reserved".
std::string_view SenseKeyText(std::uint8_t key);

// The ASC/ASCQ list: each entry is an 8-character key ('\' + ASC in three
// octal digits + '\' + ASCQ in three octal digits) followed directly by the
// description; in ascending order, "start vendor unique" last.
std::size_t AscTableSize();
std::string_view AscTableEntry(std::size_t index);

// "<key name>:" (or "Fehler:" for a key above 15) followed by " <text>" for
// every list entry that carries the ASC/ASCQ pair, in list order.
std::string geterrorMessage(std::uint8_t senseKey, std::uint8_t asc, std::uint8_t ascq);

}  // namespace sonavix::cdda
