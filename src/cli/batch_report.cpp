#include "cli/batch_report.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>

#include "cli/input_list.h"
#include "document/local_names.h"

namespace sonavix {

namespace {

// A JSON string: a name that is no UTF-8 shows its undecodable bytes as
// replacement characters.
QByteArray Quoted(const QString& text) {
  QByteArray out = "\"";
  for (const char c : DisplayName(text).toUtf8()) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + '"';
}

QByteArray Decimal(double value) {
  return QByteArray::number(std::isfinite(value) ? std::round(value * 1000) / 1000 : 0.0, 'f', 3);
}

}  // namespace

QByteArray ReportJson(const ReportLine& line) {
  QByteArray json = "{\"input\":" + Quoted(line.input);
  json += ",\"output\":" + Quoted(line.output);
  json += ",\"status\":\"" + QByteArray(line.status) + '"';
  json += ",\"reason\":" + (line.reason.isEmpty() ? QByteArray("null") : Quoted(line.reason));
  json += ",\"seconds\":" + Decimal(line.seconds);
  json += ",\"playing_time\":" + Decimal(line.playingTime);
  json += ",\"bytes\":" + QByteArray::number(line.bytes);
  json += ",\"preset\":" + Quoted(QString::fromStdString(line.preset));
  json += ",\"sha256\":" +
          (line.sha256.empty() ? QByteArray("null") : '"' + QByteArray::fromStdString(line.sha256) + '"');
  return json + '}';
}

std::unique_ptr<BatchReport> BatchReport::Open(const QString& path, QString& error) {
  const int fd = ::open(LocalPath(path).c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = QStringLiteral("Der Bericht „%1“ kann nicht geschrieben werden: %2.")
                .arg(DisplayName(path), WhyNotOpened(errno));
    return nullptr;
  }
  return std::unique_ptr<BatchReport>(new BatchReport(fd));
}

BatchReport::~BatchReport() { ::close(fd_); }

bool BatchReport::Add(const ReportLine& line) {
  const QByteArray bytes = ReportJson(line) + '\n';
  const std::lock_guard lock(mutex_);
  ssize_t written;
  do {
    written = ::write(fd_, bytes.constData(), std::size_t(bytes.size()));
  } while (written < 0 && errno == EINTR);
  if (written == bytes.size()) return true;
  if (!warned_)
    std::fputs("Warnung: Eine Zeile des Berichts konnte nicht ganz geschrieben werden.\n", stderr);
  warned_ = true;
  return false;
}

}  // namespace sonavix
