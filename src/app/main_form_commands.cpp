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
  if (actions_.open->isEnabled() && !DroppedFile(*event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
  const QString name = DroppedFile(*event->mimeData());
  if (!actions_.open->isEnabled() || name.isEmpty()) return;
  event->acceptProposedAction();
  Guard([&] {
    if (reading_ || soundLocked_ || !MayLetSoundGo()) return;
    OpenFile(name);
  });
}

void TMainForm::BindCommands() {
  const auto bind = [this](QAction* action, void (TMainForm::*handler)()) {
    connect(action, &QAction::triggered, this, [this, handler] { Guard([&] { (this->*handler)(); }); });
  };
  const WindowActions& a = actions_;
  bind(a.open, &TMainForm::OpenBtnClick);
  bind(a.saveWav, &TMainForm::SaveBtnClick);
  bind(a.exportVideo, &TMainForm::Button1Click);
  bind(a.discImage, &TMainForm::DiscImageClick);
  bind(a.readCd, &TMainForm::MusikCDBtnClick);
  bind(a.quit, &TMainForm::Beenden1Click);
  bind(a.undo, &TMainForm::UndoClick);
  bind(a.redo, &TMainForm::RedoClick);
  bind(a.cropToSelection, &TMainForm::CropToSelectionClick);
  bind(a.cutSelection, &TMainForm::CutSelectionBtnClick);
  bind(a.selectNothing, &TMainForm::SelectNothingBtnClick);
  bind(a.changeSampleFormat, &TMainForm::ChangeFormatClick);
  bind(a.zoomWholeFile, &TMainForm::ZoomOutFullClick);
  bind(a.zoomFull, &TMainForm::ZoomInFullClick);
  bind(a.zoomToSelection, &TMainForm::ZoomSelClick);
  bind(a.zoomSmaller, &TMainForm::ZoomKleinerBtnClick);
  bind(a.zoomLarger, &TMainForm::ZoomGroesserBtnClick);
  bind(a.echo, &TMainForm::Echo1Click);
  bind(a.fadeIn, &TMainForm::Weicheinblenden1Click);
  bind(a.fadeOut, &TMainForm::Weichausblenden1Click);
  bind(a.crossfadeEndToStart, &TMainForm::EndeaufAnfangberblenden1Click);
  bind(a.maximumVolume, &TMainForm::MaximaleLautstrke1Click);
  bind(a.louder, &TMainForm::Lauter101Click);
  bind(a.quieter, &TMainForm::Leiser101Click);
  bind(a.reverse, &TMainForm::Rckwrts1Click);
  bind(a.faster, &TMainForm::Schneller101Click);
  bind(a.slower, &TMainForm::Langsamer101Click);
  bind(a.about, &TMainForm::berdasProgramm1Click);
  bind(a.play, &TMainForm::PlayBtnClick);
  bind(a.stop, &TMainForm::StopBTNClick);
  bind(a.chooseFont, &TMainForm::BitBtnXP1Click);

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

}  // namespace sonavix
