#include "lyrics/lyrics.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <optional>

namespace sonavix {

namespace {

// The most a stamp may say: lyrics of a ten-hour recording.
constexpr double kLatestSeconds = 36000;

bool ValidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    const int more = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
    if (more < 0 || (more == 1 && c < 0xC2) || (more > 0 && i + more >= text.size())) return false;
    for (int k = 1; k <= more; ++k)
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    i += 1 + more;
  }
  return true;
}

std::string AsUtf8(std::string_view text) {
  if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  if (ValidUtf8(text)) return std::string(text);
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      out += c;
    } else {
      out += static_cast<char>(0xC0 | (byte >> 6));
      out += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return out;
}

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

// Digits at the front of `s`, taken off it; nothing without one.
std::optional<long> Digits(std::string_view& s, std::size_t most = 9) {
  std::size_t n = 0;
  long value = 0;
  while (n < s.size() && n < most && std::isdigit(static_cast<unsigned char>(s[n]))) value = value * 10 + (s[n++] - '0');
  if (n == 0) return std::nullopt;
  s.remove_prefix(n);
  return value;
}

// "mm:ss", "mm:ss.xx", "mm:ss:xx", "h:mm:ss,mmm" and the like as seconds.
std::optional<double> Stamp(std::string_view s) {
  s = Trimmed(s);
  std::vector<long> fields;
  double fraction = 0;
  bool hasFraction = false;
  for (;;) {
    const std::optional<long> field = Digits(s);
    if (!field || fields.size() == 3) return std::nullopt;
    fields.push_back(*field);
    if (s.empty()) break;
    if (s.front() == ':' && fields.size() < 3) {
      s.remove_prefix(1);
      continue;
    }
    if (s.front() != '.' && s.front() != ',') return std::nullopt;
    s.remove_prefix(1);
    const std::size_t digits = s.size();
    const std::optional<long> part = Digits(s, 6);
    if (!part || !s.empty()) return std::nullopt;
    fraction = double(*part) / std::pow(10.0, double(digits));
    hasFraction = true;
    break;
  }
  // "mm:ss:xx" (hundredths after a colon) is an old LRC form.
  if (fields.size() == 3 && !hasFraction && fields[2] < 100 && fields[0] < 60 && fields[1] < 60) {
    fraction = double(fields[2]) / 100;
    fields.pop_back();
  }
  if (fields.size() < 2) return std::nullopt;
  for (std::size_t i = 1; i < fields.size(); ++i)
    if (fields[i] >= 60) return std::nullopt;
  double seconds = fraction;
  double scale = 1;
  for (std::size_t i = fields.size(); i-- > 0; scale *= 60) seconds += double(fields[i]) * scale;
  if (seconds > kLatestSeconds) return std::nullopt;
  return seconds;
}

void Finish(Lyrics& lyrics) {
  std::stable_sort(lyrics.lines.begin(), lyrics.lines.end(),
                   [](const LyricLine& a, const LyricLine& b) { return a.start < b.start; });
  for (std::size_t i = 0; i + 1 < lyrics.lines.size(); ++i)
    if (lyrics.lines[i].end < 0) lyrics.lines[i].end = lyrics.lines[i + 1].start;
}

// "<01:02.80>Wort <01:03.10>Wort": the words and their times; the line's
// text without the stamps.
void ReadWords(std::string_view rest, LyricLine& line) {
  if (rest.find('<') == std::string_view::npos) {
    line.text = std::string(Trimmed(rest));
    return;
  }
  std::string text;
  while (!rest.empty()) {
    const std::size_t open = rest.find('<');
    const std::size_t close = open == std::string_view::npos ? open : rest.find('>', open);
    const std::optional<double> at =
        close == std::string_view::npos ? std::nullopt : Stamp(rest.substr(open + 1, close - open - 1));
    const std::string_view before = rest.substr(0, at ? open : rest.size());
    if (!before.empty()) {
      if (line.words.empty()) line.words.push_back({line.start, {}});
      line.words.back().text += std::string(before);
      text += std::string(before);
    }
    if (!at) break;
    line.words.push_back({*at, {}});
    rest.remove_prefix(close + 1);
  }
  std::erase_if(line.words, [](const LyricWord& w) { return Trimmed(w.text).empty(); });
  line.text = std::string(Trimmed(text));
}

}  // namespace

