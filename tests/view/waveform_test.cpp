// Polyline points and the painted strip of the waveform view.

#include "view/waveform.h"

#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace sonavix {
namespace {

constexpr int kW = 100;
constexpr int kH = 121;
constexpr QRgb kBack = qRgb(96, 0, 0);
constexpr QRgb kBand = qRgb(128, 128, 255);
constexpr QRgb kLine = qRgb(0, 255, 0);
constexpr QRgb kMarker = qRgb(0, 255, 255);

AudioDocument Make8(const std::vector<std::uint8_t>& bytes, bool stereo = false) {
  AudioDocument doc;
  doc.SampleRate = 8000;
  doc.IsStereo = stereo;
  doc.DataSize = static_cast<std::int32_t>(bytes.size());
  doc.SampleData.reset(new std::uint8_t[bytes.size()]);  // exact size: ASan sees overreads
  std::copy(bytes.begin(), bytes.end(), doc.SampleData.get());
  return doc;
}

// Little-endian 16-bit samples.
AudioDocument Make16(const std::vector<std::int16_t>& samples, bool stereo = false) {
  std::vector<std::uint8_t> bytes;
  for (std::int16_t s : samples) {
    bytes.push_back(static_cast<std::uint8_t>(s & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>((s >> 8) & 0xFF));
  }
  AudioDocument doc = Make8(bytes, stereo);
  doc.Is16Bit = true;
  return doc;
}

std::vector<int> Ys(const std::vector<QPoint>& points) {
  std::vector<int> ys;
  for (std::size_t k = 1; k < points.size(); ++k) ys.push_back(points[k].y());
  return ys;
}

TEST(viewWaveformPoints, EightBitMono) {
  const AudioDocument doc = Make8({0, 255, 128, 127, 1, 254, 64, 192, 0, 255});
  const std::vector<QPoint> pts = WaveformPoints(doc, 1, 0, kW, kH);
  ASSERT_EQ(pts.size(), 11u);
  EXPECT_EQ(pts[0], QPoint(0, 128));
  for (int k = 1; k <= 10; ++k) EXPECT_EQ(pts[k].x(), k - 1);
  // 0 at the top, 255 at the bottom, larger values lower.
  EXPECT_EQ(Ys(pts), (std::vector<int>{0, 120, 60, 59, 0, 119, 30, 90, 0, 120}));

  // Column x shows byte Z*x + Z*P; columns past the end get no point.
  std::vector<std::uint8_t> ramp(256);
  for (int i = 0; i < 256; ++i) ramp[i] = static_cast<std::uint8_t>(i);
  const AudioDocument rampDoc = Make8(ramp);
  const std::vector<QPoint> scrolled = WaveformPoints(rampDoc, 3, 2, kW, kH);
  ASSERT_EQ(scrolled.size(), 85u);  // 6 + 3 * 83 = 255 is the last byte shown
  EXPECT_EQ(scrolled[1], QPoint(0, 2));
  EXPECT_EQ(scrolled[84], QPoint(83, 120));
  EXPECT_EQ(WaveformPoints(rampDoc, 1, 0, kW, kH).size(), std::size_t{kW} + 1);
  EXPECT_EQ(WaveformPoints(rampDoc, 1, 156, kW, kH).size(), 101u);
  EXPECT_EQ(WaveformPoints(rampDoc, 1, 157, kW, kH).size(), 100u);
  EXPECT_EQ(WaveformPoints(rampDoc, 1, 256, kW, kH).size(), 1u);
  EXPECT_EQ(WaveformPoints(rampDoc, 0, 0, kW, kH)[100], QPoint(99, 46));

  // 8-bit stereo: every byte is one mark.
  const AudioDocument stereo = Make8({0, 255, 0, 255, 0, 255}, true);
  EXPECT_EQ(Ys(WaveformPoints(stereo, 1, 0, kW, kH)), (std::vector<int>{0, 120, 0, 120, 0, 120}));
}

TEST(viewWaveformPoints, SixteenBit) {
  // Zero in the middle; the division truncates towards zero.
  const AudioDocument doc = Make16({0, -32768, 32767, -1, 1, -1000, 1000, 16384});
  const std::vector<QPoint> pts = WaveformPoints(doc, 1, 0, kW, kH);
  EXPECT_EQ(Ys(pts), (std::vector<int>{60, 0, 119, 60, 60, 59, 61, 90}));
  EXPECT_EQ(Ys(WaveformPoints(doc, 1, 0, kW, 100)), (std::vector<int>{50, 1, 99, 50, 50, 49, 51, 74}));

  // Stereo with distinct channels: left at the top, right at the bottom.
  std::vector<std::int16_t> lr;
  for (int f = 0; f < 300; ++f) lr.insert(lr.end(), {-32768, 32767});
  const AudioDocument stereo = Make16(lr, true);
  struct Case {
    int zoom, scroll, even, odd;  // y of even and of odd columns
  };
  for (const Case& c : {Case{1, 0, 0, 119}, Case{2, 0, 0, 0}, Case{3, 0, 0, 119}, Case{3, 1, 119, 0}}) {
    const std::vector<int> ys = Ys(WaveformPoints(stereo, c.zoom, c.scroll, kW, kH));
    ASSERT_EQ(ys.size(), std::size_t{kW});
    for (int x = 0; x < kW; ++x) EXPECT_EQ(ys[x], x % 2 ? c.odd : c.even) << c.zoom << ' ' << x;
  }
  // Marks count both channels: 600 samples, so Z=2 reaches column 299.
  EXPECT_EQ(WaveformPoints(stereo, 2, 0, 1000, kH).size(), 301u);
  EXPECT_EQ(WaveformPoints(stereo, 2, 299, 1000, kH).size(), 2u);
  EXPECT_EQ(WaveformPoints(stereo, 2, 300, 1000, kH).size(), 1u);
}

TEST(viewWaveformPoints, EdgeCases) {
  // An odd trailing byte never forms a sample.
  AudioDocument odd = Make8({100, 0, 200, 0, 0x7F});
  odd.Is16Bit = true;
  ASSERT_EQ(odd.DataSize, 5);
  EXPECT_EQ(WaveformPoints(odd, 1, 0, kW, kH).size(), 3u);
  EXPECT_EQ(WaveformPoints(odd, 1, 2, kW, kH).size(), 1u);

  const AudioDocument empty;
  EXPECT_EQ(WaveformPoints(empty, 1, 0, kW, kH), std::vector<QPoint>{QPoint(0, 128)});
  AudioDocument empty16;
  empty16.Is16Bit = empty16.IsStereo = true;
  EXPECT_EQ(WaveformPoints(empty16, 100, 0, kW, kH).size(), 1u);

  const AudioDocument one = Make8({255});
  EXPECT_EQ(WaveformPoints(one, 1'000'000, 0, kW, kH), (std::vector<QPoint>{{0, 128}, {0, 120}}));
  EXPECT_EQ(WaveformPoints(one, 1'000'000, std::numeric_limits<int>::max(), kW, kH).size(), 1u);
  EXPECT_EQ(WaveformPoints(one, 1, 0, 0, kH).size(), 1u);
}

class PaintWaveformTest : public ::testing::Test {
 protected:
  QImage image{kW, kH, QImage::Format_RGB32};
  // One character per pixel: '.' background, '=' band, 'g' polyline, '|' marker.
  std::string Row(int y) const {
    std::string row;
    for (int x = 0; x < image.width(); ++x) row += Code(image.pixel(x, y));
    return row;
  }
  std::string Column(int x) const {
    std::string column;
    for (int y = 0; y < image.height(); ++y) column += Code(image.pixel(x, y));
    return column;
  }
  static char Code(QRgb c) {
    return c == kBack ? '.' : c == kBand ? '=' : c == kLine ? 'g' : c == kMarker ? '|' : '?';
  }
};
// Test names carry "view" so that `ctest -R view` picks them out.
using viewPaintWaveform = PaintWaveformTest;

std::string Span(int n, char c) { return std::string(static_cast<std::size_t>(n), c); }

TEST_F(viewPaintWaveform, EmptyAndSingleSample) {
  image.fill(Qt::white);
  PaintWaveform(image, AudioDocument{}, 100, 0);
  ASSERT_EQ(image.size(), QSize(kW, kH));
  for (int y = 0; y < kH; ++y) ASSERT_EQ(Row(y), '|' + Span(kW - 1, '.')) << y;

  // One sample: the polyline is only the stroke from the start point (0, 128).
  AudioDocument doc = Make8({0});
  doc.SelStart = doc.SelEnd = 1;
  PaintWaveform(image, doc, 1, 0);
  for (int y = 0; y < kH; ++y) ASSERT_EQ(Row(y), "g|" + Span(kW - 2, '.')) << y;
}

TEST_F(viewPaintWaveform, BandLineAndMarker) {
  // Silence (y = 60) with one loud byte at 40; columns 39 ... 41 hold the
  // steep strokes up to it and back, so rows are compared outside them.
  std::vector<std::uint8_t> bytes(1000, 128);
  bytes[40] = 0;
  AudioDocument doc = Make8(bytes);
  doc.SelStart = 20;
  doc.SelEnd = 50;
  PaintWaveform(image, doc, 1, 0);
  EXPECT_EQ(Column(50), Span(kH, '|'));
  EXPECT_EQ(Row(10).substr(0, 39), Span(20, '.') + Span(19, '='));
  EXPECT_EQ(Row(10).substr(42), Span(8, '=') + '|' + Span(49, '.'));
  EXPECT_EQ(Row(60).substr(0, 39), Span(39, 'g'));
  EXPECT_EQ(Row(60).substr(42), Span(8, 'g') + '|' + Span(49, 'g'));
  EXPECT_EQ(Column(40).front(), 'g');  // the polyline is drawn over the band
  EXPECT_EQ(Column(40).back(), '=');
  // The start point (0, 128) lies below the picture: a stroke up column 0.
  EXPECT_EQ(Column(0), Span(60, '.') + Span(61, 'g'));

  // Marks the other way round: the marker follows SelEnd.
  doc.SelStart = 50;
  doc.SelEnd = 20;
  PaintWaveform(image, doc, 1, 0);
  EXPECT_EQ(Column(20), Span(kH, '|'));
  EXPECT_EQ(Row(10).substr(0, 39), Span(20, '.') + '|' + Span(18, '='));
  EXPECT_EQ(Row(10).substr(42, 8), Span(8, '='));
  EXPECT_EQ(Row(10).substr(51), Span(49, '.'));
}

TEST_F(viewPaintWaveform, MarksFollowZoomAndScroll) {
  AudioDocument doc = Make8(std::vector<std::uint8_t>(5000, 128));
  doc.SelStart = 23;
  doc.SelEnd = 27;  // the same column at Z=10: no band
  PaintWaveform(image, doc, 10, 0);
  EXPECT_EQ(Row(10), "..|" + Span(97, '.'));

  doc.SelStart = 1000;
  doc.SelEnd = 130;  // columns 95 and 8 at Z=10, P=5
  PaintWaveform(image, doc, 10, 5);
  EXPECT_EQ(Row(10).substr(0, 95), Span(8, '.') + '|' + Span(86, '='));
  EXPECT_EQ(Row(10).substr(96), Span(4, '.'));
}

TEST_F(viewPaintWaveform, MarksFarOutsideTheView) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  struct Case {
    std::int32_t start, end;
    std::int64_t zoom, scroll;
    char band;
  };
  const Case cases[] = {
      {0, kMax, 1, 10, '='},       // spans the view, marker far to the right
      {kMax, 0, 1, 2000, '='},     // spans the view, marker far to the left
      {kMax, kMax - 7, 1, 0, '.'},  // both beyond the right edge
      {0, 300, 1'000'000, std::numeric_limits<int>::max(), '.'},  // both before the left edge
      {0, 100, 1, (std::int64_t{1} << 32) + 50, '.'},  // must not wrap back into view
  };
  AudioDocument doc = Make8(std::vector<std::uint8_t>(5000, 128));
  for (const Case& c : cases) {
    doc.SelStart = c.start;
    doc.SelEnd = c.end;
    PaintWaveform(image, doc, c.zoom, c.scroll);
    EXPECT_EQ(Row(10), Span(kW, c.band)) << c.start << ' ' << c.end << ' ' << c.scroll;
    EXPECT_EQ(Row(kH - 1).find('|'), std::string::npos);
  }
}

// The strip is drawn straight into 32-bit images and with QPainter into any
// other kind; both must give the same pixels for every shape a sound makes:
// steep and flat strokes, turns, the start point below or inside the picture,
// tiny pictures, marks anywhere.
TEST(viewPaintWaveformDirect, SameAsThePainter) {
  std::mt19937 random(16);
  const auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  for (int round = 0; round < 300; ++round) {
    const int w = 1 + below(round < 100 ? 12 : 400);
    const int h = 1 + below(round % 3 == 0 ? 300 : 130);
    const int kind = below(3);  // noise, small steps, silence with spikes
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(below(1200)));
    int level = 128;
    for (std::uint8_t& b : bytes) {
      level = kind == 0 ? below(256) : kind == 1 ? std::clamp(level + below(9) - 4, 0, 255) : below(40) ? 128 : below(256);
      b = static_cast<std::uint8_t>(level);
    }
    AudioDocument doc = Make8(bytes);
    if (round % 2) {
      doc.Is16Bit = true;
      doc.DataSize &= ~1;
    }
    const std::int32_t n = std::max<std::int32_t>(doc.SampleCount(), 1);
    doc.SelStart = below(n + 20) - 10;
    doc.SelEnd = below(n + 20) - 10;
    const std::int64_t zoom = 1 + below(4);
    const std::int64_t scroll = below(3) ? 0 : below(n);

    QImage direct(w, h, QImage::Format_RGB32);
    QImage painted(w, h, QImage::Format_RGB888);
    PaintWaveform(direct, doc, zoom, scroll);
    PaintWaveform(painted, doc, zoom, scroll);
    ASSERT_EQ(direct, painted.convertToFormat(QImage::Format_RGB32))
        << "round " << round << ": " << w << 'x' << h << ", " << bytes.size() << " bytes, Z=" << zoom
        << " P=" << scroll;
  }
}

}  // namespace
}  // namespace sonavix
