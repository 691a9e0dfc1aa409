#include "cli/finished_record.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QStringList>
#include <cerrno>
#include <cstdint>
#include <vector>

#include "document/local_names.h"
#include "document/safe_file.h"
#include "lyrics/lyrics_file.h"
#include "video/backdrop.h"

namespace sonavix {

namespace {

constexpr qsizetype kLongestNote = 1 << 16;

std::string Stamp(const struct stat& st) {
  return std::to_string(st.st_size) + ' ' + std::to_string(st.st_mtim.tv_sec) + '.' +
         std::to_string(st.st_mtim.tv_nsec);
}

// Size and time of a file the picture is made from; "-" when there is none.
std::string FileStamp(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return "-";
  return path + ' ' + Stamp(st);
}

std::string Number(double value) { return QString::number(value, 'g', 17).toStdString(); }

// Every option that shapes the output's bytes, in one line of ASCII.
std::string OptionsLine(const RenderRequest& request, const std::string& preset) {
  const std::string lyrics = request.lyrics == "auto" ? "auto " + FileStamp(LyricsBeside(request.input))
                                                      : FileStamp(request.lyrics);
  const std::string image =
      request.image == "auto" ? "auto " + FileStamp(LocalPath(CoverBeside(NameFromLocalPath(request.input))))
                              : FileStamp(request.image);
  const QStringList fields = {
      QString::fromStdString(preset),
      QString::number(int(request.preset)),
      QString::number(int(request.tv)),
      request.text,
      QString::number(request.textFromTags),
      request.font.toString(),
      request.subtext,
      request.textPlace ? QString::number(int(*request.textPlace)) : QStringLiteral("-"),
      request.textColour ? request.textColour->name(QColor::HexArgb) : QStringLiteral("-"),
      NameFromLocalPath(lyrics),
      QString::number(request.webFrameRate),
      NameFromLocalPath(image),
      QString::number(int(request.imageFit)),
      QString::fromStdString(Number(request.quality)),
      request.from ? QString::fromStdString(Number(*request.from)) : QStringLiteral("-"),
      request.to ? QString::fromStdString(Number(*request.to)) : QStringLiteral("-"),
      QString::number(request.exactEnd),
  };
  return BytesFromName(fields.join(QLatin1Char('\n'))).toPercentEncoding().toStdString();
}

// The note's lines that say what the output was made from and what it is;
// empty when the input or the output cannot be looked at.
std::optional<std::string> MadeFrom(const RenderRequest& request, const std::string& preset) {
  struct stat input {}, output {};
  if (::stat(request.input.c_str(), &input) != 0 || ::stat(request.output.c_str(), &output) != 0 ||
      !S_ISREG(output.st_mode))
    return std::nullopt;
  const std::string name = request.input.substr(request.input.find_last_of('/') + 1);
  return "sonavix " + QCoreApplication::applicationVersion().toStdString() + "\ninput " +
         QByteArray::fromStdString(name).toPercentEncoding().toStdString() + "\ninput-stamp " + Stamp(input) +
         "\noptions " + OptionsLine(request, preset) + "\noutput-stamp " + Stamp(output) + '\n';
}

// Feeds the file's bytes to `take` from its start, at most `most` of them;
// false if it cannot be opened or read.
template <typename Take>
bool ReadFile(const std::string& path, std::int64_t most, Take take) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  std::vector<char> buffer(1 << 20);
  for (std::int64_t total = 0; ok && total < most;) {
    const ssize_t got = ::read(fd, buffer.data(), buffer.size());
    if (got == 0) break;
    ok = got > 0 || errno == EINTR;
    if (got > 0) take(buffer.data(), got), total += got;
  }
  ::close(fd);
  return ok;
}

std::optional<QByteArray> ReadNote(const std::string& path) {
  QByteArray bytes;
  if (!ReadFile(path, kLongestNote, [&](const char* data, ssize_t size) { bytes.append(data, size); }))
    return std::nullopt;
  return bytes.size() < kLongestNote ? std::optional(bytes) : std::nullopt;
}

}  // namespace

std::string FinishedNotePath(const std::string& output) {
  const std::size_t slash = output.find_last_of('/');
  const std::size_t name = slash == std::string::npos ? 0 : slash + 1;
  return output.substr(0, name) + '.' + output.substr(name) + ".sonavix";
}

std::optional<FinishedOutput> FindFinished(const RenderRequest& request, const std::string& preset) {
  const std::optional<std::string> expected = MadeFrom(request, preset);
  if (!expected) return std::nullopt;
  const std::optional<QByteArray> note = ReadNote(FinishedNotePath(request.output));
  if (!note || !note->startsWith(QByteArray::fromStdString(*expected))) return std::nullopt;
  FinishedOutput found;
  struct stat output {};
  if (::stat(request.output.c_str(), &output) != 0) return std::nullopt;
  found.bytes = output.st_size;
  bool hash = false, seconds = false;
  for (const QByteArray& line : note->mid(qsizetype(expected->size())).split('\n')) {
    if (line.startsWith("sha256 ") && line.size() == 7 + 64) {
      found.sha256 = line.mid(7).toStdString();
      hash = QByteArray::fromHex(line.mid(7)).toHex() == line.mid(7);
    } else if (line.startsWith("seconds ")) {
      found.seconds = line.mid(8).toDouble(&seconds);
      seconds = seconds && found.seconds >= 0;
    }
  }
  if (!hash || !seconds) return std::nullopt;
  return found;
}

void ForgetFinished(const std::string& output) { ::unlink(FinishedNotePath(output).c_str()); }

bool NoteFinished(const RenderRequest& request, const std::string& preset, const FinishedOutput& output) {
  const std::optional<std::string> madeFrom = MadeFrom(request, preset);
  if (!madeFrom || output.sha256.size() != 64) return false;
  const std::string note = *madeFrom + "sha256 " + output.sha256 + "\nseconds " + Number(output.seconds) + '\n';
  SafeFileWriter file(FinishedNotePath(request.output));
  return file.ok() && file.WriteAll(note.data(), note.size()) && file.Commit();
}

std::string FileSha256(const std::string& path) {
  QCryptographicHash hash(QCryptographicHash::Sha256);
  const auto take = [&](const char* data, ssize_t size) { hash.addData(QByteArrayView(data, size)); };
  if (!ReadFile(path, INT64_MAX, take)) return {};
  return hash.result().toHex().toStdString();
}

}  // namespace sonavix
