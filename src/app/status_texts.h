#pragma once
// What the first panel of the status bar says about long work and its end.

#include <QString>
#include <cstdint>
#include <optional>

namespace sonavix {

// " – noch 0:12", or nothing while no estimate is to be had.
QString TimeLeftText(std::optional<double> secondsLeft);

// "MPEG: 42 % – noch 0:12".
QString ExportProgressText(int percent, std::optional<double> secondsLeft);

// "Gespeichert: lied.mpg, 3:21, 48 MB"; after STOP the file is said to be
// cut short: "Abgebrochen, gekürzt gespeichert: lied.mpg, 1:02, 15 MB".
QString ExportDoneText(const QString& fileName, double seconds, std::int64_t bytes, bool cutShort);

// "MP3: 42 % – noch 0:03".
QString Mp3ProgressText(int percent, std::optional<double> secondsLeft);

// "Abtastrate: 48510 Hz".
QString SampleRateText(std::int32_t rate);

}  // namespace sonavix
