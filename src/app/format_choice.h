#pragma once
// The choice of what "Speichern als MPEG..." and "Disc-Abbild..." make: a
// disc format (Video-CD, Super Video CD, DVD) or a web format (MP4 720p or
// 1080p, or one of the others in a list: square, upright, 1440p, 2160p,
// WebM with alpha), and the TV system of the discs. The buttons are made
// here and placed by the window.

#include <QObject>

#include "video/media_writer.h"

class QComboBox;
class QRadioButton;
class QWidget;

namespace sonavix {

class FormatChoice final : public QObject {
  Q_OBJECT
 public:
  // The format buttons become children of `formats`, the TV system's of a
  // box of their own inside it, so that the two choices do not exclude
  // each other.
  FormatChoice(QWidget* formats, QObject* parent);

  DiscPreset Preset() const;
  TvSystem Tv() const;
  void SetPreset(DiscPreset preset);
  void SetTv(TvSystem tv);

  QRadioButton* const videoCd;
  QRadioButton* const superVideoCd;
  QRadioButton* const dvd;
  QRadioButton* const mp4Hd720;
  QRadioButton* const mp4Hd1080;
  QRadioButton* const other;    // the format chosen in the list beside it
  QComboBox* const otherList;
  QWidget* const tvBox;
  QRadioButton* const pal;
  QRadioButton* const ntsc;

 signals:
  void Changed();
};

}  // namespace sonavix
