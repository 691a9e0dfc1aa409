#include "document/local_names.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstring>

namespace sonavix {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;  // + a byte of 0x80 ... 0xFF

// The code point of a well-formed UTF-8 sequence at `p` (shortest form, no
// surrogates, at most U+10FFFF) and its length; length 0 if there is none.
int DecodeOne(const unsigned char* p, qsizetype left, char32_t& point) {
  const unsigned lead = p[0];
  int length = 0;
  char32_t least = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, point = lead & 0x1F, least = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, point = lead & 0x0F, least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, point = lead & 0x07, least = 0x10000;
  } else {
    return 0;
  }
  if (length > left) return 0;
  for (int k = 1; k < length; ++k) {
    if ((p[k] & 0xC0) != 0x80) return 0;
    point = (point << 6) | (p[k] & 0x3F);
  }
  if (point < least || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return 0;
  return length;
}

void AppendUtf8(QByteArray& out, char32_t point) {
  if (point < 0x80) {
    out += char(point);
  } else if (point < 0x800) {
    out += char(0xC0 | (point >> 6));
    out += char(0x80 | (point & 0x3F));
  } else if (point < 0x10000) {
    out += char(0xE0 | (point >> 12));
    out += char(0x80 | ((point >> 6) & 0x3F));
    out += char(0x80 | (point & 0x3F));
  } else {
    out += char(0xF0 | (point >> 18));
    out += char(0x80 | ((point >> 12) & 0x3F));
    out += char(0x80 | ((point >> 6) & 0x3F));
    out += char(0x80 | (point & 0x3F));
  }
}

bool IsEscape(char16_t unit) { return unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF; }

bool Exists(const QByteArray& path) {
  struct stat st {};
  return ::lstat(path.constData(), &st) == 0;
}

// The one entry of `folder` that a dialog would show as `shown`, or empty.
QByteArray EntryShownAs(const QByteArray& folder, const QString& shown) {
  DIR* dir = ::opendir(folder.isEmpty() ? "." : folder.constData());
  if (!dir) return {};
  QByteArray found;
  int matches = 0;
  while (const dirent* entry = ::readdir(dir)) {
    if (QString::fromUtf8(entry->d_name) != shown) continue;
    found = entry->d_name;
    ++matches;
  }
  ::closedir(dir);
  return matches == 1 ? found : QByteArray();
}

}  // namespace

QString NameFromBytes(const QByteArray& bytes) {
  QString name;
  name.reserve(bytes.size());
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
  for (qsizetype i = 0; i < bytes.size();) {
    if (p[i] < 0x80) {
      name += QChar(p[i++]);
      continue;
    }
    char32_t point = 0;
    const int length = DecodeOne(p + i, bytes.size() - i, point);
    if (length == 0) {
      name += QChar(char16_t(kEscapeBase + p[i++]));
      continue;
    }
    name += QString::fromUcs4(&point, 1);
    i += length;
  }
  return name;
}

QByteArray BytesFromName(const QString& name) {
  QByteArray bytes;
  bytes.reserve(name.size());
  for (qsizetype i = 0; i < name.size(); ++i) {
    const char16_t unit = name[i].unicode();
    if (QChar::isHighSurrogate(unit) && i + 1 < name.size() && name[i + 1].isLowSurrogate()) {
      AppendUtf8(bytes, QChar::surrogateToUcs4(unit, name[++i].unicode()));
    } else if (IsEscape(unit)) {
      bytes += char(unit - kEscapeBase);
    } else if (QChar::isSurrogate(unit)) {
      AppendUtf8(bytes, 0xFFFD);  // no byte stands behind it
    } else {
      AppendUtf8(bytes, unit);
    }
  }
  return bytes;
}

std::string LocalPath(const QString& name) { return BytesFromName(name).toStdString(); }

QString NameFromLocalPath(const std::string& path) {
  return NameFromBytes(QByteArray(path.data(), qsizetype(path.size())));
}

QString DisplayName(const QString& name) {
  QString shown = name;
  for (QChar& c : shown)
    if (IsEscape(c.unicode())) c = QChar(QChar::ReplacementCharacter);
  return shown;
}

QStringList ArgumentsFromArgv(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << NameFromBytes(QByteArray(argv[i]));
  return arguments;
}

bool IsFolder(const QString& name) {
  struct stat st {};
  return ::stat(BytesFromName(name).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

QString NameOnDisk(const QString& name) {
  if (name.isEmpty() || Exists(BytesFromName(name))) return name;
  const QStringList parts = name.split(QLatin1Char('/'));
  QByteArray path;
  for (qsizetype i = 0; i < parts.size(); ++i) {
    if (i > 0) path += '/';
    const QByteArray plain = BytesFromName(parts[i]);
    const bool last = i + 1 == parts.size();
    if (parts[i].isEmpty() || Exists(path + plain) || (last && !parts[i].contains(QChar::ReplacementCharacter))) {
      path += plain;
      continue;
    }
    const QByteArray entry = parts[i].contains(QChar::ReplacementCharacter)
                                 ? EntryShownAs(path.isEmpty() ? QByteArray(".") : path, parts[i])
                                 : QByteArray();
    if (entry.isEmpty()) return name;
    path += entry;
  }
  return NameFromBytes(path);
}

}  // namespace sonavix
