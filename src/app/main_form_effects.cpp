// The editing commands and effects: each asks for what it needs, lets the
// history carry the command out and keep it for undo, and redraws the view
// as the command requires.

#include <QDialog>

#include "app/main_form.h"
#include "app/status_texts.h"
#include "app/user_prompts.h"
#include "app/echo_form.h"
#include "app/sample_format_form.h"

namespace sonavix {

namespace {
constexpr double kFadeSeconds = 2.0;
constexpr double kEchoSeconds = 0.5;
}  // namespace

// After the block was replaced: the whole new sound in view.
void TMainForm::ShowWholeSound() {
  ZoomOutFullClick();
  PaintBox1Paint();
}

std::optional<double> TMainForm::AskSeconds(double preset) {
  auto* dialog = qobject_cast<TEchoForm*>(forms_.Echo);
  if (!dialog) return std::nullopt;
  dialog->SetSeconds(preset);
  if (prompts_.RunModal(*dialog) != QDialog::Accepted) return std::nullopt;
  return dialog->Seconds();
}

void TMainForm::CropToSelectionClick() {
  if (Edit(EditCommand::Crop)) ShowWholeSound();
}

void TMainForm::CutSelectionBtnClick() {
  if (Edit(EditCommand::Cut)) ShowWholeSound();
}

void TMainForm::ChangeFormatClick() {
  auto* dialog = qobject_cast<TSampleFormat*>(forms_.SampleFormat);
  if (!dialog) return;
  dialog->Preset(doc_.Format());
  if (doc_.DataSize == 0) return;
  if (prompts_.RunModal(*dialog) != QDialog::Accepted) return;
  EditArguments arguments;
  arguments.format = dialog->Chosen();
  if (Edit(EditCommand::SampleFormat, arguments)) ShowWholeSound();
}

void TMainForm::Lauter101Click() {
  Edit(EditCommand::Louder);
  PaintBox1Paint();
}

void TMainForm::Leiser101Click() {
  Edit(EditCommand::Quieter);
  PaintBox1Paint();
}

void TMainForm::MaximaleLautstrke1Click() {
  Edit(EditCommand::MaximumVolume);
  PaintBox1Paint();
}

void TMainForm::Weicheinblenden1Click() {
  if (const std::optional<double> seconds = AskSeconds(kFadeSeconds)) {
    Edit(EditCommand::FadeIn, {*seconds, {}});
    PaintBox1Paint();
  }
}

void TMainForm::Weichausblenden1Click() {
  if (const std::optional<double> seconds = AskSeconds(kFadeSeconds)) {
    Edit(EditCommand::FadeOut, {*seconds, {}});
    PaintBox1Paint();
  }
}

void TMainForm::EndeaufAnfangberblenden1Click() {
  if (const std::optional<double> seconds = AskSeconds(kFadeSeconds))
    if (Edit(EditCommand::Crossfade, {*seconds, {}})) ShowWholeSound();
}

void TMainForm::Echo1Click() {
  if (const std::optional<double> seconds = AskSeconds(kEchoSeconds)) {
    Edit(EditCommand::Echo, {*seconds, {}});
    PaintBox1Paint();
  }
}

void TMainForm::Rckwrts1Click() {
  Edit(EditCommand::Reverse);
  PaintBox1Paint();
}

// The rate changes, the samples do not: nothing to redraw, but the new rate
// is shown in the status bar.
void TMainForm::Schneller101Click() {
  Edit(EditCommand::Faster);
  ShowStatusText(SampleRateText(doc_.SampleRate));
}

void TMainForm::Langsamer101Click() {
  Edit(EditCommand::Slower);
  ShowStatusText(SampleRateText(doc_.SampleRate));
}

}  // namespace sonavix
