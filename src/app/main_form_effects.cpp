// The editing commands and effects: each asks for what it needs, lets the
// effects code change the document, and redraws the view as the command
// requires.

#include <QDialog>

#include "app/main_form.h"
#include "app/status_texts.h"
#include "app/user_prompts.h"
#include "effects/crop_cut.h"
#include "effects/echo.h"
#include "app/echo_form.h"
#include "effects/fades.h"
#include "effects/reverse_speed.h"
#include "effects/sample_format.h"
#include "app/sample_format_form.h"
#include "effects/volume.h"

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
  if (sonavix::CropToSelection(doc_)) ShowWholeSound();
}

void TMainForm::CutSelectionBtnClick() {
  if (CutSelection(doc_)) ShowWholeSound();
}

void TMainForm::ChangeFormatClick() {
  auto* dialog = qobject_cast<TSampleFormat*>(forms_.SampleFormat);
  if (!dialog) return;
  dialog->Preset(doc_.Format());
  if (doc_.DataSize == 0) return;
  if (prompts_.RunModal(*dialog) != QDialog::Accepted) return;
  if (ConvertSampleFormat(doc_, dialog->Chosen())) ShowWholeSound();
}

void TMainForm::Lauter101Click() {
  MakeLouder(doc_);
  PaintBox1Paint();
}

void TMainForm::Leiser101Click() {
  MakeQuieter(doc_);
  PaintBox1Paint();
}

void TMainForm::MaximaleLautstrke1Click() {
  MaximumVolume(doc_);
  PaintBox1Paint();
}

void TMainForm::Weicheinblenden1Click() {
  if (const std::optional<double> seconds = AskSeconds(kFadeSeconds)) {
    FadeIn(doc_, *seconds);
    PaintBox1Paint();
  }
}

void TMainForm::Weichausblenden1Click() {
  if (const std::optional<double> seconds = AskSeconds(kFadeSeconds)) {
    FadeOut(doc_, *seconds);
    PaintBox1Paint();
  }
}

void TMainForm::EndeaufAnfangberblenden1Click() {
  if (const std::optional<double> seconds = AskSeconds(kFadeSeconds))
    if (CrossfadeEndIntoBeginning(doc_, *seconds)) ShowWholeSound();
}

void TMainForm::Echo1Click() {
  if (const std::optional<double> seconds = AskSeconds(kEchoSeconds)) {
    AddEcho(doc_, *seconds);
    PaintBox1Paint();
  }
}

void TMainForm::Rckwrts1Click() {
  Reverse(doc_);
  PaintBox1Paint();
}

// The speed commands change the rate alone; the picture of the waveform
// does not depend on it.
// The rate changes, the samples do not: nothing to redraw, but the new rate
// is shown in the status bar.
void TMainForm::Schneller101Click() {
  Faster(doc_);
  ShowStatusText(SampleRateText(doc_.SampleRate));
}

void TMainForm::Langsamer101Click() {
  Slower(doc_);
  ShowStatusText(SampleRateText(doc_.SampleRate));
}

}  // namespace sonavix
