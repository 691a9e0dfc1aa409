#include "app/status_texts.h"

#include "document/work_progress.h"

namespace sonavix {

QString TimeLeftText(std::optional<double> secondsLeft) {
  return QString::fromStdString(TimeLeftPhrase(secondsLeft));
}

QString ExportProgressText(int percent, std::optional<double> secondsLeft) {
  return QStringLiteral("MPEG: %1 %").arg(percent) + TimeLeftText(secondsLeft);
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
