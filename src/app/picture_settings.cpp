#include "app/picture_settings.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>

#include "app/font_in_use.h"
#include "app/user_prompts.h"
#include "document/text_template.h"
#include "video/picture_font.h"

namespace sonavix {

PictureSettings::PictureSettings(QAction* chooseFont, QObject* parent)
    : QObject(parent),
      textField(new QLineEdit),
      loopBox(new QCheckBox(QStringLiteral("In einer Schleife kontinuierlich abspielen"))),
      chooseFont_(chooseFont),
      font_(DefaultPictureFont()) {
  textField->setObjectName(QStringLiteral("pictureText"));
  loopBox->setObjectName(QStringLiteral("loopBox"));
  loopBox->setChecked(true);
  connect(textField, &QLineEdit::textChanged, this, &PictureSettings::Changed);
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
  if (text.isEmpty() || !textField->text().isEmpty()) return;
  // The song's name as its tags give it is written as their placeholders,
  // so that the line says what it will show for the next song too.
  const bool fromTags = ExpandTextTemplate(kTagLineTemplate, tags_) == text.toStdString();
  textField->setText(fromTags ? QString::fromUtf8(kTagLineTemplate) : text);
}

void PictureSettings::SetTags(const SoundTags& tags) {
  tags_ = tags;
  tags_.cover = {};  // the line needs the words only
  emit Changed();
}

QString PictureSettings::Text() const {
  return QString::fromStdString(ExpandTextTemplate(textField->text().toStdString(), tags_));
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