Lyrics ParseLrc(std::string_view input) {
  const std::string text = AsUtf8(input);
  Lyrics lyrics;
  double offset = 0;
  for (std::string_view line : Lines(text)) {
    line = Trimmed(line);
    if (line.empty() || line.front() != '[') continue;
    std::vector<double> starts;
    bool broken = false;
    while (!line.empty() && line.front() == '[') {
      const std::size_t close = line.find(']');
      if (close == std::string_view::npos) {
        broken = true;
        break;
      }
      const std::string_view tag = line.substr(1, close - 1);
      line.remove_prefix(close + 1);
      if (!tag.empty() && std::isalpha(static_cast<unsigned char>(tag.front()))) {
        // A tag such as [ar:Band]; [offset:+500] moves every line (milliseconds).
        if (tag.substr(0, 7) == "offset:") {
          std::string_view value = Trimmed(tag.substr(7));
          const bool negative = !value.empty() && value.front() == '-';
          if (!value.empty() && (value.front() == '-' || value.front() == '+')) value.remove_prefix(1);
          if (const std::optional<long> ms = Digits(value, 7); ms && value.empty())
            offset = (negative ? -1.0 : 1.0) * double(*ms) / 1000;
        }
        continue;
      }
      const std::optional<double> at = Stamp(tag);
      if (!at) {
        broken = true;
        break;
      }
      starts.push_back(*at);
    }
    if (broken) {
      ++lyrics.skipped;
      continue;
    }
    for (const double start : starts) {
      LyricLine entry;
      // LRC's offset is how much earlier the lines come.
      entry.start = std::max(0.0, start - offset);
      ReadWords(line, entry);
      for (LyricWord& word : entry.words) word.start = std::max(0.0, word.start - offset);
      lyrics.lines.push_back(std::move(entry));
    }
  }
  Finish(lyrics);
  return lyrics;
}

Lyrics ParseSrt(std::string_view input) {
  const std::string text = AsUtf8(input);
  const std::vector<std::string_view> lines = Lines(text);
  Lyrics lyrics;
  for (std::size_t i = 0; i < lines.size();) {
    if (Trimmed(lines[i]).empty()) {
      ++i;
      continue;
    }
    // An optional number, then the times.
    std::string_view times = Trimmed(lines[i]);
    if (times.find("-->") == std::string_view::npos && i + 1 < lines.size()) times = Trimmed(lines[++i]);
    const std::size_t arrow = times.find("-->");
    std::optional<double> start, end;
    if (arrow != std::string_view::npos) {
      start = Stamp(times.substr(0, arrow));
      // Position hints may follow the end time.
      std::string_view after = Trimmed(times.substr(arrow + 3));
      end = Stamp(after.substr(0, after.find(' ')));
    }
    std::string body;
    for (++i; i < lines.size() && !Trimmed(lines[i]).empty(); ++i) {
      if (!body.empty()) body += ' ';
      body += std::string(Trimmed(lines[i]));
    }
    if (!start || !end || *end < *start) {
      ++lyrics.skipped;
      continue;
    }
    LyricLine line;
    line.start = *start;
    line.end = *end;
    line.text = std::move(body);
    lyrics.lines.push_back(std::move(line));
  }
  Finish(lyrics);
  return lyrics;
}

Lyrics ParseLyrics(std::string_view text) {
  // SRT has its arrows; LRC its bracketed stamps.
  return text.find("-->") != std::string_view::npos ? ParseSrt(text) : ParseLrc(text);
}

const LyricLine* LineAt(const Lyrics& lyrics, double seconds) {
  const auto after = std::upper_bound(lyrics.lines.begin(), lyrics.lines.end(), seconds,
                                      [](double s, const LyricLine& line) { return s < line.start; });
  if (after == lyrics.lines.begin()) return nullptr;
  const LyricLine& line = *(after - 1);
  if (line.end >= 0 && seconds >= line.end) return nullptr;
  return &line;
}

}  // namespace sonavix
