#include "video/backdrop.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <algorithm>

namespace sonavix {

namespace {

// How much of the image's light is left behind the circles.
constexpr int kBrightnessPercent = 45;
// Pixels the decoder may allocate, in megabytes (Qt's own limit is 256).
constexpr int kAllocationMegabytes = 128;

QImage Read(QImageReader& reader, BackdropProblem& problem) {
  QImageReader::setAllocationLimit(kAllocationMegabytes);
  reader.setAutoTransform(true);
  const QSize size = reader.size();
  if (!reader.canRead() || !size.isValid() || size.isEmpty()) {
    problem = BackdropProblem::Unreadable;
    return {};
  }
  // Scaled down while it is decoded: the decoder never holds the whole.
  if (std::max(size.width(), size.height()) > kLargestBackdropSide)
    reader.setScaledSize(size.scaled(kLargestBackdropSide, kLargestBackdropSide, Qt::KeepAspectRatio));
  QImage image = reader.read();
  if (image.isNull()) {
    const qint64 bytes = qint64(size.width()) * size.height() * 4;
    problem = bytes > qint64(kAllocationMegabytes) * 1024 * 1024 ? BackdropProblem::TooLarge
                                                                  : BackdropProblem::Unreadable;
    return {};
  }
  problem = BackdropProblem::None;
  return image.convertToFormat(QImage::Format_RGB32);
}

// A soft copy: made small and large again, smoothly.
QImage Blurred(const QImage& image, QSize size) {
  const QImage small = image.scaled(std::max(1, size.width() / 24), std::max(1, size.height() / 24),
                                    Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  return small.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

}  // namespace

QImage ReadBackdropFile(const QString& path, BackdropProblem& problem) {
  const QFileInfo info(path);
  if (!info.exists()) {
    problem = BackdropProblem::Missing;
    return {};
  }
  if (!info.isFile() || !info.isReadable()) {
    problem = BackdropProblem::Unreadable;
    return {};
  }
  QImageReader reader(path);
  return Read(reader, problem);
}

QImage ReadBackdropBytes(const QByteArray& bytes, BackdropProblem& problem) {
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  return Read(reader, problem);
}

QString CoverBeside(const QString& song) {
  const QDir folder = QFileInfo(song).absoluteDir();
  const QStringList found = folder.entryList(QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase);
  for (const char* stem : {"cover", "folder", "front"})
    for (const QString& name : found) {
      const QString lower = name.toLower();
      if (lower.startsWith(QLatin1String(stem) + QLatin1Char('.')) &&
          (lower.endsWith(QLatin1String(".jpg")) || lower.endsWith(QLatin1String(".jpeg")) ||
           lower.endsWith(QLatin1String(".png"))))
        return folder.filePath(name);
    }
  return {};
}

QImage MakeBackdrop(const QImage& image, QSize size, ImageFit fit) {
  QImage frame(size, QImage::Format_RGB32);
  frame.fill(Qt::black);
  if (image.isNull() || size.isEmpty()) return frame;
  QPainter painter(&frame);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
  const QSize covering = image.size().scaled(size, Qt::KeepAspectRatioByExpanding);
  if (fit == ImageFit::Cover) {
    painter.drawImage(QRect(QPoint((size.width() - covering.width()) / 2, (size.height() - covering.height()) / 2),
                            covering),
                      image);
  } else {
    const QImage soft = Blurred(image.scaled(covering, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), covering);
    painter.drawImage(QPoint((size.width() - covering.width()) / 2, (size.height() - covering.height()) / 2), soft);
    const QSize whole = image.size().scaled(size, Qt::KeepAspectRatio);
    painter.drawImage(QRect(QPoint((size.width() - whole.width()) / 2, (size.height() - whole.height()) / 2), whole),
                      image);
  }
  painter.end();
  // Darker, so that the circles and the text stand out.
  for (int y = 0; y < frame.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(frame.scanLine(y));
    for (int x = 0; x < frame.width(); ++x) {
      const QRgb p = row[x];
      row[x] = qRgb(qRed(p) * kBrightnessPercent / 100, qGreen(p) * kBrightnessPercent / 100,
                    qBlue(p) * kBrightnessPercent / 100);
    }
  }
  return frame;
}

std::optional<ImageFit> ParseImageFit(const QString& word) {
  const QString w = word.trimmed().toLower();
  if (w == QLatin1String("cover")) return ImageFit::Cover;
  if (w == QLatin1String("contain")) return ImageFit::Contain;
  return std::nullopt;
}

}  // namespace sonavix
