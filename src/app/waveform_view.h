#pragma once
// The waveform strip: it draws the sound as it stands at the zoom of its
// zoom field and the position of its scroll bar, sets the marks where the
// mouse presses and drags, shows the play cursor of a run, and answers the
// zoom commands. The field and the bar are made here and placed by the
// window. It says when the marks change; everything that changes the sound
// asks it to draw again.

#include <QImage>
#include <QWidget>
#include <cstdint>

#include "history/edit_history.h"

class QScrollBar;

namespace sonavix {

struct AudioDocument;
class ZoomSpinEdit;

class WaveformView final : public QWidget {
  Q_OBJECT
 public:
  explicit WaveformView(AudioDocument& doc, QWidget* parent = nullptr);

  ZoomSpinEdit* ZoomField() const { return zoomField_; }
  QScrollBar* ScrollBar() const { return scrollBar_; }
  // The zoom the view works with (the field's value, never below 1).
  std::int64_t Zoom() const;

  // Draws the sound again and puts it on the screen at once.
  void Redraw();
  // The whole sound in view, drawn again: after the sound was replaced.
  void ShowWholeSound();
  // "Ganze Datei", "Voller Zoom", "Kleiner", "Größer", "Zoom auf Auswahl".
  void ZoomWholeFile();
  void ZoomFull();
  void ZoomSmaller();
  void ZoomLarger();
  void ZoomToSelection();
  // "Nichts auswählen".
  void SelectNothing();

  // What undo and redo keep of the view, and showing it again.
  ViewState CurrentView() const;
  void ShowView(const ViewState& view);

  // The play cursor at the last frame a run has played; -1 hides it.
  void MoveCursor(std::int64_t lastFrame);
  void HideCursor();
  int CursorX() const { return cursorX_; }

  const QImage& Bitmap() const { return bitmap_; }
  // How often the sound was drawn: a command that changes nothing draws
  // nothing.
  int DrawCount() const { return drawCount_; }

 signals:
  void MarksChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  // The mouse over a watched widget sets the marks as over the strip.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Render();
  void ZoomChanged();
  std::int32_t MarkUnder(const QMouseEvent& event) const;
  void SetMarkUnder(const QMouseEvent& event, bool both);

  AudioDocument& doc_;
  ZoomSpinEdit* zoomField_;
  QScrollBar* scrollBar_;
  QImage bitmap_;
  int cursorX_ = -1;
  int drawCount_ = 0;
};

}  // namespace sonavix
