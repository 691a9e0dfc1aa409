// Pictures of the run: start picture, fade, circles, text, mirroring.

#include "video/frame_renderer.h"

#include <gtest/gtest.h>

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QRect>
#include <cmath>
#include <complex>
#include <cstdint>
#include <functional>
#include <numbers>
#include <tuple>
#include <utility>
#include <vector>

#include "document/sample_code.h"

namespace sonavix {
namespace {

constexpr int kBlockFrames = 2756;
constexpr QRgb kFadedGrey = qRgb(89, 76, 127);
constexpr QRgb kFadedFrame = qRgb(178, 0, 25);
constexpr QRgb kBlack = qRgb(0, 0, 0);

// Colours of the last circle of a picture, found by replaying the 400
// numbers a picture draws from a copy of the generator.
struct LastCircle {
  QRgb fill;
  QRgb outline;
};
LastCircle ReplayColours(RandomGenerator random) {
  LastCircle c{};
  for (int k = 0; k < 100; ++k) {
    const int fillGreen = static_cast<int>(random.Below(127));
    const int fillRed = static_cast<int>(random.Below(196));
    const int lineGreen = static_cast<int>(random.Below(127));
    const int lineRed = static_cast<int>(random.Below(196));
    c = {qRgb(fillRed, fillGreen, 255), qRgb(lineRed, lineGreen, 255)};
  }
  return c;
}

// The smallest rectangle holding every pixel of `area` that `hit` accepts.
QRect BoundsOf(const QImage& image, QRect area, const std::function<bool(QRgb)>& hit) {
  QRect bounds;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (hit(image.pixel(x, y))) bounds |= QRect(x, y, 1, 1);
  return bounds;
}

// One block of interleaved 16-bit stereo; frames past the 2048 analysed
// are filled with a loud value that must not reach the spectrum.
std::vector<std::int16_t> Block(const std::function<std::pair<double, double>(int)>& frame) {
  std::vector<std::int16_t> block(2 * kBlockFrames, 30000);
  for (int n = 0; n < kSpectrumSize; ++n) {
    const auto [left, right] = frame(n);
    block[2 * n] = static_cast<std::int16_t>(std::lround(left));
    block[2 * n + 1] = static_cast<std::int16_t>(std::lround(right));
  }
  return block;
}

class videoFrameRenderer : public ::testing::Test {
 protected:
  // Text needs a GUI application while these tests run.
  static void SetUpTestSuite() {
    if (QGuiApplication::instance() != nullptr) return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "video_tests";
    static char* argv[] = {name, nullptr};
    app_ = new QGuiApplication(argc, argv);
  }
  static void TearDownTestSuite() {
    delete app_;
    app_ = nullptr;
  }
  static inline QGuiApplication* app_ = nullptr;

