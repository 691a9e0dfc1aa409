#pragma once
// The time ruler over the waveform: minutes and seconds, finer as the view
// zooms in, standing exactly over the columns of the waveform view below
// it and following its scroll and zoom.

#include <QWidget>

namespace sonavix {

struct AudioDocument;
class WaveformView;

class TimeRuler final : public QWidget {
  Q_OBJECT
 public:
  TimeRuler(const AudioDocument& doc, const WaveformView& view, QWidget* parent = nullptr);

  QSize sizeHint() const override;
  // Where the view's column 0 lies in the ruler.
  int Origin() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const AudioDocument& doc_;
  const WaveformView& view_;
};

}  // namespace sonavix
