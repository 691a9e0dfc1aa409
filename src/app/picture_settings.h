#pragma once
// What the user sets for the picture of a run: the line of text, its font
// and whether playback loops. The text field and the loop box are made
// here and placed by the window; the font's command shows the font really
// in use as its tip. A run takes the settings at its start and is told of
// every change after it (Changed).

#include <QFont>
#include <QObject>
#include <functional>

#include "app/worker_run_host.h"
#include "document/sound_tags.h"

class QAction;
class QCheckBox;
class QLineEdit;
class QWidget;

namespace sonavix {

class UserPrompts;

class PictureSettings final : public QObject {
  Q_OBJECT
 public:
  // `chooseFont` is the font's command: its tip names the font in use.
  PictureSettings(QAction* chooseFont, QObject* parent);

  QLineEdit* const textField;
  QCheckBox* const loopBox;

  const QFont& Font() const { return font_; }
  // "Schriftart...": the dialog starts on the font the picture really uses;
  // a font it hands back unchanged leaves the picture's font as it was.
  void ChooseFont(UserPrompts& prompts, QWidget* parent);
  // The song's name goes on the picture when the user has written nothing:
  // as "{artist} – {title}" where the tags give it so.
  void SuggestText(const QString& text);
  // The song's tags, for the placeholders of the line ("{artist}", ...).
  void SetTags(const SoundTags& tags);
  // The line as the picture shows it, its placeholders filled in.
  QString Text() const;
  // A font kept from an earlier run.
  void SetFont(const QFont& font);

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
};

}  // namespace sonavix
