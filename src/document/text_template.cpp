#include "document/text_template.h"

#include <cctype>
#include <optional>
#include <string_view>
#include <vector>

namespace sonavix {

namespace {

// The value of a placeholder's name; nothing for a name it does not know.
std::optional<std::string> ValueOf(const std::string& name, const SoundTags& tags) {
  if (name == "artist") return tags.artist;
  if (name == "title") return tags.title;
  if (name == "album") return tags.album;
  if (name == "track") return tags.track;
  if (name == "year") return tags.year;
  return std::nullopt;
}

// A piece of the line: written text, or a placeholder's value with the
// brackets that enclose it.
struct Piece {
  std::string text;
  bool placeholder = false;
  bool empty = false;  // a placeholder without a value
};

// Dashes, dots, quotation marks and spaces beyond ASCII that only set
// words apart, in UTF-8.
constexpr const char* kSeparators[] = {"–", "—", "‒", "‐", "−", "·", "•", "…", "«", "»", "„", "“", "”", "\u00a0"};

// Whether the text holds a letter or a digit (a character beyond ASCII
// counts as one unless it is a separator): such text says something of its
// own.
bool SaysSomething(const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {
      if (std::isalnum(byte)) return true;
      ++i;
      continue;
    }
    std::size_t skipped = 0;
    for (const char* separator : kSeparators)
      if (text.compare(i, std::string_view(separator).size(), separator) == 0) skipped = std::string_view(separator).size();
    if (skipped == 0) return true;
    i += skipped;
  }
  return false;
}

char Closing(char opening) {
  switch (opening) {
    case '(': return ')';
    case '[': return ']';
    case '<': return '>';
    default: return 0;
  }
}

std::vector<Piece> Split(const std::string& text, const SoundTags& tags) {
  std::vector<Piece> pieces;
  std::string literal;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t close = text[i] == '{' ? text.find('}', i) : std::string::npos;
    const std::optional<std::string> value =
        close == std::string::npos ? std::nullopt : ValueOf(text.substr(i + 1, close - i - 1), tags);
    if (!value) {
      literal += text[i++];
      continue;
    }
    // Brackets right around the placeholder belong to it.
    std::string before, after;
    const std::size_t next = close + 1;
    if (!literal.empty() && Closing(literal.back()) && next < text.size() && text[next] == Closing(literal.back())) {
      before = literal.back();
      after = text[next];
      literal.pop_back();
    }
    pieces.push_back({literal});
    literal.clear();
    pieces.push_back({before + *value + after, true, value->empty()});
    i = next + after.size();
  }
  pieces.push_back({literal});
  return pieces;
}

}  // namespace

std::string ExpandTextTemplate(const std::string& text, const SoundTags& tags) {
  const std::vector<Piece> pieces = Split(text, tags);
  // Literals and placeholders alternate: literal, placeholder, literal, ...
  std::string line;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    const Piece& piece = pieces[i];
    if (piece.placeholder) {
      if (!piece.empty) line += piece.text;
      continue;
    }
    const bool emptyBefore = i > 0 && pieces[i - 1].empty;
    const bool emptyAfter = i + 1 < pieces.size() && pieces[i + 1].empty;
    // A separator goes with an empty neighbour; so does one that would
    // stand at the line's start or end with nothing beside it.
    const bool nothingBefore = line.find_first_not_of(' ') == std::string::npos && i > 0;
    const bool nothingAfter = [&] {
      for (std::size_t j = i + 1; j < pieces.size(); ++j)
        if (!pieces[j].empty && !pieces[j].text.empty()) return false;
      return i + 1 < pieces.size();
    }();
    if (!SaysSomething(piece.text) && (emptyBefore || emptyAfter || nothingBefore || nothingAfter)) continue;
    line += piece.text;
  }
  return line;
}

bool HasPlaceholder(const std::string& text) {
  for (const Piece& piece : Split(text, SoundTags{}))
    if (piece.placeholder) return true;
  return false;
}

}  // namespace sonavix
