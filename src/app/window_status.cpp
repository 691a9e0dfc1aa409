#include "app/window_status.h"

#include <QLabel>
#include <QStatusBar>

#include "app/progress_panel.h"

namespace sonavix {

namespace {
constexpr int kStatusBarHeight = 19;
constexpr int kStatusTextWidth = 400;
constexpr int kProgressWidth = 50;
}  // namespace

QStatusBar* WindowStatus::Build() {
  auto* bar = new QStatusBar;
  bar->setObjectName(QStringLiteral("statusBar"));
  bar->setFixedHeight(kStatusBarHeight);
  bar->setSizeGripEnabled(false);
  label_ = new QLabel;
  label_->setObjectName(QStringLiteral("statusText"));
  label_->setFixedWidth(kStatusTextWidth);
  bar->addWidget(label_);
  progress_ = new ProgressPanel;
  progress_->setFixedWidth(kProgressWidth);
  bar->addWidget(progress_);
  position_ = new QLabel;
  position_->setObjectName(QStringLiteral("positionText"));
  bar->addPermanentWidget(position_);
  return bar;
}

void WindowStatus::ShowText(const QString& text) {
  if (text_ == text) return;
  text_ = text;
  const QString shown = label_->fontMetrics().elidedText(text, Qt::ElideMiddle, label_->width() - 4);
  label_->setText(shown);
  label_->setToolTip(shown == text ? QString() : text);
  label_->repaint();
}

void WindowStatus::ShowPosition(const QString& text) {
  if (position_->text() != text) position_->setText(text);
}

QString WindowStatus::Position() const { return position_->text(); }

void WindowStatus::ShowProgress(int percent) { progress_->SetPercent(percent); }

}  // namespace sonavix
