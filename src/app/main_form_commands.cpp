// Binds buttons, menu entries and controls to the main window's handlers, and
// sets which commands are usable.

#include <QAction>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QUrl>
#include <algorithm>
#include <array>
#include <exception>
#include <new>

#include "app/main_form.h"
#include "app/messages.h"
#include "app/paint_box.h"
#include "app/user_prompts.h"
#include "app/zoom_spin_edit.h"
#include "document/local_names.h"
#include "app/main_form_mp3.h"

namespace sonavix {

namespace {

// Controls and menu entries whose commands the program does not offer yet.
// They are shown, so the window looks as it will, but cannot be used.
constexpr std::array<const char*, 0> kNotYetAvailable{};

bool Available(const QObject* object) {
  const QByteArray name = object->objectName().toLatin1();
  return std::none_of(kNotYetAvailable.begin(), kNotYetAvailable.end(),
                      [&](const char* entry) { return name == entry; });
}

}  // namespace

// Runs a handler so that an error escaping it is shown to the user and the
// program goes on; the handlers leave the document whole when they fail.
template <class Handler>
void TMainForm::Guard(Handler&& handler) {
  try {
    handler();
  } catch (const std::bad_alloc&) {
    prompts_.ShowError(this, kOutOfMemory);
  } catch (const std::exception& error) {
    prompts_.ShowError(this, QString::fromLocal8Bit(error.what()));
  } catch (...) {
    prompts_.ShowError(this, kUnknownError);
  }
}

void TMainForm::Guarded(const std::function<void()>& handler) { Guard(handler); }

void TMainForm::OpenAtStart(const QString& name) {
  Guard([&] { OpenFile(name); });
}

namespace {

// The first local file among the dropped links, with its name's own bytes
// (a link carries them percent-encoded, whether they are UTF-8 or not).
QString DroppedFile(const QMimeData& data) {
  for (const QUrl& url : data.urls()) {
    if (!url.isLocalFile()) continue;
    return NameFromBytes(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
  }
  return {};
}

}  // namespace

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
  if (OpenBtn->isEnabled() && !DroppedFile(*event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
  const QString name = DroppedFile(*event->mimeData());
  if (!OpenBtn->isEnabled() || name.isEmpty()) return;
  event->acceptProposedAction();
  Guard([&] {
    if (reading_ || soundLocked_ || !MayLetSoundGo()) return;
    OpenFile(name);
  });
}

void TMainForm::BindCommands() {
  const auto bind = [this](const char* name, void (TMainForm::*handler)()) {
    QObject* sender = findChild<QObject*>(QString::fromLatin1(name));
    Q_ASSERT(sender);
    const auto run = [this, handler] { Guard([&] { (this->*handler)(); }); };
    if (auto* button = qobject_cast<QPushButton*>(sender))
      connect(button, &QPushButton::clicked, this, run);
    else if (auto* action = qobject_cast<QAction*>(sender))
      connect(action, &QAction::triggered, this, run);
  };
  bind("OpenBtn", &TMainForm::OpenBtnClick);
  bind("ffnen1", &TMainForm::OpenBtnClick);
  bind("Speichern1", &TMainForm::SaveBtnClick);
  bind("Beenden1", &TMainForm::Beenden1Click);
  bind("Nichtsauswhlen1", &TMainForm::SelectNothingBtnClick);
  bind("ZoomOutFull", &TMainForm::ZoomOutFullClick);
  bind("GanzeDatei1", &TMainForm::ZoomOutFullClick);
  bind("ZoomInFull", &TMainForm::ZoomInFullClick);
  bind("VollerZoom1", &TMainForm::ZoomInFullClick);
  bind("ZoomSel", &TMainForm::ZoomSelClick);
  bind("ZoomaufAuswahl1", &TMainForm::ZoomSelClick);
  bind("ZoomKleinerBtn", &TMainForm::ZoomKleinerBtnClick);
  bind("Kleiner1", &TMainForm::ZoomKleinerBtnClick);
  bind("ZoomGroesserBtn", &TMainForm::ZoomGroesserBtnClick);
  bind("Grer1", &TMainForm::ZoomGroesserBtnClick);
  bind("berdasProgramm1", &TMainForm::berdasProgramm1Click);
  bind("PlayBtn", &TMainForm::PlayBtnClick);
  bind("Button1", &TMainForm::Button1Click);
  bind("SpeichernalsMPEGVideo1", &TMainForm::SpeichernalsMPEGVideo1Click);
  bind("DiscBtn", &TMainForm::DiscImageClick);
  bind("SpeichernalsDiscAbbild1", &TMainForm::DiscImageClick);
  bind("CropToSelection", &TMainForm::CropToSelectionClick);
  bind("ZurAuswahlzurechtschneiden1", &TMainForm::CropToSelectionClick);
  bind("CutSelectionBtn", &TMainForm::CutSelectionBtnClick);
  bind("DieAuswahlwegschneiden1", &TMainForm::CutSelectionBtnClick);
  bind("ChangeFormat", &TMainForm::ChangeFormatClick);
  bind("Sampleformatndern1", &TMainForm::ChangeFormatClick);
  bind("Lauter101", &TMainForm::Lauter101Click);
  bind("Leiser101", &TMainForm::Leiser101Click);
  bind("MaximaleLautstrke1", &TMainForm::MaximaleLautstrke1Click);
  bind("Weicheinblenden1", &TMainForm::Weicheinblenden1Click);
  bind("Weichausblenden1", &TMainForm::Weichausblenden1Click);
  bind("EndeaufAnfangberblenden1", &TMainForm::EndeaufAnfangberblenden1Click);
  bind("Echo1", &TMainForm::Echo1Click);
  bind("Rckwrts1", &TMainForm::Rckwrts1Click);
  bind("Schneller101", &TMainForm::Schneller101Click);
  bind("Langsamer101", &TMainForm::Langsamer101Click);
  bind("StopBTN", &TMainForm::StopBTNClick);
  bind("BitBtnXP1", &TMainForm::BitBtnXP1Click);
  bind("MusikCDBtn", &TMainForm::MusikCDBtnClick);
  bind("Rueckgaengig1", &TMainForm::UndoClick);
  bind("Wiederholen1", &TMainForm::RedoClick);
  bind("VonMusikCDeinlesen1", &TMainForm::MusikCDBtnClick);

  connect(Edit1, &QLineEdit::textChanged, this, [this] { TellJobAboutPicture(); });
  connect(SchleifeCheck, &QCheckBox::toggled, this, [this] { TellJobAboutPicture(); });
  connect(ZoomOutEd, &ZoomSpinEdit::Changed, this, [this] { Guard([this] { ZoomOutEdChange(); }); });
  connect(RxSlider1, &QScrollBar::valueChanged, this,
          [this] { Guard([this] { RxSlider1Change(); }); });

  PaintBox1->OnPaint([this](QPainter& painter) { Guard([&] { PaintBox1Draw(painter); }); });
  PaintBox2->OnPaint([this](QPainter& painter) { Guard([&] { PaintBox2Draw(painter); }); });
  PaintBox2->OnDoubleClick([this] { OpenPreviewWindow(); });
  for (PaintBox* box : {PaintBox1, PaintBox2}) {
    box->OnMouseDown([this](Qt::MouseButton b, Qt::MouseButtons held, int x) {
      Guard([&] { PaintBox1MouseDown(b, held, x); });
    });
    box->OnMouseMove([this](Qt::MouseButton b, Qt::MouseButtons held, int x) {
      Guard([&] { PaintBox1MouseMove(b, held, x); });
    });
    box->OnMouseUp([this](Qt::MouseButton b, Qt::MouseButtons held, int x) {
      Guard([&] { PaintBox1MouseUp(b, held, x); });
    });
  }
}

void TMainForm::UpdateCommandStates() {
  for (QWidget* control : findChildren<QWidget*>())
    if (!control->objectName().isEmpty() && !Available(control)) control->setEnabled(false);
  for (QAction* action : findChildren<QAction*>())
    action->setEnabled(Available(action));
}

}  // namespace sonavix
