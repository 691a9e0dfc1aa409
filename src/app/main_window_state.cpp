// The main window's keys, the marks in the status bar, the "Auswahl..."
// dialog and the settings it keeps between runs.

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>

#include "app/format_choice.h"
#include "app/main_window.h"
#include "app/picture_settings.h"
#include "app/playback_controller.h"
#include "app/selection_dialog.h"
#include "app/status_texts.h"
#include "app/user_prompts.h"
#include "app/waveform_view.h"
#include "app/window_settings.h"

namespace sonavix {

void MainWindow::BindKeysAndMarks() {
  // Keys that are no menu's reach the window wherever the focus is.
  addActions({actions_.play, actions_.stop});
  // The waveform has the focus at first, so that Space is never taken as a
  // click on the button that would have it.
  view_->setFocusPolicy(Qt::ClickFocus);
  view_->setFocus();
  connect(view_, &WaveformView::Drawn, this, &MainWindow::ShowMarks);
  connect(view_, &WaveformView::MarksChanged, this, &MainWindow::ShowMarks);
  connect(view_, &WaveformView::PlayPositionChanged, this, [this](std::int64_t frame) {
    if (frame < 0) return ShowMarks();
    // Only this thread changes the sound: reading it here needs no lock.
    status_.ShowPosition(PlayPositionText(session_.doc, frame));
  });
}

void MainWindow::ShowMarks() {
  if (playback_ && playback_->Running()) return;  // the run shows where it plays
  status_.ShowPosition(MarksText(session_.doc));
}

void MainWindow::ChooseSelection() {
  const AudioDocument& doc = session_.doc;
  if (doc.SampleRate <= 0 || doc.SampleCount() <= 0) return;
  const int channels = doc.IsStereo ? 2 : 1;
  const auto seconds = [&](std::int32_t mark) { return double(mark / channels) / doc.SampleRate; };
  const MarkRange marks = Selection(doc);
  SelectionDialog dialog(this);
  dialog.SetTimes(seconds(marks.first), seconds(marks.last), seconds(doc.SampleCount()));
  if (prompts_.RunModal(dialog) != QDialog::Accepted || !dialog.Start() || !dialog.End()) return;
  const auto mark = [&](double time) {
    return static_cast<std::int32_t>(std::min<double>(std::llround(time * doc.SampleRate) * channels,
                                                      doc.SampleCount()));
  };
  view_->Select(mark(*dialog.Start()), mark(*dialog.End()));
}

void MainWindow::KeepSettingsIn(std::unique_ptr<QSettings> settings) {
  settings_ = std::move(settings);
  RestoreSettings();
}

void MainWindow::RestoreSettings() {
  const WindowSettings values = ReadWindowSettings(*settings_);
  if (values.text) picture_->textField->setText(*values.text);
  if (values.font) picture_->SetFont(*values.font);
  if (values.loop) picture_->loopBox->setChecked(*values.loop);
  if (values.preset) format_->SetPreset(*values.preset);
  if (values.tv) format_->SetTv(*values.tv);
  if (!values.geometry.isEmpty()) restoreGeometry(values.geometry);
  recent_.Restore(values.folder, values.recentFiles);
  FillRecentFiles();
}

void MainWindow::StoreSettings() {
  if (!settings_) return;
  WindowSettings values;
  values.text = picture_->textField->text();
  values.font = picture_->Font();
  values.loop = picture_->loopBox->isChecked();
  values.preset = format_->Preset();
  values.tv = format_->Tv();
  values.geometry = saveGeometry();
  values.folder = recent_.LastFolder();
  values.recentFiles = recent_.Files();
  WriteWindowSettings(*settings_, values);
}

}  // namespace sonavix
