#pragma once
// A render of many files: where each output goes, and the files rendered
// by a few workers at once, each with a render job of its own. A file that
// fails is told with its name and reason and leaves nothing behind; the
// others are rendered all the same.

#include <QString>
#include <atomic>
#include <string>
#include <variant>
#include <vector>

#include "cli/batch_report.h"
#include "cli/progress_board.h"
#include "cli/render_options.h"
#include "export/render_job.h"

namespace sonavix {

struct BatchFile {
  QString input;
  QString output;
  bool temporary = false;  // a step on the way to a disc image: not named when done
};

// The output of every input: -o as the file (one input) or as the folder,
// else beside the input with the preset's extension. Two inputs that would
// write the same file are a usage error.
std::variant<std::vector<BatchFile>, UsageError> PlanOutputs(const RenderOptions& options);

struct BatchSummary {
  int rendered = 0;
  int failed = 0;
  int skipped = 0;  // finished already (--skip-existing)
  int outsideSound = 0;  // failed because --from/--to lie outside the sound
  bool stopped = false;
  double seconds = 0;  // playing time rendered
  double elapsed = 0;
};

// Tells the board how one file is coming on.
class BoardObserver final : public RenderObserver {
 public:
  BoardObserver(ProgressBoard& board, int line, const std::atomic<bool>& stop)
      : board_(board), line_(line), stop_(stop) {}
  void Progress(Stage stage, double done) override {
    board_.Update(line_, stage == Stage::Reading, done);
  }
  bool StopRequested() const override { return stop_.load(); }

 private:
  ProgressBoard& board_;
  int line_;
  const std::atomic<bool>& stop_;
};

// The render of one input as the options ask for it.
RenderRequest RequestFor(const RenderOptions& options, const QString& input, const QString& output,
                         const QFont& font);

// Renders every file with options.jobs workers; `stop` ends the work early
// (every unfinished output is removed). A catalogue's outputs get their
// notes, finished ones are skipped when the options say so, and every file
// taken on gets its line in `report` when there is one. `writerName` picks
// the media writer's back end.
BatchSummary RenderBatch(const RenderOptions& options, const std::vector<BatchFile>& files,
                         ProgressBoard& board, const std::atomic<bool>& stop, BatchReport* report = nullptr,
                         const std::string& writerName = {});

// The files of `files` in the options' shard (all of them without one).
std::vector<BatchFile> FilesOfShard(const RenderOptions& options, const std::vector<BatchFile>& files);

// "3 Dateien, 9:36 Spielzeit in 1:05 (8,9-fache Echtzeit)", and the failures.
QString SummaryText(const BatchSummary& summary);

// 0 when every file was rendered; 2 when a range lay outside a sound; 1 for
// any other failure; 130 when stopped.
int BatchStatus(const BatchSummary& summary);

}  // namespace sonavix
