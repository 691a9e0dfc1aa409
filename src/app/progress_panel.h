#pragma once
// The status bar's progress panel: a small bar that fills from the left in
// navy as a long command reports its progress in percent.

#include <QColor>
#include <QRect>
#include <QWidget>

class QPainter;

namespace sonavix {

inline const QColor kProgressFill{0, 0, 128};

// Right edge of the filled part of a panel spanning [left, right).
int ProgressFillRight(int left, int right, int percent);

// Draws both parts of the panel: navy up to the fill edge, button face after.
void DrawProgressPanel(QPainter& painter, const QRect& panel, int percent, const QColor& buttonFace);

class ProgressPanel final : public QWidget {
  Q_OBJECT
 public:
  explicit ProgressPanel(QWidget* parent = nullptr);

  int ProgressPercent() const { return percent_; }
  // Panel rectangle of the last full draw, as (left, top, right, bottom)
  // with right and bottom exclusive; all zero until it has been drawn once.
  QRect ProgressRect() const { return rect_; }
  int FullDraws() const { return fullDraws_; }
  int FillDraws() const { return fillDraws_; }

  // Values outside 0 ... 100 are ignored. A growing bar only paints its
  // filled part; a shrinking one repaints the whole panel at once.
  void SetPercent(int value);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void DrawPanel(QPainter& painter, const QRect& panel);
  void PaintMore();

  int percent_ = 0;
  QRect rect_{0, 0, 0, 0};
  bool fillOnly_ = false;
  int fullDraws_ = 0;
  int fillDraws_ = 0;
};

}  // namespace sonavix
