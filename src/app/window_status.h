#pragma once
// The window's status bar: a line of text (what is running, or how it
// ended), the progress bar beside it, and at the right end where the marks
// or the play cursor stand.

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
  // The marks or the play position, at the bar's right end.
  void ShowPosition(const QString& text);
  QString Position() const;

 private:
  QLabel* label_ = nullptr;
  QLabel* position_ = nullptr;
  ProgressPanel* progress_ = nullptr;
  QString text_;
};

}  // namespace sonavix
