#pragma once
// What the first panel of the status bar says about long work and its end.

#include <QString>
#include <cstdint>
#include <optional>

namespace sonavix {

struct AudioDocument;

// " – noch 0:12", or nothing while no estimate is to be had.
QString TimeLeftText(std::optional<double> secondsLeft);

// "MPEG: 42 % – noch 0:12", "MP4: 42 % – noch 0:12": `format` names what
// is written.
QString ExportProgressText(const QString& format, int percent, std::optional<double> secondsLeft);

// "Gespeichert: lied.mpg, 3:21, 48 MB"; after STOP the file is said to be
// cut short: "Abgebrochen, gekürzt gespeichert: lied.mpg, 1:02, 15 MB".
QString ExportDoneText(const QString& fileName, double seconds, std::int64_t bytes, bool cutShort);

// The disc image's two stages: "Disc-Abbild, MPEG: 42 % – noch 0:12" while
// the video is made, "Disc-Abbild: 42 % – noch 0:12" while the image is.
QString DiscProgressText(bool encoding, int percent, std::optional<double> secondsLeft);

// "Disc-Abbild (Video-CD, PAL): etwa 48 MB".
QString DiscEstimateText(const QString& disc, std::int64_t bytes);

// "MP3: 42 % – noch 0:03".
QString Mp3ProgressText(int percent, std::optional<double> secondsLeft);

// "Lesen: 42 % – noch 0:03".
QString ReadProgressText(int percent, std::optional<double> secondsLeft);

// What the status bar says after a file was opened: the song's
// "Künstler – Titel" and what was done to fit the editor
// ("24 Bit → 16 Bit, 96 000 → 48 000 Hz"), either or both; empty if neither.
QString OpenedText(const QString& tagLine, const QString& conversion);

// The marks of `doc` for the status bar: "Auswahl: 0:12,345 – 0:20,000
// (7,655 s)", or "Position: 0:12,345" when nothing is selected; empty
// without a sound.
QString MarksText(const AudioDocument& doc);

// "Wiedergabe: 0:12,345" at source frame `frame` of `doc`.
QString PlayPositionText(const AudioDocument& doc, std::int64_t frame);

// "Abtastrate: 48510 Hz".
QString SampleRateText(std::int32_t rate);

}  // namespace sonavix
