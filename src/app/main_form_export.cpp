// "Speichern als MPEG...": the sound (or the selection) as an MPEG video for
// the disc format of the radio buttons, written by one run of the playback
// loop with a media writer taking pictures and blocks.

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>

#include "app/main_form.h"
#include "app/messages.h"
#include "app/paint_box.h"
#include "app/user_prompts.h"
#include "video/export_writer.h"
#include "video/media_writer.h"

namespace sonavix {

namespace {

FileDialogSpec SaveDialog3() {
  return {QCoreApplication::applicationDirPath(), QStringLiteral("MPEG Dateien"),
          {QStringLiteral("*.mpg"), QStringLiteral("*.mpeg")}, QStringLiteral(".mpg")};
}

}  // namespace

void TMainForm::EnableExportCommands(bool enabled) {
  OpenBtn->setEnabled(enabled);
  Button1->setEnabled(enabled);
  for (const char* name : {"ffnen1", "SpeichernalsMPEGVideo1"})
    findChild<QAction*>(QString::fromLatin1(name))->setEnabled(enabled);
}

void TMainForm::SpeichernalsMPEGVideo1Click() { Button1Click(); }

void TMainForm::Button1Click() {
  if (running_) return;  // one run at a time: no export during playback
  const std::optional<QString> name = prompts_.AskSaveFileName(this, SaveDialog3());
  if (!name) return;

  // However the export ends, the window comes back to rest.
  EnableExportCommands(false);
  struct Rest {
    TMainForm& form;
    ~Rest() {
      form.exportMode_ = false;
      form.EnableExportCommands(true);
    }
  } rest{*this};

  std::unique_ptr<MediaWriter> writer = writerFactory_();
  const DiscPreset preset = RadioButton3->isChecked()   ? DiscPreset::Dvd
                            : RadioButton2->isChecked() ? DiscPreset::SuperVideoCd
                                                        : DiscPreset::VideoCd;
  writer->SetFormatPreset(preset);
  PaintBox2->setFixedSize(writer->FrameWidth(), writer->FrameHeight());
  writer->SetQuality(1.0);
  if (!writer->SetFileName(QFile::encodeName(*name).toStdString())) {
    prompts_.ShowError(this, writer->Error().empty() ? kCannotExport
                                                     : QString::fromStdString(writer->Error()));
    return;
  }
  ExportWriter sink(*writer);
  exportMode_ = true;
  StartRun(&sink);
  exportMode_ = false;
  if (sink.Failed() || !writer->WriteClose())
    prompts_.ShowError(this, writer->Error().empty() ? kCannotExport
                                                     : QString::fromStdString(writer->Error()));
}

}  // namespace sonavix
