// The status bar's progress panel: how far it fills, and that a growing bar
// paints only its filled part while a shrinking one is redrawn whole.

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "app/progress_panel.h"
#include "window_test_support.h"

namespace sonavix::testing {
namespace {

TEST(ProgressDrawing, FillsFromTheLeftInNavyAndLeavesTheRestButtonFace) {
  QImage image(460, 20, QImage::Format_RGB32);
  image.fill(Qt::white);
  const QColor face(200, 200, 200);
  {
    QPainter painter(&image);
    DrawProgressPanel(painter, QRect(QPoint(402, 2), QPoint(451, 17)), 50, face);
  }
  EXPECT_EQ(ProgressFillRight(402, 452, 50), 427);
  EXPECT_EQ(image.pixelColor(402, 5), kProgressFill);
  EXPECT_EQ(image.pixelColor(426, 5), kProgressFill);
  EXPECT_EQ(image.pixelColor(427, 5), face);
  EXPECT_EQ(image.pixelColor(451, 5), face);
  EXPECT_EQ(image.pixelColor(452, 5), QColor(Qt::white));
  EXPECT_EQ(image.pixelColor(401, 5), QColor(Qt::white));
}

using ProgressPanelTest = WindowTest;

TEST_F(ProgressPanelTest, ReportsOutsideZeroToHundredAreIgnored) {
  ProgressPanel* panel = form->Status().Progress();
  form->Status().ShowProgress(40);
  const int fills = panel->FillDraws();
  const int full = panel->FullDraws();
  form->Status().ShowProgress(101);
  form->Status().ShowProgress(-1);
  EXPECT_EQ(panel->ProgressPercent(), 40);
  EXPECT_EQ(panel->FillDraws(), fills);
  EXPECT_EQ(panel->FullDraws(), full);
}

TEST_F(ProgressPanelTest, GrowingPaintsTheFillShrinkingRepaintsTheWhole) {
  ProgressPanel* panel = form->Status().Progress();
  panel->repaint();  // the status bar has drawn the panel once
  EXPECT_EQ(panel->ProgressRect(), panel->rect());
  const int full = panel->FullDraws();

  form->Status().ShowProgress(30);
  form->Status().ShowProgress(60);
  EXPECT_EQ(panel->FillDraws(), 2);
  EXPECT_EQ(panel->FullDraws(), full);
  QImage shown = panel->grab().toImage();  // grabbing draws the panel anew
  EXPECT_EQ(shown.pixelColor(29, 5), kProgressFill);

  const int beforeShrink = panel->FullDraws();
  form->Status().ShowProgress(0);
  EXPECT_EQ(panel->FullDraws(), beforeShrink + 1);
  shown = panel->grab().toImage();
  for (int x = 0; x < shown.width(); x += 7)
    EXPECT_EQ(shown.pixelColor(x, 5), panel->palette().color(QPalette::Button)) << x;
}

}  // namespace
}  // namespace sonavix::testing
