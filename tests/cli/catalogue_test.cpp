// A catalogue's pieces: every list entry in exactly one shard, the shard
// found where each scheduler puts it, lists as find and editors write them,
// report lines that stay one JSON line whatever the names, and the note that
// makes an output count as finished only while it still holds.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <QFile>
#include <QTemporaryDir>
#include <map>

#include "cli/batch_report.h"
#include "cli/finished_record.h"
#include "cli/input_list.h"
#include "document/local_names.h"

namespace sonavix {
namespace {

TEST(Catalogue, EveryEntryLandsInExactlyOneShardAndTheShardIsWhereTheSchedulerPutsIt) {
  for (const int count : {1, 2, 7, 64}) {
    std::vector<int> taken(1000, 0);
    for (int index = 0; index < count; ++index)
      for (const std::size_t i : ShardPositions(taken.size(), {index, count})) ++taken[i];
    EXPECT_EQ(std::count(taken.begin(), taken.end(), 1), 1000) << "N = " << count;
  }
  const struct {
    QString text;
    std::map<std::string, QString> variables;
    int index;  // -1: refused
  } cases[] = {
      {"3/4", {}, 3},         {"4/4", {}, -1},  {"1/0", {}, -1}, {"-1/4", {}, -1}, {"auto/4", {}, -1},
      {"auto/4", {{"JOB_COMPLETION_INDEX", "3"}, {"SLURM_ARRAY_TASK_ID", "1"}}, 3},
      {"auto/4", {{"SLURM_ARRAY_TASK_ID", "2"}, {"PARALLEL_SEQ", "4"}}, 2},
      {"auto/4", {{"PARALLEL_SEQ", "1"}}, 0},  {"auto/4", {{"PARALLEL_SEQ", "5"}}, -1},  // parallel counts from 1
  };
  for (const auto& c : cases) {
    const auto shard = ParseShard(c.text, [&c](const char* name) {
      const auto found = c.variables.find(name);
      return found == c.variables.end() ? QString() : found->second;
    });
    const auto* read = std::get_if<Shard>(&shard);
    EXPECT_EQ(read ? read->index : -1, c.index) << c.text.toStdString();
  }
}

TEST(Catalogue, ListsAndReportsKeepEveryName) {
  EXPECT_EQ(ParseInputList("a.wav\r\n\n/abs/b.flac\nsub/c d.mp3", false, "/music"),
            QStringList({"/music/a.wav", "/abs/b.flac", "/music/sub/c d.mp3"}));
  EXPECT_EQ(ParseInputList(QByteArray("line\nbreak.wav\0\0\xff.wav\0", 22), true, QString()),
            QStringList({"line\nbreak.wav", NameFromBytes("\xff.wav")}));
  EXPECT_TRUE(std::holds_alternative<QString>(ReadInputList(QStringLiteral("/nowhere/list.txt"), false)));

  ReportLine line;
  line.input = NameFromBytes("a \"b\"\\c\nd\xff.wav");
  line.output = QStringLiteral("ö.mpg");
  line.status = "failed";
  line.reason = QStringLiteral("Die Datei gibt es nicht");
  line.preset = "vcd";
  EXPECT_EQ(ReportJson(line),
            "{\"input\":\"a \\\"b\\\"\\\\c\\u000ad\xef\xbf\xbd.wav\",\"output\":\"\xc3\xb6.mpg\","
            "\"status\":\"failed\",\"reason\":\"Die Datei gibt es nicht\",\"seconds\":0.000,"
            "\"playing_time\":0.000,\"bytes\":0,\"preset\":\"vcd\",\"sha256\":null}");
}

TEST(Catalogue, AnOutputCountsAsFinishedOnlyWhileEverythingItWasMadeFromHolds) {
  QTemporaryDir folder;
  RenderRequest request;
  request.input = LocalPath(folder.filePath("song.wav"));
  request.output = LocalPath(folder.filePath("song.mpg"));
  const auto write = [](const std::string& path, const QByteArray& bytes) {
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
  };
  write(request.input, "sound");
  write(request.output, "video");
  const FinishedOutput made{3.5, 5, FileSha256(request.output)};
  EXPECT_EQ(made.sha256, "0cab1c9617404faf2b24e221e189ca5945813e14d3f766345b09ca13bbe28ffc");
  EXPECT_FALSE(FindFinished(request, "vcd"));  // no note yet
  ASSERT_TRUE(NoteFinished(request, "vcd", made));
  const auto found = FindFinished(request, "vcd");
  ASSERT_TRUE(found);
  EXPECT_EQ(std::tie(found->sha256, found->bytes, found->seconds), std::tie(made.sha256, made.bytes, made.seconds));

  RenderRequest quieter = request;
  quieter.quality = 0.5;
  EXPECT_FALSE(FindFinished(request, "dvd") || FindFinished(quieter, "vcd"));
  const timespec later[2] = {{0, UTIME_OMIT}, {12345, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, request.input.c_str(), later, 0), 0);  // the input changed
  EXPECT_FALSE(FindFinished(request, "vcd"));
  ASSERT_TRUE(NoteFinished(request, "vcd", made));
  write(request.output, "vide");  // the output was replaced since
  EXPECT_FALSE(FindFinished(request, "vcd"));
}

}  // namespace
}  // namespace sonavix
