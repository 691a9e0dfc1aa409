#pragma once
// A plain drawing surface that hands its paint and mouse events to the main
// window's handlers.

#include <QWidget>
#include <functional>

namespace sonavix {

class PaintBox final : public QWidget {
  Q_OBJECT
 public:
  using PaintHandler = std::function<void(QPainter&)>;
  using MouseHandler = std::function<void(Qt::MouseButton button, Qt::MouseButtons held, int x)>;

  explicit PaintBox(QWidget* parent = nullptr);

  // The handler draws the whole area of the box.
  void OnPaint(PaintHandler handler) {
    paint_ = std::move(handler);
    setAttribute(Qt::WA_OpaquePaintEvent, bool(paint_));
  }
  void OnMouseDown(MouseHandler handler) { down_ = std::move(handler); }
  void OnMouseMove(MouseHandler handler) { move_ = std::move(handler); }
  void OnMouseUp(MouseHandler handler) { up_ = std::move(handler); }
  void OnDoubleClick(std::function<void()> handler) { doubleClick_ = std::move(handler); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  static void Forward(const MouseHandler& handler, QMouseEvent* event);

  PaintHandler paint_;
  MouseHandler down_, move_, up_;
  std::function<void()> doubleClick_;
};

}  // namespace sonavix
