#pragma once
// A song made ready for its run without a window, as one render and an
// album video both need it: the sound read with its stretch chosen, the
// lyrics and the picture the request names, the text with its placeholders
// filled, and the look of the text.

#include <QImage>
#include <QString>
#include <optional>

#include "document/audio_document.h"
#include "export/export_job.h"
#include "export/render_job.h"
#include "lyrics/lyrics.h"
#include "playback/run.h"

namespace sonavix {

struct SongSetup {
  AudioDocument doc;
  std::optional<Lyrics> lyrics;
  QImage image;
  QString text;
  TextLook look;
};

// Reads what the request names into `setup`. The result is the failure, or
// the song's tags, playing time and any warning.
RenderResult SetUpSong(const RenderRequest& request, RenderObserver& observer, SongSetup& setup);

// The export of a set-up song into `output`.
ExportRequest SongExport(const RenderRequest& request, const SongSetup& setup, const std::string& output);

// The document as the run sees it: nothing to show, nothing to wait for.
class DocumentRunHost final : public RunHost {
 public:
  DocumentRunHost(const SongSetup& setup, QFont font, const RenderObserver& observer)
      : setup_(setup), font_(std::move(font)), observer_(observer) {}

  const AudioDocument& Document() const override { return setup_.doc; }
  bool StopRequested() const override { return observer_.StopRequested(); }
  bool LoopChecked() const override { return false; }
  void MoveCursor(std::int64_t) override {}
  QString PictureText() const override { return setup_.text; }
  QFont PictureFont() const override { return font_; }
  void ShowPicture(const QImage&) override {}

 private:
  const SongSetup& setup_;
  QFont font_;
  const RenderObserver& observer_;
};

}  // namespace sonavix
