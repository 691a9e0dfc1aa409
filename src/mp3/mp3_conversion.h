#pragma once
// MP3 to WAV through the audio compression layer: discovering the MPEG
// layer-3 formats the drivers offer, and converting one MP3 file into a
// 16-bit PCM WAV file chunk by chunk, with progress and a way to stop.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "mp3/acm.h"
#include "mp3/acm_converter.h"
#include "mp3/wave_format_block.h"

namespace sonavix {

// Collects every MPEG layer-3 format the drivers report, disabled drivers
// included, in the order reported.
class Mp3FormatDiscovery {
 public:
  explicit Mp3FormatDiscovery(acm::AcmManager& manager);
  // Runs the whole discovery; returns the formats found.
  std::vector<WaveFormatBlock> Run();
  // Lists one driver's formats.
  void ListDriverFormats(acm::DriverId driver);
  // Keeps one reported format when it is MPEG layer 3.
  void KeepIfLayer3(const acm::FormatDetails& details);

 private:
  acm::AcmManager& manager_;
  std::vector<WaveFormatBlock> found_;
};

// What a conversion needs from the window around it.
class Mp3ConversionHost {
 public:
  virtual ~Mp3ConversionHost() = default;
  // How far the conversion is, 0 ... 100, after every chunk.
  virtual void ShowProgress(int percent) = 0;
  // After every chunk converted, before the next look at StopRequested.
  virtual void Checkpoint() {}
  virtual bool StopRequested() const = 0;
  virtual void ClearStopRequest() = 0;
  // An error box with the program's title as caption.
  virtual void ShowError(const std::string& text) = 0;
  // The file decodes to more than a sound can hold; the conversion has
  // stopped and left nothing. By default an error box like any other.
  virtual void ReportTooLong(const std::string& text) { ShowError(text); }
};

// The most PCM bytes a converted sound may have: what a WAV file's and the
// document's 32-bit sizes allow, in whole frames.
std::int64_t MaxPcmBytes(int channels);

// "Die MP3-Datei ist zu lang: Bei 44100 Hz Stereo fasst eine WAV-Datei
// höchstens 3 Stunden 22 Minuten."
std::string TooLongMessage(int sampleRate, int channels);

// Converts `source` (an MP3 file) into a WAV file at `destination`. The
// result is seen only in the destination file: a 44-byte header and the PCM
// converted, possibly none. Cannot-open failures are reported to the host;
// a converter that cannot be opened throws AcmError. Both files are
// closed and the converter is inactive again on every way out. A file that
// would decode to more than MaxPcmBytes is stopped as soon as that shows,
// its destination emptied and ReportTooLong told.
// `maxPcmBytes` below 0 stands for MaxPcmBytes of the stream's channels.
void ConvertMp3ToWave(const std::string& source, const std::string& destination,
                   AcmConverter& mp3wav, const std::vector<WaveFormatBlock>& formatList,
                   Mp3ConversionHost& host, std::int64_t maxPcmBytes = -1);

}  // namespace sonavix
