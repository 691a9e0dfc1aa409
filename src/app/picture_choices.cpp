#include "app/picture_choices.h"

#include <QFileInfo>

#include "app/picture_settings.h"
#include "app/user_prompts.h"
#include "document/local_names.h"
#include "lyrics/lyrics_file.h"
#include "texts/import_texts.h"
#include "video/backdrop.h"

namespace sonavix {

namespace {

QString Sentence(const std::string& text) { return QString::fromStdString(text) + QLatin1Char('.'); }

}  // namespace

void ChooseImage(PictureSettings& picture, UserPrompts& prompts, QWidget* parent, const QString& folder) {
  FileDialogSpec spec{folder, QStringLiteral("Bilder"),
                      {QStringLiteral("*.jpg"), QStringLiteral("*.jpeg"), QStringLiteral("*.png"), QStringLiteral("*.webp"),
                       QStringLiteral("*.bmp")},
                      {}};
  spec.moreFilters = {{QStringLiteral("Alle Dateien"), {QStringLiteral("*")}}};
  const std::optional<QString> name = prompts.AskOpenFileName(parent, spec);
  if (!name) return;
  BackdropProblem problem = BackdropProblem::None;
  const QImage image = ReadBackdropFile(*name, problem);
  if (image.isNull()) return prompts.ShowError(parent, Sentence(BackdropText(problem, LocalPath(*name))));
  picture.SetImage(image, QFileInfo(*name).fileName());
}

void UseSongCover(PictureSettings& picture, UserPrompts& prompts, QWidget* parent) {
  const QImage cover = picture.SongCover();
  if (cover.isNull())
    return prompts.ShowError(parent, QStringLiteral("Das Lied hat kein Cover: weder in seinen Tags noch als "
                                                    "cover.jpg, folder.jpg oder front.* daneben."));
  picture.SetImage(cover, QStringLiteral("Cover"), /*songCover=*/true);
}

QString ChooseLyrics(PictureSettings& picture, UserPrompts& prompts, QWidget* parent, const QString& folder) {
  FileDialogSpec spec{folder, QStringLiteral("Liedtexte mit Zeiten"), {QStringLiteral("*.lrc"), QStringLiteral("*.srt")}, {}};
  spec.moreFilters = {{QStringLiteral("Alle Dateien"), {QStringLiteral("*")}}};
  const QString beside = QString::fromStdString(LyricsBeside(LocalPath(picture.SongFile())));
  if (!beside.isEmpty()) spec.name = QFileInfo(NameFromLocalPath(beside.toStdString())).fileName();
  const std::optional<QString> name = prompts.AskOpenFileName(parent, spec);
  if (!name) return {};
  LyricsFileProblem problem = LyricsFileProblem::None;
  std::optional<Lyrics> lyrics = ReadLyricsFile(LocalPath(*name), problem);
  if (!lyrics) {
    prompts.ShowError(parent, Sentence(LyricsFileText(problem, LocalPath(*name))));
    return {};
  }
  const std::size_t skipped = lyrics->skipped;
  picture.SetLyrics(std::make_shared<const Lyrics>(std::move(*lyrics)), QFileInfo(*name).fileName());
  return skipped > 0 ? Sentence(SkippedLyricsText(skipped)) : QString();
}

void ChooseTextColour(PictureSettings& picture, UserPrompts& prompts, QWidget* parent) {
  const std::optional<QColor> colour = prompts.AskColour(parent, picture.Look().colour);
  if (colour && colour->isValid()) picture.SetTextColour(*colour);
}

}  // namespace sonavix
