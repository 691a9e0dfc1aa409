#pragma once
// The window's status bar: a line of text (what is running, or how it
// ended) and the progress bar beside it.

#include <QString>

class QLabel;
class QStatusBar;

namespace sonavix {

class ProgressPanel;

class WindowStatus {
 public:
  // Makes the bar; the window takes it over.
  QStatusBar* Build();

  // A long text is shortened in the middle; the whole of it is the tooltip.
  void ShowText(const QString& text);
  const QString& Text() const { return text_; }
  // How far a long command is, 0 ... 100; other values are ignored.
  void ShowProgress(int percent);
  ProgressPanel* Progress() const { return progress_; }

 private:
  QLabel* label_ = nullptr;
  ProgressPanel* progress_ = nullptr;
  QString text_;
};

}  // namespace sonavix
