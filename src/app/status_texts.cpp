#include "app/status_texts.h"

#include "document/audio_document.h"
#include "document/work_progress.h"
#include "view/time_scale.h"

namespace sonavix {

QString TimeLeftText(std::optional<double> secondsLeft) {
  return QString::fromStdString(TimeLeftPhrase(secondsLeft));
}

QString ExportProgressText(const QString& format, int percent, std::optional<double> secondsLeft) {
  return QStringLiteral("%1: %2 %").arg(format).arg(percent) + TimeLeftText(secondsLeft);
}

QString MarksText(const AudioDocument& doc) {
  if (doc.SampleRate <= 0 || doc.SampleCount() <= 0) return {};
  const int channels = doc.IsStereo ? 2 : 1;
  const auto time = [&](std::int32_t mark) {
    return QString::fromStdString(ClockWithMilliseconds(double(mark / channels) / doc.SampleRate));
  };
  const MarkRange marks = Selection(doc);
  if (marks.first == marks.last) return QStringLiteral("Position: %1").arg(time(marks.first));
  const double length = double(marks.last / channels - marks.first / channels) / doc.SampleRate;
  return QStringLiteral("Auswahl: %1 – %2 (%3)")
      .arg(time(marks.first), time(marks.last), QString::fromStdString(LengthWithMilliseconds(length)));
}

QString PlayPositionText(const AudioDocument& doc, std::int64_t frame) {
  if (doc.SampleRate <= 0) return {};
  return QStringLiteral("Wiedergabe: %1")
      .arg(QString::fromStdString(ClockWithMilliseconds(double(frame) / doc.SampleRate)));
}

QString ExportDoneText(const QString& fileName, double seconds, std::int64_t bytes, bool cutShort) {
  const QString what = QStringLiteral("%1, %2, %3")
                           .arg(fileName, QString::fromStdString(FormatClock(seconds)),
                                QString::fromStdString(FormatFileSize(bytes)));
  return (cutShort ? QStringLiteral("Abgebrochen, gekürzt gespeichert: ")
                   : QStringLiteral("Gespeichert: ")) +
         what;
}

QString DiscProgressText(bool encoding, int percent, std::optional<double> secondsLeft) {
  return (encoding ? QStringLiteral("Disc-Abbild, MPEG: %1 %") : QStringLiteral("Disc-Abbild: %1 %")).arg(percent) +
         TimeLeftText(secondsLeft);
}

QString DiscEstimateText(const QString& disc, std::int64_t bytes) {
  return QStringLiteral("Disc-Abbild (%1): etwa %2").arg(disc, QString::fromStdString(FormatFileSize(bytes)));
}

QString Mp3ProgressText(int percent, std::optional<double> secondsLeft) {
  return QStringLiteral("MP3: %1 %").arg(percent) + TimeLeftText(secondsLeft);
}

QString ReadProgressText(int percent, std::optional<double> secondsLeft) {
  return QStringLiteral("Lesen: %1 %").arg(percent) + TimeLeftText(secondsLeft);
}

QString OpenedText(const QString& tagLine, const QString& conversion) {
  if (tagLine.isEmpty() || conversion.isEmpty()) return tagLine + conversion;
  return tagLine + QStringLiteral(" · ") + conversion;
}

QString SampleRateText(std::int32_t rate) { return QStringLiteral("Abtastrate: %1 Hz").arg(rate); }

}  // namespace sonavix
