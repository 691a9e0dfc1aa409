#include "cli/progress_board.h"

#include <algorithm>

#include "document/local_names.h"

namespace sonavix {

ProgressBoard::ProgressBoard(std::FILE* out, bool terminal, bool quiet, SecondsClock clock)
    : out_(out), terminal_(terminal), quiet_(quiet), clock_(clock), gate_(0.1, clock) {}

int ProgressBoard::Start(const QString& name) {
  const std::lock_guard lock(mutex_);
  Line line;
  line.name = name;
  lines_.push_back(std::move(line));
  if (terminal_ && !quiet_) Redraw();
  return static_cast<int>(lines_.size()) - 1;
}

QString ProgressBoard::Describe(const Line& line) const {
  if (line.percent < 0) return line.name + QStringLiteral(": wartet");
  if (line.reading) return line.name + QStringLiteral(": liest %1 %").arg(line.percent);
  std::optional<double> left;
  if (line.timeLeft && line.percent < 100) left = line.timeLeft->Estimate(line.percent / 100.0);
  return line.name + QStringLiteral(": %1 %").arg(line.percent) +
         QString::fromStdString(TimeLeftPhrase(left));
}

void ProgressBoard::Update(int index, bool reading, double done) {
  const std::lock_guard lock(mutex_);
  if (quiet_ || index < 0 || index >= int(lines_.size())) return;
  Line& line = lines_[std::size_t(index)];
  if (!reading && (line.reading || !line.timeLeft)) line.timeLeft.emplace(clock_);
  const int percent = static_cast<int>(std::clamp(done, 0.0, 1.0) * 100);
  // Within a stage the share only grows (a reader that empties its bar at
  // the end is not going backwards).
  if (line.reading == reading && percent < line.percent) return;
  if (line.reading != reading) line.shownTenth = -1;
  line.reading = reading;
  line.percent = percent;
  if (terminal_) {
    if (gate_.Due()) Redraw();
    return;
  }
  const int tenth = line.percent / 10;
  if (tenth == line.shownTenth) return;
  line.shownTenth = tenth;
  Put(Describe(line) + QLatin1Char('\n'));
}

void ProgressBoard::Finish(int index, const QString& text, bool always) {
  const std::lock_guard lock(mutex_);
  if (index < 0 || index >= int(lines_.size())) return;
  Line& line = lines_[std::size_t(index)];
  line.active = false;
  line.text = text;
  if (quiet_ && !always) return;
  if (terminal_ && !quiet_) {
    Redraw();
  } else {
    Put(text + QLatin1Char('\n'));
  }
}

void ProgressBoard::Say(const QString& text, bool always) {
  const std::lock_guard lock(mutex_);
  if (quiet_ && !always) return;
  if (terminal_ && !quiet_) {
    Line line;
    line.active = false;
    line.text = text;
    lines_.push_back(std::move(line));
    Redraw();
  } else {
    Put(text + QLatin1Char('\n'));
  }
}

// Goes back to the first line at work, writes out what has finished since,
// then the lines at work again, each cleared to its end.
void ProgressBoard::Redraw() {
  QString screen;
  if (drawn_ > 0) screen += QStringLiteral("\x1b[%1A").arg(drawn_);
  screen += QLatin1Char('\r');
  int active = 0;
  std::vector<Line> kept;
  for (Line& line : lines_) {
    if (line.active)
      kept.push_back(std::move(line));
    else if (!line.text.isNull())
      screen += line.text + QStringLiteral("\x1b[K\n");
  }
  for (const Line& line : kept) {
    screen += Describe(line) + QStringLiteral("\x1b[K\n");
    ++active;
  }
  screen += QStringLiteral("\x1b[J");
  // Finished lines have been written for good; the numbers handed out stay
  // valid because finished entries are kept as empty placeholders.
  std::size_t k = 0;
  for (Line& line : lines_) {
    if (line.active) {
      line = std::move(kept[k++]);
    } else if (!line.text.isNull()) {
      line.text = QString();
      line.name = QString();
    }
  }
  drawn_ = active;
  Put(screen);
}

void ProgressBoard::Put(const QString& text) {
  const QByteArray bytes = BytesFromName(text);
  std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), out_);
  std::fflush(out_);
}

}  // namespace sonavix
