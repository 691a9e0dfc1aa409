// The CD import command: finds the drives the first time, shows the CD
// dialog and afterwards shows the whole sound, whether a track was read or not.

#include <QLineEdit>
#include <memory>
#include <string>
#include <utility>

#include "app/main_form.h"
#include "app/user_prompts.h"
#include "app/musik_cd_form.h"

namespace sonavix {

void TMainForm::SetCdTransports(std::unique_ptr<cdda::PassThroughTransport> passThrough,
                                std::unique_ptr<cdda::ScsiGenericLoader> generic) {
  cdPassThrough_ = std::move(passThrough);
  cdGeneric_ = std::move(generic);
}

void TMainForm::MusikCDBtnClick() {
  auto* dialog = qobject_cast<TMusikCDForm*>(forms_.MusikCD);
  if (!dialog || soundLocked_) return;
  if (!MayLetSoundGo()) return;
  // Drives attached later are seen only after a restart.
  if (!CDDrivesFound) {
    CDDrivesFound = true;
    cdDriveList_ = cdda::FindAllCDDrives(*cdPassThrough_, *cdGeneric_,
                                         [dialog](const std::string& line) { dialog->WriteLine(line); });
    dialog->ListDrives(cdDriveList_);
  }
  dialog->SetSource(*cdPassThrough_, *cdGeneric_, cdDriveList_, doc_, soundLock_);
  // A track read replaces the block; the new one is made while the old one
  // still exists, so a new address means a new sound.
  const std::uint8_t* before = doc_.SampleData.get();
  prompts_.RunModal(*dialog);
  if (doc_.SampleData.get() != before) {
    // The disc's CD-Text names the sound and is offered as the picture's
    // text line, which keeps what the user wrote there.
    const QString text = QString::fromStdString(dialog->TrackText(dialog->TrackNumber()));
    NewHistory(text.isEmpty() ? QStringLiteral("Titel %1").arg(dialog->TrackNumber()) : text);
    tags_ = dialog->TrackTags(dialog->TrackNumber());
    if (!text.isEmpty() && Edit1->text().isEmpty()) Edit1->setText(text);
  }
  ShowWholeSound();
  dialog->RethrowReadError();
}

}  // namespace sonavix
