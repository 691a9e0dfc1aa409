// What a render tells on standard error, as a terminal and as a log see it.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "cli/progress_board.h"

namespace sonavix {
namespace {

struct Capture {
  std::FILE* file = std::tmpfile();
  ~Capture() { std::fclose(file); }
  std::string Text() const {
    std::string text;
    std::rewind(file);
    for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
    return text;
  }
};

TEST(ProgressBoard, ALogGetsAPlainLineEveryTenthAndTheOutcome) {
  Capture out;
  double now = 0;
  ProgressBoard board(out.file, false, false, [&now] { return now; });
  const int line = board.Start("a.wav");
  for (int i = 0; i <= 100; ++i) {
    now = i * 0.1;
    board.Update(line, false, i / 100.0);
  }
  board.Update(line, false, 0.5);  // never backwards
  board.Finish(line, "a.wav: fertig", false);
  const std::string text = out.Text();
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 12) << text;
  EXPECT_NE(text.find("a.wav: 50 % – noch 0:05\n"), std::string::npos) << text;
  EXPECT_NE(text.find("a.wav: fertig\n"), std::string::npos);
  EXPECT_EQ(text.find('\x1b'), std::string::npos);
}

TEST(ProgressBoard, ATerminalKeepsTheFilesAtWorkAtTheBottomAndQuietTellsOnlyFailures) {
  Capture out;
  double now = 0;
  ProgressBoard board(out.file, true, false, [&now] { return now; });
  const int a = board.Start("a.wav");
  const int b = board.Start("b.wav");
  now = 1;
  board.Update(b, false, 0.4);
  board.Finish(a, "a.wav: kaputt", true);
  const std::string text = out.Text();
  // Back up over the two lines at work, the finished line above, b below.
  const std::size_t up = text.rfind("\x1b[2A");
  ASSERT_NE(up, std::string::npos) << text;
  EXPECT_LT(text.find("a.wav: kaputt", up), text.find("b.wav: 40 %", up));

  Capture quietOut;
  ProgressBoard quiet(quietOut.file, true, true);
  const int c = quiet.Start("c.wav");
  quiet.Update(c, false, 0.5);
  quiet.Finish(c, "c.wav: fertig", false);
  quiet.Say("d.wav: kaputt", true);
  EXPECT_EQ(quietOut.Text(), "d.wav: kaputt\n");
}

}  // namespace
}  // namespace sonavix
