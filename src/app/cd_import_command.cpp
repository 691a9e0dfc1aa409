// "Von Musik-CD einlesen...": finds the drives the first time, shows the CD
// dialog and afterwards shows the whole sound, whether a track was read or
// not. The disc's CD-Text names the sound and is offered as the picture's
// text line.

#include "app/forms.h"
#include "app/import_controller.h"
#include "app/cd_read_dialog.h"
#include "app/sound_session.h"
#include "app/user_prompts.h"

namespace sonavix {

void ImportController::ReadCd() {
  auto* dialog = qobject_cast<CdReadDialog*>(forms_.cdRead);
  if (!dialog || !MayStart()) return;
  if (mayReplaceSound_ && !mayReplaceSound_()) return;
  // Drives attached later are seen only after a restart.
  if (!drivesFound_) {
    drivesFound_ = true;
    drives_ = cdda::FindAllCDDrives(*cdPassThrough_, *cdGeneric_,
                                    [dialog](const std::string& line) { dialog->WriteLine(line); });
    dialog->ListDrives(drives_);
  }
  SoundSession& session = context_.session;
  dialog->SetSource(*cdPassThrough_, *cdGeneric_, drives_, session.doc, session.lock);
  // A track read replaces the block; the new one is made while the old one
  // still exists, so a new address means a new sound.
  const std::uint8_t* before = session.doc.SampleData.get();
  context_.prompts.RunModal(*dialog);
  QString text;
  if (session.doc.SampleData.get() != before) {
    const int track = dialog->TrackNumber();
    text = QString::fromStdString(dialog->TrackText(track));
    session.tags = dialog->TrackTags(track);
    session.file.clear();
    emit SoundReplaced(text.isEmpty() ? QStringLiteral("Titel %1").arg(track) : text);
  }
  emit SoundShown(text);
  dialog->RethrowReadError();
}

}  // namespace sonavix
