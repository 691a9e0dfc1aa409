#pragma once
// The picture behind the circles: a song's cover or any image the user
// picks, made once for the frame's size and darkened so that the circles
// and the text stay readable. "Cover" scales it to fill the frame and cuts
// what reaches over; "contain" shows the whole image in the middle with a
// blurred, enlarged copy of it filling the rest. The picture's fading
// trails fade toward it.

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <optional>

namespace sonavix {

enum class ImageFit { Cover, Contain };

// An image's longest side after reading: larger ones are decoded scaled
// down, so that even a 20 000 x 20 000 picture costs little memory.
inline constexpr int kLargestBackdropSide = 4096;

enum class BackdropProblem { None, Missing, Unreadable, TooLarge };

// The image in a file, or in the bytes of a tag; empty on failure, with
// `problem` saying why.
QImage ReadBackdropFile(const QString& path, BackdropProblem& problem);
QImage ReadBackdropBytes(const QByteArray& bytes, BackdropProblem& problem);

// The cover beside a song: cover.*, folder.*, front.* (JPEG or PNG, any
// case) in its folder; empty if none.
QString CoverBeside(const QString& song);

// `image` made for a frame of `size`: placed as `fit` says and darkened.
// Format_RGB32.
QImage MakeBackdrop(const QImage& image, QSize size, ImageFit fit);

// "cover" or "contain"; empty for anything else.
std::optional<ImageFit> ParseImageFit(const QString& word);

}  // namespace sonavix
