#pragma once
// What makes an output count as finished for --skip-existing: a small note
// beside it, ".NAME.sonavix", written only after the output was moved into
// place whole. It holds what the output was made from (the input's name,
// size and time, every option that shapes the bytes, the program's
// version) and what came out (its size, time and SHA-256). An output
// counts as finished only while all of that still holds: a changed input,
// other options or an output that was replaced since render again, and a
// killed worker never wrote a note (its unfinished file is a scratch file
// the next run removes).

#include <cstdint>
#include <optional>
#include <string>

#include "export/render_job.h"

namespace sonavix {

struct FinishedOutput {
  double seconds = 0;  // playing time
  std::int64_t bytes = 0;
  std::string sha256;  // hex
};

// Where the note of `output` is kept.
std::string FinishedNotePath(const std::string& output);

// The output of `request` when it is finished as above; empty otherwise.
// `preset` is the preset's name.
std::optional<FinishedOutput> FindFinished(const RenderRequest& request, const std::string& preset);

// Removes the note before the output is made anew.
void ForgetFinished(const std::string& output);

// Writes the note of an output just rendered. False if it could not be
// written; the output itself is whole all the same.
bool NoteFinished(const RenderRequest& request, const std::string& preset, const FinishedOutput& output);

// The SHA-256 of a file's bytes in hex; empty if it cannot be read.
std::string FileSha256(const std::string& path);

}  // namespace sonavix
