// Reading the command line: what a render is asked to do, and every way of
// asking wrongly, which must end as a usage error that names the problem.

#include <gtest/gtest.h>

#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>

#include "cli/job_count.h"
#include "cli/render_batch.h"
#include "cli/render_options.h"

namespace sonavix {
namespace {

CommandLineRequest Read(QStringList arguments) {
  arguments.prepend(QStringLiteral("sonavix"));
  return ReadCommandLine(arguments, 3);
}

QString UsageMessage(const QStringList& arguments) {
  const CommandLineRequest request = Read(arguments);
  const auto* error = std::get_if<UsageError>(&request);
  return error ? error->message : QString();
}

TEST(RenderOptions, ARenderTakesEveryOptionAndDefaultsToDvdOnAllCores) {
  const CommandLineRequest plain = Read({"--render", "a.wav"});
  ASSERT_TRUE(std::holds_alternative<RenderOptions>(plain));
  const auto& defaults = std::get<RenderOptions>(plain);
  EXPECT_STREQ(defaults.preset->name, "dvd");
  EXPECT_EQ(defaults.jobs, 3);
  EXPECT_EQ(defaults.quality, 1.0);
  EXPECT_FALSE(defaults.font || defaults.from || defaults.to || defaults.quiet);

  const CommandLineRequest full =
      Read({"--render", "-p", "vcd", "-t", "Hallo", "-f", "DejaVu Sans,24,bold", "-q", "0,5",
            "--from", "1:30", "--to", "100.5", "-j", "2", "--quiet", "-o", "x.mpg", "a.wav"});
  ASSERT_TRUE(std::holds_alternative<RenderOptions>(full));
  const auto& options = std::get<RenderOptions>(full);
  EXPECT_STREQ(options.preset->name, "vcd");
  EXPECT_EQ(options.text, QStringLiteral("Hallo"));
  ASSERT_TRUE(options.font);
  EXPECT_EQ(options.font->family(), QStringLiteral("DejaVu Sans"));
  EXPECT_TRUE(options.font->bold());
  EXPECT_DOUBLE_EQ(options.quality, 0.5);
  EXPECT_DOUBLE_EQ(*options.from, 90.0);
  EXPECT_DOUBLE_EQ(*options.to, 100.5);
  EXPECT_EQ(options.jobs, 2);
  EXPECT_TRUE(options.quiet);
  EXPECT_EQ(options.output, QStringLiteral("x.mpg"));
}

TEST(RenderOptions, EveryWrongRequestIsAUsageErrorThatNamesTheProblem) {
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("exists.mpg"));
  QFile(file).open(QIODevice::WriteOnly);
  const struct {
    QStringList arguments;
    const char* says;
  } cases[] = {
      {{"--render"}, "Keine Eingabedatei"},
      {{"--render", "-p", "bluray", "a.wav"}, "bluray"},
      {{"--render", "-o", file, "a.wav", "b.wav"}, "Ordner"},
      {{"--render", "-o", dir.filePath("new"), "a.wav", "b.wav"}, "Ordner"},
      {{"--render", "-q", "1.5", "a.wav"}, "1.5"},
      {{"--render", "-q", "gut", "a.wav"}, "gut"},
      {{"--render", "--from", "10", "--to", "5", "a.wav"}, "--to"},
      {{"--render", "--from", "10", "--to", "10", "a.wav"}, "--to"},
      {{"--render", "--from", "-1", "a.wav"}, "-1"},
      {{"--render", "--to", "1:75", "a.wav"}, "1:75"},
      {{"--render", "-j", "0", "a.wav"}, "-j"},
      {{"--render", "-f", "Arial", "a.wav"}, "Arial"},
      {{"--render", "--text-position", "links", "a.wav"}, "links"},
      {{"--render", "--text-color", "blassrot", "a.wav"}, "blassrot"},
      {{"--render", "-p", "mp4-720p", "--disc-image", "x.iso", "a.wav"}, "kein Disc-Format"},
      {{"--render", "--gibtsnicht", "a.wav"}, "gibtsnicht"},
      {{"-p", "vcd", "a.wav"}, "nur mit --render"},
      {{"a.wav", "b.wav"}, "nur eine Datei"},
  };
  for (const auto& c : cases) {
    const QString message = UsageMessage(c.arguments);
    EXPECT_TRUE(message.contains(QString::fromUtf8(c.says)))
        << c.arguments.join(' ').toStdString() << " -> " << message.toStdString();
  }
}

TEST(RenderOptions, TheWindowHelpAndTheListAreRequestsOfTheirOwn) {
  EXPECT_TRUE(std::holds_alternative<OpenWindow>(Read({})));
  const CommandLineRequest open = Read({"lied.mp3"});
  ASSERT_TRUE(std::holds_alternative<OpenWindow>(open));
  EXPECT_EQ(std::get<OpenWindow>(open).file, QStringLiteral("lied.mp3"));
  EXPECT_TRUE(std::holds_alternative<ListPresets>(Read({"--list-presets"})));
  EXPECT_TRUE(std::holds_alternative<ShowHelp>(Read({"--render", "--help"})));
}

TEST(RenderOptions, SecondsAndFontsAreReadAsPeopleWriteThem) {
  EXPECT_EQ(ParseSeconds("90"), 90.0);
  EXPECT_EQ(ParseSeconds("1:30,5"), 90.5);
  EXPECT_EQ(ParseSeconds("1:02:03"), 3723.0);
  for (const char* bad : {"", "a", "1:60", "1.5:00", "1:2:3:4", "-3"}) EXPECT_FALSE(ParseSeconds(bad)) << bad;

  QString error;
  const std::optional<QFont> both = ParseFontSpec("Noto Serif,12.5,italic,bold", error);
  ASSERT_TRUE(both);
  EXPECT_EQ(both->family(), QStringLiteral("Noto Serif"));
  EXPECT_DOUBLE_EQ(both->pointSizeF(), 12.5);
  EXPECT_TRUE(both->bold() && both->italic());
  // A family may hold commas of its own; only the last fields are size and style.
  const std::optional<QFont> commas = ParseFontSpec("Eins, Zwei,10,fett", error);
  ASSERT_TRUE(commas);
  EXPECT_EQ(commas->family(), QStringLiteral("Eins, Zwei"));
  EXPECT_TRUE(commas->bold());
  for (const char* bad : {"Arial", ",12", "Arial,0", "Arial,bold", "Arial,12,schief"})
    EXPECT_FALSE(ParseFontSpec(bad, error)) << bad;
}

TEST(RenderOptions, OutputsGoBesideTheInputsIntoAFolderOrToTheNamedFile) {
  QTemporaryDir dir;
  RenderOptions options;
  options.preset = FindPreset("vcd");
  options.inputs = {"lied.mp3", "/musik/album/01.live.wav", "ohne"};
  auto planned = PlanOutputs(options);
  ASSERT_TRUE(std::holds_alternative<std::vector<BatchFile>>(planned));
  auto files = std::get<std::vector<BatchFile>>(planned);
  EXPECT_EQ(files[0].output, QStringLiteral("lied.mpg"));
  EXPECT_EQ(files[1].output, QStringLiteral("/musik/album/01.live.mpg"));
  EXPECT_EQ(files[2].output, QStringLiteral("ohne.mpg"));

  options.output = dir.path();
  files = std::get<std::vector<BatchFile>>(PlanOutputs(options));
  EXPECT_EQ(files[1].output, QDir(dir.path()).filePath("01.live.mpg"));

  options.inputs = {"a.wav"};
  options.output = "video.mpeg";
  files = std::get<std::vector<BatchFile>>(PlanOutputs(options));
  EXPECT_EQ(files[0].output, QStringLiteral("video.mpeg"));

  // a.wav and a.mp3 would both become a.mpg: the second would overwrite the first.
  options.inputs = {"a.wav", "./a.mp3"};
  options.output.clear();
  planned = PlanOutputs(options);
  ASSERT_TRUE(std::holds_alternative<UsageError>(planned));
  EXPECT_TRUE(std::get<UsageError>(planned).message.contains("a.mpg"));
}

TEST(JobCount, TheDefaultTakesNoMoreFilesThanTheMemoryCarries) {
  constexpr std::int64_t kMegabyte = 1 << 20;
  EXPECT_EQ(DefaultJobs(8, 2100 * kMegabyte, DiscPreset::Mp4Hd1080), 6);
  EXPECT_EQ(DefaultJobs(8, 100 * kMegabyte, DiscPreset::Mp4Hd1080), 1);
  EXPECT_EQ(DefaultJobs(8, 2100 * kMegabyte, DiscPreset::Dvd), 8);
  EXPECT_EQ(DefaultJobs(8, -1, DiscPreset::Mp4Hd720), 8);  // memory unknown: the cores
  EXPECT_GT(AvailableMemoryBytes(), 0);
}

}  // namespace
}  // namespace sonavix

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);  // fonts need it
  return RUN_ALL_TESTS();
}
