// Undo and redo against a model: random commands on random selections,
// undone and redone in random order, must give back every earlier state
// byte for byte, with its format, marks and view; the memory limit and
// failures in the middle of an edit must never cost a state.

#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "../effects/test_sounds.h"
#include "history/edit_commands.h"
#include "history/edit_history.h"
#include "effects/echo.h"
#include "document/sample_code.h"
#include "effects/volume.h"

namespace {

using namespace sonavix;
using sonavix::testing::Bytes;
using sonavix::testing::Sound;

struct State {
  std::vector<std::uint8_t> bytes;
  SoundFormat format;
  std::int32_t selStart = 0;
  std::int32_t selEnd = 0;
  ViewState view;
};

State Take(const AudioDocument& doc, const ViewState& view) {
  return {Bytes(doc), doc.Format(), doc.SelStart, doc.SelEnd, view};
}

void ExpectState(const AudioDocument& doc, const ViewState& view, const State& expected,
                 const std::string& where) {
  SCOPED_TRACE(where);
  EXPECT_TRUE(Bytes(doc) == expected.bytes);
  EXPECT_EQ(doc.Format(), expected.format);
  EXPECT_EQ(doc.SelStart, expected.selStart);
  EXPECT_EQ(doc.SelEnd, expected.selEnd);
  EXPECT_EQ(view, expected.view);
}

AudioDocument RandomSound(std::mt19937& random) {
  const bool stereo = random() % 2;
  const bool sixteen = random() % 2;
  const int rate = 4000 + static_cast<int>(random() % 8000);
  std::vector<std::uint8_t> bytes(random() % 24000);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
  return Sound(stereo, sixteen, rate, bytes);
}

void Select(AudioDocument& doc, std::mt19937& random) {
  const std::int32_t count = doc.SampleCount() + 2;
  switch (random() % 3) {
    case 0: doc.SelStart = doc.SelEnd = 0; break;
    default:
      doc.SelStart = static_cast<std::int32_t>(random() % count);
      doc.SelEnd = static_cast<std::int32_t>(random() % count);
  }
}

ViewState RandomView(std::mt19937& random) {
  return {1.0 + random() % 500, static_cast<int>(random() % 1000)};
}

EditArguments RandomArguments(std::mt19937& random) {
  EditArguments a;
  a.seconds = (random() % 1500) / 1000.0;
  a.format = {static_cast<std::int32_t>(3000 + random() % 20000), random() % 2 == 0, random() % 2 == 0};
  return a;
}

// The model: every state the document went through, the one shown, and the
// one last saved (-1 when it can no longer be reached).
TEST(EditHistoryTest, RandomEditsUndoneAndRedoneGiveBackEveryState) {
  for (unsigned seed = 1; seed <= 60; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    AudioDocument doc = RandomSound(random);
    EditHistory history;
    ViewState view = RandomView(random);
    std::vector<State> states{Take(doc, view)};
    std::size_t at = 0;
    long saved = 0;
    for (int op = 0; op < 40; ++op) {
      const int kind = static_cast<int>(random() % 10);
      Select(doc, random);  // the user moves the marks between edits
      if (kind < 6) {
        const auto command = static_cast<EditCommand>(random() % 13);
        states[at].selStart = doc.SelStart;
        states[at].selEnd = doc.SelEnd;
        states[at].view = view;
        if (!PerformEdit(history, doc, view, command, RandomArguments(random))) continue;
        view = RandomView(random);  // the window shows the result its own way
        states.resize(at + 1);
        if (saved > static_cast<long>(at)) saved = -1;
        states.push_back(Take(doc, view));
        ++at;
      } else if (kind < 8) {
        states[at].selStart = doc.SelStart;
        states[at].selEnd = doc.SelEnd;
        states[at].view = view;
        const std::optional<ViewState> shown = history.Undo(doc, view);
        ASSERT_EQ(shown.has_value(), at > 0);
        if (!shown) continue;
        view = *shown;
        ExpectState(doc, view, states[--at], "undo");
      } else if (kind < 9) {
        states[at].selStart = doc.SelStart;
        states[at].selEnd = doc.SelEnd;
        states[at].view = view;
        const std::optional<ViewState> shown = history.Redo(doc, view);
        ASSERT_EQ(shown.has_value(), at + 1 < states.size());
        if (!shown) continue;
        view = *shown;
        ExpectState(doc, view, states[++at], "redo");
      } else {
        history.MarkSaved();
        saved = static_cast<long>(at);
      }
      EXPECT_EQ(history.Modified(), static_cast<long>(at) != saved);
    }
    // Everything back, then everything again.
    const std::size_t last = states.size() - 1;
    for (;;) {
      const State now = Take(doc, view);
      const std::optional<ViewState> shown = history.Undo(doc, view);
      if (!shown) break;
      states[at--] = now;
      view = *shown;
    }
    ASSERT_EQ(at, 0u);
    ExpectState(doc, view, states[0], "all undone");
    for (;;) {
      const State now = Take(doc, view);
      const std::optional<ViewState> shown = history.Redo(doc, view);
      if (!shown) break;
      states[at++] = now;
      view = *shown;
    }
    ASSERT_EQ(at, last);
    ExpectState(doc, view, states[last], "all redone");
  }
}

// A fade longer than the sound: its bytes are kept as they were.
const EditArguments kWholeFade{100.0, {}};

AudioDocument Loud(std::int32_t bytes) {
  std::vector<std::uint8_t> data(static_cast<std::size_t>(bytes));
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7);
  return Sound(true, true, 8000, data);
}

