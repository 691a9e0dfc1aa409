// Files the window is handed that are no sound files or no place to save
// to, where its file dialogs start, and what the status bar says about an
// export while it runs and when it ends.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QListView>
#include <QMimeData>
#include <QRadioButton>
#include <QTimer>
#include <QUrl>
#include <fstream>

#include "app/byte_name_dialog.h"
#include "app/messages.h"
#include "app/progress_panel.h"
#include "document/local_names.h"
#include "video/recording_media_writer.h"
#include "window_test_support.h"

namespace sonavix::testing {
namespace {

// Sets an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const QByteArray& value) : name_(name), old_(qgetenv(name)), had_(qEnvironmentVariableIsSet(name)) {
    qputenv(name, value);
  }
  ~ScopedEnv() {
    if (had_) qputenv(name_, old_);
    else qunsetenv(name_);
  }

 private:
  const char* name_;
  QByteArray old_;
  bool had_;
};

class WindowFiles : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    form->Export().SetMediaWriterFactory([this] {
      auto writer = std::make_unique<RecordingMediaWriter>();
      media = writer.get();
      ++writers;
      return writer;
    });
  }

  QString Fifo(const char* name) {
    const QString path = Path(name);
    EXPECT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    return path;
  }

  RecordingMediaWriter* media = nullptr;
  int writers = 0;
};

