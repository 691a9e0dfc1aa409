#pragma once
// The waveform strip: it draws the sound as it stands at the zoom of its
// zoom field and the position of its scroll bar, sets the marks where the
// mouse presses and drags (Shift extends the selection), scrolls and zooms
// with the wheel, shows the play cursor of a run, and answers the zoom and
// selection commands. The field and the bar are made here and placed by the
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
  // "Nichts auswählen", "Alles auswählen".
  void SelectNothing();
  void SelectAll();
  // The marks at samples `first` and `last` (as the "Auswahl..." dialog
  // gives them), kept inside the sound and scrolled into view.
  void Select(std::int32_t first, std::int32_t last);
  // "Zum Anfang", "Zum Ende": both marks there, and the view with them.
  void GoToStart();
  void GoToEnd();

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
  // The sound was drawn again (the zoom, the scroll or the sound changed).
  void Drawn();
  // A run's play cursor moved to source frame `frame`; -1 when it ended.
  void PlayPositionChanged(std::int64_t frame);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  // The wheel scrolls; with Ctrl held it zooms around the pointer.
  void wheelEvent(QWheelEvent* event) override;

 private:
  void Render();
  void ZoomChanged();
  std::int32_t MarkUnder(const QMouseEvent& event) const;
  void SetMarkUnder(const QMouseEvent& event, bool both);
  // Scrolls so that `sample` is in view, where it is if it already is.
  void ShowSample(std::int64_t sample);

  AudioDocument& doc_;
  ZoomSpinEdit* zoomField_;
  QScrollBar* scrollBar_;
  QImage bitmap_;
  int cursorX_ = -1;
  int drawCount_ = 0;
};

}  // namespace sonavix