  static QFont Font(int pixels) {
    QFont font;
    font.setPixelSize(pixels);
    return font;
  }
};

// Pictures too narrow for circles (s = 0): only the start picture and the
// fade. Their sizes send pixels through each width of the fade's steps.
TEST_F(videoFrameRenderer, StartsGreyWithARedFrameAndFadesEveryPixel) {
  for (const auto& [w, h] : {std::pair{7, 5}, std::pair{3, 5}, std::pair{5, 3}, std::pair{19, 3}}) {
    FrameRenderer r(w, h);
    RandomGenerator random;
    for (const auto& [grey, frame] : {std::pair{qRgb(128, 128, 128), qRgb(255, 0, 0)},
                                      std::pair{kFadedGrey, kFadedFrame}}) {
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          const bool edge = x == 0 || y == 0 || x == w - 1 || y == h - 1;
          ASSERT_EQ(r.Picture().pixel(x, y), edge ? frame : grey) << w << "x" << h << " at " << x << "," << y;
        }
      r.Draw(QString(), Font(11), random);
    }
  }
}

TEST_F(videoFrameRenderer, CircleSizeAndOffsetDivisorFollowTheWidth) {
  EXPECT_EQ(FrameRenderer::CircleSize(400), 20);
  EXPECT_EQ(FrameRenderer::CircleSize(720), 36);
  EXPECT_EQ(FrameRenderer::CircleSize(199), 9);
  EXPECT_DOUBLE_EQ(FrameRenderer::OffsetDivisor(400), 150.0);
  EXPECT_DOUBLE_EQ(FrameRenderer::OffsetDivisor(720), 300.0 / 720.0 * 200.0);
}

// Zero spectra: every circle on the same spot, top-left at the centre, and
// nothing else on the faded background when the text is empty.
TEST_F(videoFrameRenderer, FirstPictureStacksAllCirclesAtTheCentre) {
  for (const auto& [w, h] : {std::pair{400, 400}, std::pair{720, 576}, std::pair{401, 301}}) {
    SCOPED_TRACE(testing::Message() << w << "x" << h);
    FrameRenderer r(w, h);
    RandomGenerator random;
    const LastCircle last = ReplayColours(random);
    r.Draw(QString(), Font(11), random);
    RandomGenerator after;
    for (int i = 0; i < 400; ++i) after.Below(2);
    EXPECT_EQ(random.seed, after.seed) << "four numbers per circle";

    const QImage& p = r.Picture();
    // Every pixel of the frame (the picture's last pixels take the narrower
    // steps of the fade when the pixel count is not a multiple of eight).
    const QRect inner(1, 1, w - 2, h - 2);
    EXPECT_EQ(BoundsOf(p, p.rect(), [](QRgb c) { return c != kFadedFrame; }), inner);
    EXPECT_EQ(BoundsOf(p, inner, [](QRgb c) { return c == kFadedFrame; }), QRect());
    const int s = FrameRenderer::CircleSize(w);
    const QRect drawn = BoundsOf(p, inner, [](QRgb c) { return c != kFadedGrey; });
    EXPECT_EQ(drawn, QRect(w / 2, h / 2, s, s));
    EXPECT_EQ(p.pixel(w / 2 + s / 2, h / 2 + s / 2), last.fill);
    EXPECT_EQ(p.pixel(w / 2 + s / 2, h / 2), last.outline);
    EXPECT_EQ(p.pixel(w / 2, h / 2), kFadedGrey) << "a circle leaves its box's corners free";
  }
}

// Left + i right = (53 + 41i) e^(2 pi i 597 n / 2048) fills bin 597 of
// group 199 alone, which moves circle 99 alone: dx = -53 * 100 / D and
// dy = 41 * 100 / D, truncated toward zero (-35.3 and 27.3 at width 400,
// -63.6 and 49.2 at 720).
TEST_F(videoFrameRenderer, SpectrumPushesTheLastCircle) {
  const auto block = Block([](int n) {
    const std::complex<double> x =
        std::complex<double>(53.0, 41.0) * std::polar(1.0, 2.0 * std::numbers::pi * 597 * n / 2048);
    return std::pair{x.real(), x.imag()};
  });
  for (const auto& [w, h, dx, dy] : {std::tuple{400, 400, -35, 27}, std::tuple{720, 576, -63, 49}}) {
    SCOPED_TRACE(w);
    FrameRenderer r(w, h);
    r.Analyse(block.data());
    EXPECT_NEAR(r.SpecRe()[597], 53.0, 0.05);
    EXPECT_NEAR(r.SpecIm()[597], 41.0, 0.05);
    RandomGenerator random;
    r.Draw(QString(), Font(11), random);
    const int s = FrameRenderer::CircleSize(w);
    const QRect leftOfCentre(1, 1, w / 2 - 2, h - 2);
    EXPECT_EQ(BoundsOf(r.Picture(), leftOfCentre, [](QRgb c) { return c != kFadedGrey; }),
              QRect(w / 2 + dx, h / 2 + dy, s, s));
  }
}

TEST_F(videoFrameRenderer, SmoothingSumsGroupsAndDecaysInSilence) {
  FrameRenderer r(40, 40);
  RandomGenerator random;
  r.Analyse(Block([](int n) {
              return std::pair{8000.0 * std::sin(0.3 * n), 5000.0 * std::cos(0.05 * n) + 3000.0 * std::sin(1.1 * n)};
            }).data());
  r.Draw(QString(), Font(11), random);
  for (int g = 0; g < kSpectrumGroups; ++g) {
    EXPECT_NEAR(r.SmoothRe()[g], r.SpecRe()[3 * g] + r.SpecRe()[3 * g + 1] + r.SpecRe()[3 * g + 2], 1e-9);
    EXPECT_NEAR(r.SmoothIm()[g], r.SpecIm()[3 * g] + r.SpecIm()[3 * g + 1] + r.SpecIm()[3 * g + 2], 1e-9);
  }
  r.Analyse(Block([](int) { return std::pair{0.0, 0.0}; }).data());
  for (int picture = 0; picture < 5; ++picture) {
    const auto re = r.SmoothRe();
    const auto im = r.SmoothIm();
    r.Draw(QString(), Font(11), random);
    for (int g = 0; g < kSpectrumGroups; ++g) {
      ASSERT_DOUBLE_EQ(r.SmoothRe()[g], 0.9 * re[g]) << g;
      ASSERT_DOUBLE_EQ(r.SmoothIm()[g], 0.9 * im[g]) << g;
    }
  }
  // The left sine (bin 97.8, group 32) is still there, only smaller.
  EXPECT_GT(std::hypot(r.SmoothRe()[32], r.SmoothIm()[32]), 1000.0);
}

TEST_F(videoFrameRenderer, FadeSinksIntoDarkBlue) {
  FrameRenderer r(400, 400);
  RandomGenerator random;
  // Grey background (50, 50) and the red frame (0, 50), picture by picture.
  const std::vector<int> greyRed = {89, 62, 43, 30, 21, 14, 9, 6, 4, 2, 1, 0};
  const std::vector<int> greyGreen = {76, 45, 27, 16, 9, 5, 3, 1, 0};
  const std::vector<int> frameBlue = {25, 45, 61, 74, 84, 92, 99, 104, 108, 111, 114, 116, 118, 119, 120, 121, 122};
  for (int picture = 1; picture <= 30; ++picture) {
    r.Draw(QString(), Font(11), random);
    const QColor grey(r.Picture().pixel(50, 50));
    const QColor frame(r.Picture().pixel(0, 50));
    const auto at = [picture](const std::vector<int>& seq, int settled) {
      return picture <= static_cast<int>(seq.size()) ? seq[picture - 1] : settled;
    };
    EXPECT_EQ(grey.red(), at(greyRed, 0)) << picture;
    EXPECT_EQ(grey.green(), at(greyGreen, 0)) << picture;
    EXPECT_EQ(grey.blue(), 127) << "from above, blue settles on 127";
    EXPECT_EQ(frame.red() == 0, picture >= 14) << "red from 255 is gone after 14 pictures: " << picture;
    EXPECT_EQ(frame.green(), 0);
    EXPECT_EQ(frame.blue(), at(frameBlue, 123)) << "from below, blue settles on 123: " << picture;
  }
}

// The fade runs in the build the processor offers; every build draws the
// same pictures, byte for byte.
TEST_F(videoFrameRenderer, EveryBuildDrawsTheSamePictures) {
  const SampleCode before = ActiveSampleCode();
  std::vector<QImage> pictures;
  for (const SampleCode code : {SampleCode::Plain, SampleCode::Avx2, SampleCode::Avx512}) {
    if (UseSampleCode(code) != code) continue;
    FrameRenderer r(720, 576);
    RandomGenerator random;
    for (int picture = 0; picture < 12; ++picture) r.Draw(QStringLiteral("Hallo"), Font(20), random);
    pictures.push_back(r.Picture().copy());
  }
  UseSampleCode(before);
  for (const QImage& picture : pictures) EXPECT_EQ(picture, pictures.front());
}

// Expects the text's cell at (x, y, width, height) for `text` in `font`:
// fill colour at its corners, not outside them, black only inside, and no
// shades between (drawn without antialiasing).
void ExpectTextCell(const FrameRenderer& r, const QString& text, const QFont& font, QRgb fill) {
  const QFontMetrics metrics(font);
  const int w = metrics.horizontalAdvance(text);
  const int h = metrics.height();
  const QRect cell((r.Width() - w) / 2, (r.Height() - h) / 2, w, h);
  const QImage& p = r.Picture();
  for (const QPoint corner : {cell.topLeft(), cell.topRight(), cell.bottomLeft(), cell.bottomRight()})
    EXPECT_EQ(p.pixel(corner), fill) << corner.x() << "," << corner.y();
  for (const QPoint out : {cell.topLeft() - QPoint(1, 0), cell.topLeft() - QPoint(0, 1),
                           cell.bottomRight() + QPoint(1, 0), cell.bottomLeft() + QPoint(0, 1)})
    EXPECT_NE(p.pixel(out), fill) << out.x() << "," << out.y();
  EXPECT_TRUE(cell.contains(BoundsOf(p, p.rect(), [](QRgb c) { return c == kBlack; })))
      << "black outside the cell";
  int black = 0, other = 0;
  for (int y = cell.top(); y <= cell.bottom(); ++y)
    for (int x = cell.left(); x <= cell.right(); ++x) {
      black += p.pixel(x, y) == kBlack;
      other += p.pixel(x, y) != kBlack && p.pixel(x, y) != fill;
    }
  EXPECT_GT(black, 20);
  EXPECT_EQ(other, 0);
}

TEST_F(videoFrameRenderer, TextIsCentredOnTheLastFillColour) {
  FrameRenderer r(400, 400);
  RandomGenerator random;
  const QString text = QStringLiteral("Sonavix, gjpqy");  // descenders must stay in the cell
  LastCircle last = ReplayColours(random);
  r.Draw(text, Font(11), random);
  ExpectTextCell(r, text, Font(11), last.fill);

  // A new font, and then a new text, shows in the next picture.
  last = ReplayColours(random);
  r.Draw(text, Font(22), random);
  ExpectTextCell(r, text, Font(22), last.fill);
  last = ReplayColours(random);
  r.Draw(QStringLiteral("Sonavix"), Font(22), random);
  ExpectTextCell(r, QStringLiteral("Sonavix"), Font(22), last.fill);
}

// A line wider than the picture is made smaller until it fits, in the cell
// and in the overlay, which stands where its look says.
TEST_F(videoFrameRenderer, TextWiderThanThePictureShrinksToFitAndTheOverlayStandsInItsPlace) {
  const QString text = QStringLiteral("A line of text much wider than the picture");
  ASSERT_GT(QFontMetrics(Font(11)).horizontalAdvance(text), 140);
  FrameRenderer cell(120, 90);
  RandomGenerator random;
  cell.Draw(text, Font(11), random);
  int black = 0;
  for (int y = 0; y < 90; ++y) {
    black += cell.Picture().pixel(60, y) == kBlack || cell.Picture().pixel(30, y) == kBlack;
    for (const int x : {0, 1, 118, 119}) EXPECT_NE(cell.Picture().pixel(x, y), kBlack) << x << "," << y;
  }
  EXPECT_GT(black, 0);

  for (const auto place : {TextLook::Place::Top, TextLook::Place::Bottom}) {
    FrameRenderer overlay(320, 180);
    TextLook look = DefaultTextLook(DiscPreset::Mp4Hd720);
    look.place = place;
    look.colour = Qt::yellow;
    overlay.SetTextLook(look);
    overlay.Draw(text, Font(11), random);
    int top = 0, bottom = 0;
    for (int y = 0; y < 180; ++y)
      for (int x = 0; x < 320; ++x) {
        const QColor c = overlay.Picture().pixelColor(x, y);
        if (c.red() > 200 && c.green() > 200 && c.blue() < 80) (y < 90 ? top : bottom) += 1;
        if (x == 0 || x == 319) {
          EXPECT_LT(c.red(), 200) << "cut at " << x << "," << y;
        }
      }
    EXPECT_GT(place == TextLook::Place::Top ? top : bottom, 50);
    EXPECT_EQ(place == TextLook::Place::Top ? bottom : top, 0);
  }
}

TEST_F(videoFrameRenderer, MirrorRowsTurnsThePictureUpsideDown) {
  for (const int h : {31, 40}) {
    FrameRenderer r(40, h);
    RandomGenerator random;
    r.Draw(QString(), Font(11), random);
    const QImage before = r.Picture().copy();
    r.MirrorRows();
    EXPECT_EQ(r.Picture(), before.mirrored(false, true));
    EXPECT_NE(r.Picture(), before);
    r.MirrorRows();
    EXPECT_EQ(r.Picture(), before);
  }
}

}  // namespace
}  // namespace sonavix