// The commands undone by working them backwards, on every value there is
// and on full-scale noise, with an echo over several blocks and pieces.
TEST(EditHistoryTest, CommandsWorkedBackwardsGiveBackEveryValue) {
  const SampleCode before = ActiveSampleCode();
  for (const SampleCode code : {SampleCode::Plain, SampleCode::Avx2, SampleCode::Avx512}) {
    if (UseSampleCode(code) != code) continue;
    for (const bool sixteen : {true, false}) {
    SCOPED_TRACE(SampleCodeName(code));
    std::mt19937 random(7);
    std::vector<std::uint8_t> bytes(180'000);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    // Every value once (every 16-bit value, or every byte many times over),
    // then noise.
    for (std::size_t i = 0; i < 131'072; ++i)
      bytes[i] = static_cast<std::uint8_t>(sixteen ? (i / 2) >> (8 * (i % 2)) : i);
    for (const auto& [command, seconds] : {std::pair{EditCommand::Louder, 0.0}, {EditCommand::Quieter, 0.0},
                                           {EditCommand::MaximumVolume, 0.0}, {EditCommand::Echo, 0.2},
                                           {EditCommand::Echo, 0.01}}) {
      SCOPED_TRACE(std::string(EditName(command)) + (sixteen ? " 16" : " 8"));
      AudioDocument doc = Sound(true, sixteen, 44100, bytes);
      doc.SelStart = 1001;
      doc.SelEnd = 170'000 / (sixteen ? 2 : 1) - 3;
      AudioDocument plain = Sound(true, sixteen, 44100, bytes);
      plain.SelStart = doc.SelStart;
      plain.SelEnd = doc.SelEnd;
      EditHistory history;
      ASSERT_TRUE(PerformEdit(history, doc, {}, command, {seconds, {}}));
      switch (command) {
        case EditCommand::Louder: MakeLouder(plain); break;
        case EditCommand::Quieter: MakeQuieter(plain); break;
        case EditCommand::MaximumVolume: MaximumVolume(plain); break;
        default: AddEcho(plain, seconds); break;
      }
      EXPECT_TRUE(Bytes(doc) == Bytes(plain));
      history.Undo(doc, {});
      EXPECT_TRUE(Bytes(doc) == bytes);
      history.Redo(doc, {});
      EXPECT_TRUE(Bytes(doc) == Bytes(plain));
    }
    }
  }
  UseSampleCode(before);
}

TEST(EditHistoryTest, TheLimitDropsTheOldestStepsAndKeepsTheNewestWorking) {
  AudioDocument doc = Loud(40000);
  EditHistory history;
  history.SetMemoryLimit(100000);  // two whole-sound steps, not three
  std::vector<std::vector<std::uint8_t>> states{Bytes(doc)};
  for (int i = 0; i < 4; ++i) {
    PerformEdit(history, doc, {}, EditCommand::Reverse);
    PerformEdit(history, doc, {}, EditCommand::FadeIn, kWholeFade);
    states.push_back(Bytes(doc));
  }
  EXPECT_LE(history.MemoryUsed(), 100000);
  EXPECT_EQ(history.StepCount(), 4u);  // two reversals (free) and two fades
  // The kept steps still undo; the oldest state kept is the one before them.
  while (history.Undo(doc, {})) {
  }
  EXPECT_TRUE(Bytes(doc) == states[2]);
  EXPECT_FALSE(history.UndoBlocked());
  EXPECT_TRUE(history.Modified());
  while (history.Redo(doc, {})) {
  }
  EXPECT_TRUE(Bytes(doc) == states.back());
}

TEST(EditHistoryTest, AnEditThatCannotBeKeptIsDoneAndBlocksWhatCameBefore) {
  AudioDocument doc = Loud(40000);
  EditHistory history;
  history.SetMemoryLimit(30000);
  PerformEdit(history, doc, {}, EditCommand::Reverse);
  doc.SelStart = 0;
  doc.SelEnd = 100;
  PerformEdit(history, doc, {}, EditCommand::FadeIn, kWholeFade);  // 200 bytes: kept
  const std::vector<std::uint8_t> before = Bytes(doc);
  doc.SelStart = doc.SelEnd = 0;
  PerformEdit(history, doc, {}, EditCommand::FadeIn, kWholeFade);  // the whole 40 000 bytes: not
  EXPECT_FALSE(Bytes(doc) == before);  // done all the same
  EXPECT_FALSE(history.CanUndo());
  EXPECT_TRUE(history.UndoBlocked());
  EXPECT_STREQ(history.UndoName(), "Weich einblenden");
  // A crop whose old block passes the limit is treated alike.
  PerformEdit(history, doc, {}, EditCommand::Reverse);
  EXPECT_STREQ(history.UndoName(), "Rückwärts");
  doc.SelStart = 2;
  doc.SelEnd = 8;
  EXPECT_TRUE(PerformEdit(history, doc, {}, EditCommand::Crop));
  EXPECT_EQ(doc.DataSize, 12);
  EXPECT_TRUE(history.UndoBlocked());
  EXPECT_STREQ(history.UndoName(), "Zur Auswahl zurechtschneiden");
}

TEST(EditHistoryTest, FailuresInTheMiddleOfAnEditNeverCostAState) {
  AudioDocument doc = Loud(4000);
  EditHistory history;
  PerformEdit(history, doc, {}, EditCommand::Louder);
  const std::vector<std::uint8_t> after = Bytes(doc);

  // The command fails: nothing changes, the earlier step still undoes.
  const auto failing = [](AudioDocument&, SampleBlock*) -> bool { throw std::bad_alloc(); };
  EXPECT_THROW(history.PerformReplacing(doc, {}, "Echo", failing), std::bad_alloc);
  EXPECT_THROW(history.Perform(
                   doc, {}, "Echo",
                   [](const AudioDocument& d, std::int64_t limit) { return KeepBytes(d, {0, 8}, limit); },
                   [] { throw std::bad_alloc(); }),
               std::bad_alloc);
  EXPECT_TRUE(Bytes(doc) == after);
  EXPECT_STREQ(history.UndoName(), "Lauter 10%");
  EXPECT_FALSE(history.CanRedo());

  // No memory for the undo record: the edit is still done, without undo.
  bool ran = false;
  history.Perform(
      doc, {}, "Echo", [](const AudioDocument&, std::int64_t) -> std::unique_ptr<UndoRecord> { throw std::bad_alloc(); },
      [&] { ran = true; });
  EXPECT_TRUE(ran);
  EXPECT_TRUE(history.UndoBlocked());
  EXPECT_STREQ(history.UndoName(), "Echo");
  EXPECT_TRUE(history.Modified());

  // A new document starts afresh.
  history.Clear();
  EXPECT_FALSE(history.UndoBlocked());
  EXPECT_EQ(history.UndoName(), nullptr);
  EXPECT_FALSE(history.Modified());
}

}  // namespace