TEST_F(WindowFiles, AFifoOpenedAsASoundIsRefusedWithoutWaiting) {
  OpenThroughCommand(WriteRamp("a.wav", 1000));
  const QString tmp = Path("tmp");
  ASSERT_TRUE(QDir().mkpath(tmp));
  const ScopedEnv tmpdir("TMPDIR", QFile::encodeName(tmp));
  for (const char* name : {"pipe.wav", "pipe.mp3"}) {
    OpenThroughCommand(Fifo(name));
    EXPECT_EQ(prompts.errors.last(), kCannotOpen) << name;
  }
  EXPECT_EQ(prompts.errors.size(), 2);
  EXPECT_EQ(form->Document().SampleCount(), 1000);
  EXPECT_TRUE(QDir(tmp).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
}

TEST_F(WindowFiles, SavingOrExportingOntoAFifoOrAFolderFailsAtOnceAndLeavesItBe) {
  OpenThroughCommand(WriteRamp("a.wav", 22050));
  const QString fifo = Fifo("pipe.wav");
  prompts.fileNames.push_back(fifo);
  Trigger(A().saveWav);
  EXPECT_EQ(prompts.errors, QStringList{kCannotSave});

  const QString folder = Path("video.mpg");
  ASSERT_TRUE(QDir().mkpath(folder));
  for (const QString& target : {Fifo("pipe.mpg"), folder, Path("missing/video.mpg")}) {
    prompts.fileNames.push_back(target);
    Trigger(A().exportVideo);
    EXPECT_EQ(prompts.errors.last(), kCannotExport) << target.toStdString();
  }
  EXPECT_EQ(prompts.errors.size(), 4);
  EXPECT_EQ(writers, 0) << "nothing was set up, let alone run";
  EXPECT_TRUE(sound->Played().empty());
  struct stat st {};
  ASSERT_EQ(::stat(QFile::encodeName(fifo).constData(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  EXPECT_TRUE(QFileInfo(folder).isDir());
  EXPECT_EQ(QDir(dir.path()).entryList(QStringList{".sonavix-*"}, QDir::Files | QDir::Hidden).size(), 0);
}

TEST_F(WindowFiles, DialogsStartInTheMusicFolderThenWhereTheLastFileWent) {
  const QString home = Path("home");
  ASSERT_TRUE(QDir().mkpath(home));
  const ScopedEnv homeEnv("HOME", QFile::encodeName(home));
  const ScopedEnv config("XDG_CONFIG_HOME", QFile::encodeName(home + "/.config"));
  prompts.fileNames.push_back(std::nullopt);
  Trigger(A().open);
  EXPECT_EQ(prompts.fileDialogs.back().folder, home) << "no music folder: the home folder";

  ASSERT_TRUE(QDir().mkpath(home + "/Music"));
  prompts.fileNames.push_back(std::nullopt);
  Trigger(A().saveWav);
  EXPECT_EQ(prompts.fileDialogs.back().folder, home + "/Music");

  ASSERT_TRUE(QDir().mkpath(Path("songs")));
  const QString song = WriteRamp("songs/a.wav", 1000);
  OpenThroughCommand(song);
  prompts.fileNames.push_back(std::nullopt);
  Trigger(A().exportVideo);
  EXPECT_EQ(prompts.fileDialogs.back().folder, Path("songs"));

  ASSERT_TRUE(QDir().mkpath(Path("out")));
  prompts.fileNames.push_back(Path("out/b.wav"));
  Trigger(A().saveWav);
  ASSERT_TRUE(prompts.errors.isEmpty());
  prompts.fileNames.push_back(std::nullopt);
  Trigger(A().open);
  EXPECT_EQ(prompts.fileDialogs.back().folder, Path("out"));
}

TEST_F(WindowFiles, TheExportIsOffWhilePlayingAndOnAgainAfter) {
  OpenThroughCommand(WriteRamp("a.wav", 22050));
  bool offDuringRun = false;
  QTimer during;
  QObject::connect(&during, &QTimer::timeout, [&] {
    if (!form->Busy()) return;
    offDuringRun = !A().exportVideo->isEnabled() && !A().discImage->isEnabled();
    Trigger(A().stop);
  });
  during.start(0);
  Trigger(A().play);
  EXPECT_TRUE(offDuringRun);
  EXPECT_TRUE(A().exportVideo->isEnabled());
  EXPECT_TRUE(A().discImage->isEnabled());
}

TEST_F(WindowFiles, TheStatusBarFollowsTheExportAndSaysHowItEnded) {
  OpenThroughCommand(WriteRamp("a.wav", 4 * 22050));  // four seconds
  QStringList seen;
  QTimer peek;
  QObject::connect(&peek, &QTimer::timeout, [&] {
    if (form->Busy() && (seen.isEmpty() || seen.last() != form->Status().Text())) seen << form->Status().Text();
  });
  peek.start(0);
  prompts.fileNames.push_back(Path("whole.mpg"));
  Trigger(A().exportVideo);
  ASSERT_TRUE(prompts.errors.isEmpty());
  ASSERT_FALSE(seen.isEmpty());
  EXPECT_TRUE(seen.first().startsWith(QStringLiteral("MPEG: 0 %"))) << seen.first().toStdString();
  EXPECT_EQ(form->Status().Text(), QStringLiteral("Gespeichert: whole.mpg, 0:04, 0 Bytes"));
  EXPECT_EQ(form->Status().Progress()->ProgressPercent(), 0);

  // STOP part of the way: the file is kept, and said to be cut short.
  QTimer stop;
  int blocks = 0;
  QObject::connect(&stop, &QTimer::timeout, [&] {
    if (form->Busy() && ++blocks == 5) Trigger(A().stop);
  });
  stop.start(0);
  prompts.fileNames.push_back(Path("part.mpg"));
  Trigger(A().exportVideo);
  EXPECT_TRUE(prompts.errors.isEmpty());
  EXPECT_TRUE(form->Status().Text().startsWith(QStringLiteral("Abgebrochen, gekürzt gespeichert: part.mpg, 0:0")))
      << form->Status().Text().toStdString();

  // A name too long for the panel is shortened in the middle, whole in the
  // tooltip.
  const QString longName = QString(120, QChar('a')) + QStringLiteral(".mpg");
  prompts.fileNames.push_back(Path(longName.toUtf8().constData()));
  Trigger(A().exportVideo);
  auto* label = Find<QLabel>("statusText");
  EXPECT_TRUE(form->Status().Text().contains(longName));
  EXPECT_TRUE(label->text().contains(QChar(0x2026))) << label->text().toStdString();
  EXPECT_TRUE(label->text().endsWith(QStringLiteral("0 Bytes")));
  EXPECT_EQ(label->toolTip(), form->Status().Text());
}

// `sonavix FILE`: the file is opened as if chosen in the dialog.
TEST_F(WindowFiles, AFileDroppedOnTheWindowOpensWhateverBytesItsNameHas) {
  const std::string raw = QFile::encodeName(dir.path()).toStdString() + "/M\xe4" "dchen.wav";
  ASSERT_TRUE(QFile::copy(WriteRamp("a.wav", 1000), Path("b.wav")));
  ASSERT_EQ(::rename(QFile::encodeName(Path("b.wav")).constData(), raw.c_str()), 0);
  QMimeData data;
  data.setUrls({QUrl::fromEncoded("file://" + QByteArray::fromStdString(raw).toPercentEncoding("/"))});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(form.get(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(form.get(), &drop);
  WaitWhileBusy();
  ::unlink(raw.c_str());
  EXPECT_TRUE(prompts.errors.isEmpty()) << prompts.errors.join(' ').toStdString();
  EXPECT_EQ(form->Document().DataSize, 2000);
  EXPECT_EQ(form->Session().name, QStringLiteral("M\uFFFDdchen.wav"));
}

TEST_F(WindowFiles, AFileNamedAtStartIsShownWholeOrSaysItCannotBeRead) {
  const QString song = WriteRamp("start.wav", 50'000);
  form->OpenAtStart(song);
  WaitWhileBusy();
  EXPECT_TRUE(prompts.errors.isEmpty());
  EXPECT_EQ(form->Document().SampleCount(), 50'000);
  EXPECT_EQ(form->View().Zoom(), 50'000 / (&form->View())->width());
  EXPECT_TRUE(prompts.fileDialogs.empty()) << "no dialog was needed";

  ScriptedPrompts otherPrompts;
  MainWindow other(otherPrompts, std::make_unique<VirtualSoundDevice>());
  other.show();
  other.OpenAtStart(Path("missing.wav"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !other.Busy(); }));
  EXPECT_EQ(otherPrompts.errors, QStringList{kCannotOpen});
  EXPECT_EQ(other.Document().SampleData, nullptr);
}

}  // namespace
}  // namespace sonavix::testing

namespace sonavix::testing {
namespace {

// Qt's dialog leaves out a name that is no UTF-8; this one lists the file
// and hands it back with its own bytes.
TEST(ByteNameFileDialogTest, ListsAndHandsBackAFileWhoseNameIsNoUtf8) {
  QTemporaryDir dir;
  const std::string raw = QFile::encodeName(dir.path()).toStdString() + "/M\xe4" "dchen.wav";
  std::ofstream(raw) << "RIFF";
  std::ofstream(QFile::encodeName(dir.filePath("plain.wav")).toStdString()) << "RIFF";
  std::ofstream(QFile::encodeName(dir.path()).toStdString() + "/Bild\xe4.png") << "PNG";  // not asked for
  ByteNameFileDialog dialog(nullptr, dir.path(), {QStringLiteral("*.WAV")});
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.show();
  auto* view = dialog.findChild<QListView*>(QStringLiteral("listView"));
  ASSERT_NE(view, nullptr);
  ASSERT_TRUE(QTest::qWaitFor([&] { return view->model()->rowCount(view->rootIndex()) == 2; }));
  QModelIndex extra;
  for (int row = 0; row < 2; ++row)
    if (view->model()->index(row, 0, view->rootIndex()).data().toString() == QStringLiteral("M\uFFFDdchen.wav"))
      extra = view->model()->index(row, 0, view->rootIndex());
  ASSERT_TRUE(extra.isValid());
  view->selectionModel()->select(extra, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  dialog.accept();
  ::unlink(raw.c_str());
  ::unlink((QFile::encodeName(dir.path()).toStdString() + "/Bild\xe4.png").c_str());
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(LocalPath(dialog.Chosen()), raw);
}

}  // namespace
}  // namespace sonavix::testing
