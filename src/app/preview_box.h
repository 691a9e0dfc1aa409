#pragma once
// The preview: the newest picture of a run, scaled into the box with its
// shape kept. A double click shows it in a window of its own as well.

#include <QImage>
#include <QSize>
#include <QWidget>

namespace sonavix {

class PreviewWindow;

class PreviewBox final : public QWidget {
  Q_OBJECT
 public:
  explicit PreviewBox(QWidget* parent = nullptr);

  // The size the runs draw their pictures at: the preview's own for
  // playback, the video frame's for an export.
  void SetPictureSize(QSize size) { pictureSize_ = size; }
  QSize PictureSize() const { return pictureSize_; }

  void Show(const QImage& picture);
  const QImage& Picture() const { return picture_; }
  // The window of its own, made on first use.
  PreviewWindow* OpenWindow();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  QImage picture_;
  QSize pictureSize_{400, 400};
  PreviewWindow* window_ = nullptr;
};

}  // namespace sonavix
