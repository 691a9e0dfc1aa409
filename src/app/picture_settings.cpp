#include "app/picture_settings.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>

#include "app/font_in_use.h"
#include "app/user_prompts.h"
#include "document/text_template.h"
#include "export/export_job.h"
#include "video/picture_font.h"

namespace sonavix {

PictureSettings::PictureSettings(QAction* chooseFont, QObject* parent)
    : QObject(parent),
      textField(new QLineEdit),
      subtextField(new QLineEdit),
      loopBox(new QCheckBox(QStringLiteral("In einer Schleife kontinuierlich abspielen"))),
      chooseFont_(chooseFont),
      font_(DefaultPictureFont()) {
  textField->setObjectName(QStringLiteral("pictureText"));
  subtextField->setObjectName(QStringLiteral("pictureSubtext"));
  subtextField->setPlaceholderText(QStringLiteral("Untertitel"));
  subtextField->setToolTip(QStringLiteral("Eine zweite, kleinere Zeile, z. B. {album} ({year})"));
  loopBox->setObjectName(QStringLiteral("loopBox"));
  loopBox->setChecked(true);
  connect(textField, &QLineEdit::textChanged, this, &PictureSettings::Changed);
  connect(subtextField, &QLineEdit::textChanged, this, &PictureSettings::Changed);
  connect(loopBox, &QCheckBox::toggled, this, &PictureSettings::Changed);
  ShowFont();
}

void PictureSettings::ChooseFont(UserPrompts& prompts, QWidget* parent) {
  const QFont shown = FontInUse(font_);
  const std::optional<QFont> font = prompts.AskFont(parent, shown);
  if (font && !SameDialogChoice(*font, shown)) font_ = *font;
  ShowFont();
  emit Changed();
}

void PictureSettings::SetFont(const QFont& font) {
  font_ = font;
  ShowFont();
  emit Changed();
}

void PictureSettings::ShowFont() { chooseFont_->setToolTip(FontInUseText(font_)); }

void PictureSettings::SuggestText(const QString& text) {
  // The line is the user's once it holds anything the program did not put
  // there; what the program put there gives way to the next song's name.
  const bool ours = textField->text().isEmpty() || textField->text() == suggested_;
  if (!ours) return;
  if (text.isEmpty()) {  // a song without a name: the last one's goes
    if (!suggested_.isEmpty()) textField->clear();
    suggested_.clear();
    return;
  }
  // The song's name as its tags give it is written as their placeholders,
  // so that the line says what it will show for the next song too.
  const bool fromTags = ExpandTextTemplate(kTagLineTemplate, tags_) == text.toStdString();
  suggested_ = fromTags ? QString::fromUtf8(kTagLineTemplate) : text;
  textField->setText(suggested_);
}

void PictureSettings::SetTags(const SoundTags& tags) {
  tags_ = tags;
  cover_ = std::move(tags_.cover.bytes);
  tags_.cover = {};  // the line needs the words only
  emit Changed();
}

QString PictureSettings::Text() const {
  return QString::fromStdString(ExpandTextTemplate(textField->text().toStdString(), tags_));
}

void PictureSettings::SetFormat(DiscPreset preset, TvSystem tv) {
  preset_ = preset;
  tv_ = tv;
  emit Changed();
}

TextLook PictureSettings::Look(DiscPreset preset) const {
  const QString subtext = QString::fromStdString(ExpandTextTemplate(subtextField->text().toStdString(), tags_));
  return ChosenTextLook(preset, {colour_, place_, lyrics_ && !lyrics_->lines.empty(), subtext});
}

void PictureSettings::SetTextColour(std::optional<QColor> colour) {
  colour_ = colour;
  emit Changed();
}

void PictureSettings::SetTextPlace(std::optional<TextLook::Place> place) {
  place_ = place;
  emit Changed();
}

void PictureSettings::SetImage(const QImage& image, const QString& name, bool songCover) {
  image_ = image;
  imageName_ = image.isNull() ? QString() : name;
  imageIsCover_ = songCover && !image.isNull();
  emit Changed();
}

void PictureSettings::SetSong(const QString& file) {
  songFile_ = file;
  songLyrics_.reset();
  lyrics_.reset();
  lyricsName_.clear();
  timeline_ = {};
  if (imageIsCover_) {
    image_ = SongCover();
    imageIsCover_ = !image_.isNull();
    imageName_ = imageIsCover_ ? QStringLiteral("Cover") : QString();
  }
  emit Changed();
}

void PictureSettings::SetImageFit(ImageFit fit) {
  fit_ = fit;
  emit Changed();
}

QImage PictureSettings::SongCover() const {
  BackdropProblem problem = BackdropProblem::None;
  if (!cover_.empty()) {
    const QImage cover = ReadBackdropBytes(
        QByteArray(reinterpret_cast<const char*>(cover_.data()), static_cast<qsizetype>(cover_.size())), problem);
    if (!cover.isNull()) return cover;
  }
  const QString beside = songFile_.isEmpty() ? QString() : CoverBeside(songFile_);
  return beside.isEmpty() ? QImage() : ReadBackdropFile(beside, problem);
}

void PictureSettings::SetLyrics(std::shared_ptr<const Lyrics> lyrics, const QString& name) {
  songLyrics_ = std::move(lyrics);
  lyricsName_ = songLyrics_ ? name : QString();
  SetTimeline(timeline_);
}

void PictureSettings::SetTimeline(const SongTimeline& timeline) {
  timeline_ = timeline;
  lyrics_ = songLyrics_ && !timeline_.Unchanged() ? std::make_shared<const Lyrics>(MoveLyrics(*songLyrics_, timeline_))
                                                  : songLyrics_;
  emit Changed();
}

void PictureSettings::SetWebFrameRate(int rate) {
  webRate_ = rate == 60 ? 60 : 30;
  emit Changed();
}

void PictureSettings::FillExport(ExportRequest& request) const {
  request.look = Look(request.preset);
  request.lyrics = lyrics_.get();
  request.image = image_;
  request.imageFit = fit_;
  request.webFrameRate = webRate_;
}

WorkerRunHost::Window PictureSettings::ForRun(std::function<void(const QImage&)> showPicture,
                                              std::function<void(std::int64_t)> moveCursor) const {
  return {Text(), font_, loopBox->isChecked(), std::move(showPicture), std::move(moveCursor)};
}

void PictureSettings::TellRun(WorkerRunHost& host) const {
  host.SetText(Text());
  host.SetFont(font_);
  host.SetLoop(loopBox->isChecked());
}

}  // namespace sonavix
