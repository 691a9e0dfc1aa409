#include "cli/input_list.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

#include "document/local_names.h"

namespace sonavix {

namespace {

constexpr int kMostShards = 1000000;

QString ListName(const QString& path) {
  return path == QLatin1String("-") ? QStringLiteral("Standardeingabe") : DisplayName(path);
}

// All the bytes of an open descriptor; false with errno set on failure.
bool ReadAll(int fd, QByteArray& bytes) {
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got == 0) return true;
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.append(buffer, got);
  }
}

// A whole number from 0 to `most`, nothing else; empty otherwise.
std::optional<int> Whole(const QString& text, int most) {
  if (text.isEmpty() || text.size() > 9) return std::nullopt;
  for (const QChar c : text)
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
  const int value = text.toInt();
  return value <= most ? std::optional<int>(value) : std::nullopt;
}

}  // namespace

QString WhyNotOpened(int error) {
  switch (error) {
    case ENOENT:
      return QStringLiteral("Die Datei oder ihr Ordner fehlt");
    case EACCES:
      return QStringLiteral("Keine Berechtigung");
    case EISDIR:
      return QStringLiteral("Das ist ein Ordner");
    default:
      return QString::fromLocal8Bit(std::strerror(error));
  }
}

QStringList ParseInputList(const QByteArray& bytes, bool nulSeparated, const QString& folder) {
  QStringList paths;
  const QDir base(folder);
  for (QByteArray entry : bytes.split(nulSeparated ? '\0' : '\n')) {
    if (!nulSeparated && entry.endsWith('\r')) entry.chop(1);
    if (entry.isEmpty()) continue;
    const QString path = NameFromBytes(entry);
    paths << (folder.isEmpty() || path.startsWith(QLatin1Char('/')) ? path : base.filePath(path));
  }
  return paths;
}

std::variant<QStringList, QString> ReadInputList(const QString& path, bool nulSeparated) {
  const bool standardInput = path == QLatin1String("-");
  const int fd = standardInput ? STDIN_FILENO : ::open(LocalPath(path).c_str(), O_RDONLY | O_CLOEXEC);
  QByteArray bytes;
  const bool read = fd >= 0 && ReadAll(fd, bytes);
  const int error = errno;
  if (fd >= 0 && !standardInput) ::close(fd);
  if (!read)
    return QStringLiteral("Die Liste „%1“ ist nicht zu lesen: %2.").arg(ListName(path), WhyNotOpened(error));
  // Relative names are the list's own: they mean the same from any folder
  // the worker starts in.
  const QString folder = standardInput ? QString() : QFileInfo(path).absolutePath();
  QStringList paths = ParseInputList(bytes, nulSeparated, folder);
  if (paths.isEmpty()) return QStringLiteral("Die Liste „%1“ nennt keine Datei.").arg(ListName(path));
  return paths;
}

Environment ProcessEnvironment() {
  return [](const char* name) { return qEnvironmentVariable(name); };
}

std::variant<Shard, QString> ParseShard(const QString& text, const Environment& environment) {
  const QString usage = QStringLiteral("--shard erwartet K/N (z. B. 0/4 für den ersten von vier Teilen) oder "
                                       "auto/N, nicht „%1“.")
                            .arg(text);
  const QStringList parts = text.trimmed().split(QLatin1Char('/'));
  if (parts.size() != 2) return usage;
  const std::optional<int> count = Whole(parts[1], kMostShards);
  if (!count || *count < 1) return usage;
  Shard shard{0, *count};
  if (parts[0] != QLatin1String("auto")) {
    const std::optional<int> index = Whole(parts[0], kMostShards);
    if (!index) return usage;
    if (*index >= *count)
      return QStringLiteral("--shard %1: Die Teile werden ab 0 gezählt; K muss kleiner als N sein.").arg(text);
    shard.index = *index;
    return shard;
  }
  // The job's number, as each scheduler hands it to its workers; GNU
  // parallel counts from 1.
  const struct {
    const char* name;
    int offset;
  } sources[] = {{"JOB_COMPLETION_INDEX", 0}, {"SLURM_ARRAY_TASK_ID", 0}, {"PARALLEL_SEQ", 1}};
  for (const auto& source : sources) {
    const QString value = environment(source.name).trimmed();
    if (value.isEmpty()) continue;
    const std::optional<int> number = Whole(value, kMostShards);
    if (!number || *number - source.offset < 0 || *number - source.offset >= *count)
      return QStringLiteral("--shard %1: %2 ist „%3“; das ergibt keinen Teil von 0 bis %4.")
          .arg(text, QLatin1String(source.name), value)
          .arg(*count - 1);
    shard.index = *number - source.offset;
    return shard;
  }
  return QStringLiteral("--shard %1: Keine der Variablen JOB_COMPLETION_INDEX, SLURM_ARRAY_TASK_ID oder "
                        "PARALLEL_SEQ ist gesetzt.")
      .arg(text);
}

std::vector<std::size_t> ShardPositions(std::size_t entries, const Shard& shard) {
  std::vector<std::size_t> positions;
  for (std::size_t i = std::size_t(shard.index); i < entries; i += std::size_t(shard.count)) positions.push_back(i);
  return positions;
}

}  // namespace sonavix
