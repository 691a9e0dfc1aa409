#pragma once
// What a render tells on standard error while it works: a line per file
// with its name, percent and time left. On a terminal the lines of the files
// at work stay at the bottom and change in place; anywhere else (a log, a
// pipe) each file gets a plain line every tenth of its way. Lines that are
// done (a file finished or failed) scroll up above them. Safe to call from
// several threads.

#include <QString>
#include <cstdio>
#include <mutex>
#include <optional>
#include <vector>

#include "document/work_progress.h"

namespace sonavix {

class ProgressBoard {
 public:
  ProgressBoard(std::FILE* out, bool terminal, bool quiet, SecondsClock clock = SteadySeconds);

  // A line for a file that starts; returns its number.
  int Start(const QString& name);
  // How far the file is: `reading` while its sound is read, else rendering.
  void Update(int line, bool reading, double done);
  // The file is done; `text` replaces its line for good. Shown even when
  // quiet if `always` (a failure must be told).
  void Finish(int line, const QString& text, bool always);
  // A line of its own above the files at work.
  void Say(const QString& text, bool always);

 private:
  struct Line {
    QString name;
    bool active = true;
    bool reading = false;
    int percent = -1;
    int shownTenth = -1;  // plain mode: the last tenth reported
    std::optional<TimeLeft> timeLeft;
    QString text;
  };
  QString Describe(const Line& line) const;
  void Redraw();
  void Put(const QString& text);

  std::FILE* out_;
  bool terminal_;
  bool quiet_;
  SecondsClock clock_;
  std::mutex mutex_;
  std::vector<Line> lines_;
  int drawn_ = 0;  // terminal mode: lines of files at work below the finished ones
  ReportGate gate_;
};

}  // namespace sonavix
