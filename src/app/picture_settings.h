#pragma once
// What the user sets for the picture of a run: the line of text and a
// second one, its font, colour and place, a picture behind the circles,
// timed lyrics, the web videos' frame rate, the format the picture is made
// for, and whether playback loops. The text fields and the loop box are
// made here and placed by the window; the font's command shows the font
// really in use as its tip. A run takes the settings at its start and is
// told of every change after it (Changed).

#include <QColor>
#include <QFont>
#include <QImage>
#include <QObject>
#include <functional>
#include <memory>
#include <optional>

#include "app/worker_run_host.h"
#include "document/sound_tags.h"
#include "lyrics/lyrics.h"
#include "lyrics/song_timeline.h"
#include "video/backdrop.h"
#include "video/media_writer.h"
#include "video/text_layer.h"

class QAction;
class QCheckBox;
class QLineEdit;
class QWidget;

namespace sonavix {

class UserPrompts;
struct ExportRequest;

class PictureSettings final : public QObject {
  Q_OBJECT
 public:
  // `chooseFont` is the font's command: its tip names the font in use.
  PictureSettings(QAction* chooseFont, QObject* parent);

  QLineEdit* const textField;
  QLineEdit* const subtextField;  // "Untertitel": the smaller second line
  QCheckBox* const loopBox;

  const QFont& Font() const { return font_; }
  // "Schriftart...": the dialog starts on the font the picture really uses;
  // a font it hands back unchanged leaves the picture's font as it was.
  void ChooseFont(UserPrompts& prompts, QWidget* parent);
  // The song's name goes on the picture when the user has written nothing
  // (or the line still holds the name the program put there for the song
  // before): as "{artist} – {title}" where the tags give it so.
  void SuggestText(const QString& text);
  // The song's tags, for the placeholders of the line ("{artist}", ...).
  void SetTags(const SoundTags& tags);
  // The line as the picture shows it, its placeholders filled in.
  QString Text() const;
  // A font kept from an earlier run.
  void SetFont(const QFont& font);

  // The format the picture is made for: its shape and its text's look.
  void SetFormat(DiscPreset preset, TvSystem tv);
  DiscPreset Preset() const { return preset_; }
  TvSystem Tv() const { return tv_; }
  // The look of the text for a format (the one chosen: Preset()), with the
  // user's choices.
  TextLook Look(DiscPreset preset) const;
  TextLook Look() const { return Look(preset_); }
  // Unset: the format's own colour and place.
  void SetTextColour(std::optional<QColor> colour);
  void SetTextPlace(std::optional<TextLook::Place> place);
  std::optional<QColor> TextColour() const { return colour_; }
  std::optional<TextLook::Place> TextPlace() const { return place_; }
  // The picture behind the circles (null: none) and how it fills the frame.
  // `songCover`: the image is the song's own, and follows the next song.
  void SetImage(const QImage& image, const QString& name, bool songCover = false);
  void SetImageFit(ImageFit fit);
  const QImage& Image() const { return image_; }
  const QString& ImageName() const { return imageName_; }
  ImageFit Fit() const { return fit_; }
  // The song's own cover from its tags, or one beside its file; null: none.
  QImage SongCover() const;
  // Timed lyrics (null: none) as timed to the song; SongLyrics() gives them
  // as they fall in the sound now, shared with the runs that show them.
  void SetLyrics(std::shared_ptr<const Lyrics> lyrics, const QString& name);
  // Where the song's times stand after the edits (crops, cuts, speed).
  void SetTimeline(const SongTimeline& timeline);
  const std::shared_ptr<const Lyrics>& SongLyrics() const { return lyrics_; }
  const QString& LyricsName() const { return lyricsName_; }
  // 30 or 60 pictures a second for the web formats.
  void SetWebFrameRate(int rate);
  int WebFrameRate() const { return webRate_; }
  // A new song: its file (empty for a CD track), for the cover and the
  // lyrics beside it. The lyrics of the song before go; a picture that was
  // its cover becomes this song's cover (or none).
  void SetSong(const QString& file);
  const QString& SongFile() const { return songFile_; }
  // Everything above an export of request.preset takes: the look, the
  // lyrics, the picture, the frame rate. The request points at the lyrics,
  // which SongLyrics() keeps alive.
  void FillExport(ExportRequest& request) const;

  // The settings as a run on a worker takes them.
  WorkerRunHost::Window ForRun(std::function<void(const QImage&)> showPicture,
                               std::function<void(std::int64_t)> moveCursor) const;
  // Passes the settings on to a run at work.
  void TellRun(WorkerRunHost& host) const;

 signals:
  void Changed();

 private:
  void ShowFont();

  QAction* chooseFont_;
  QFont font_;
  SoundTags tags_;
  std::vector<std::uint8_t> cover_;  // the tags' cover, decoded when asked for
  DiscPreset preset_ = DiscPreset::Dvd;
  TvSystem tv_ = TvSystem::Pal;
  std::optional<QColor> colour_;
  std::optional<TextLook::Place> place_;
  QImage image_;
  QString imageName_;
  bool imageIsCover_ = false;
  ImageFit fit_ = ImageFit::Cover;
  std::shared_ptr<const Lyrics> songLyrics_;  // as read
  std::shared_ptr<const Lyrics> lyrics_;      // moved through the timeline
  SongTimeline timeline_;
  QString lyricsName_;
  int webRate_ = 30;
  QString songFile_;
  QString suggested_;  // what SuggestText put into the line last
};

}  // namespace sonavix
