// Temporary files and what stands in the way of a file: the temporary
// folder when TMPDIR is missing, numbering, the clean-up of leftovers of a
// killed run, and the refusal of FIFOs, devices and folders as sounds and
// as save targets.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "document/byte_io.h"
#include "document/safe_file.h"
#include "document/scratch_files.h"
#include "document/sound_files.h"
#include "document/temp_files.h"
#include "document/wave_file.h"
#include "wav_bytes.h"

namespace {

using namespace wavtest;
namespace fs = std::filesystem;

TEST(TempFiles, TakeTheSmallestFreeNumberAndGoWithTheirLocks) {
  TempDir dir;
  ScopedTmpDir tmp(dir.path());
  {
    const sonavix::TempFile first("tempwav", ".wav");
    ASSERT_TRUE(first.ok());
    EXPECT_EQ(first.path(), dir / "tempwav0.wav");
    EXPECT_EQ(fs::file_size(first.path()), 0u);
    WriteFile(dir / "tempwav1.wav", Pattern(4));  // somebody else's
    const sonavix::TempFile second("tempwav", ".wav");
    EXPECT_EQ(second.path(), dir / "tempwav2.wav");
    EXPECT_TRUE(fs::exists(dir / "tempwav2.wav.sonavix"));
  }
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"tempwav1.wav"});
  EXPECT_EQ(ReadFile(dir / "tempwav1.wav"), Pattern(4)) << "an existing file is left alone";
}

TEST(TempFiles, AMissingTmpdirFallsBackToTheSystemFolder) {
  TempDir dir;
  {
    ScopedTmpDir tmp(dir / "does-not-exist");
    EXPECT_EQ(sonavix::TempFolder(), "/tmp");
    const sonavix::TempFile file("sonavix-test-fallback", ".wav");
    ASSERT_TRUE(file.ok());
    EXPECT_EQ(fs::path(file.path()).parent_path(), "/tmp");
  }
  ScopedTmpDir tmp(dir.path() + "/");
  EXPECT_EQ(sonavix::TempFolder(), dir.path());
  ScopedTmpDir plainFile(dir / "tempwav-not-a-folder");
  WriteFile(dir / "tempwav-not-a-folder", Pattern(2));
  EXPECT_EQ(sonavix::TempFolder(), "/tmp");
}

TEST(TempFiles, LeftoversOfADeadRunGoFilesInUseAndOthersFilesStay) {
  TempDir dir;
  ScopedTmpDir tmp(dir.path());
  // A run that was killed: its file and an unheld lock.
  WriteFile(dir / "tempwav0.wav", Pattern(100));
  WriteFile(dir / "tempwav0.wav.sonavix", {});
  // A file of another program of the same name, with no lock beside it.
  WriteFile(dir / "tempwav1.wav", Pattern(8));
  // A file in use by a running copy (this process holds its lock).
  const sonavix::TempFile inUse("tempwav", ".wav");
  ASSERT_EQ(inUse.path(), dir / "tempwav2.wav");
  // Names that only look alike.
  WriteFile(dir / "tempwavX.wav.sonavix", {});
  WriteFile(dir / "other3.wav.sonavix", {});

  EXPECT_EQ(sonavix::RemoveStaleTempFiles("tempwav", ".wav"), 1);
  EXPECT_FALSE(fs::exists(dir / "tempwav0.wav"));
  EXPECT_FALSE(fs::exists(dir / "tempwav0.wav.sonavix"));
  EXPECT_TRUE(fs::exists(dir / "tempwav1.wav"));
  EXPECT_TRUE(fs::exists(inUse.path()));
  EXPECT_TRUE(fs::exists(inUse.path() + ".sonavix"));
  EXPECT_TRUE(fs::exists(dir / "tempwavX.wav.sonavix"));
  EXPECT_EQ(sonavix::RemoveStaleTempFiles("tempwav", ".wav"), 0);
}

TEST(TempFiles, AChildKilledMidImportLeavesWhatTheNextStartRemoves) {
  TempDir dir;
  ScopedTmpDir tmp(dir.path());
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const sonavix::TempFile held("tempwav", ".wav");
    char c = held.ok() ? 'y' : 'n';
    (void)!::write(ready[1], &c, 1);
    ::pause();
    ::_exit(0);
  }
  char c = 0;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  ASSERT_EQ(c, 'y');
  EXPECT_EQ(sonavix::RemoveStaleTempFiles("tempwav", ".wav"), 0) << "the child still uses it";
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  ::close(ready[0]);
  ::close(ready[1]);
  EXPECT_TRUE(fs::exists(dir / "tempwav0.wav"));
  EXPECT_EQ(sonavix::RemoveStaleTempFiles("tempwav", ".wav"), 1);
  EXPECT_TRUE(dir.Entries().empty());
}

TEST(ScratchFiles, ASweepTakesWhatNoRunHoldsAndNothingElse) {
  TempDir dir;
  const sonavix::ScratchFile held(dir.path());
  ASSERT_TRUE(held.ok());
  EXPECT_EQ(fs::path(held.path()).filename().string().size(), 15u) << "short, whatever the target";
  WriteFile(dir / ".sonavix-dead01", Pattern(4));  // a killed run's file and folder
  fs::create_directory(dir / ".sonavix-dead02");
  WriteFile(dir / ".sonavix-dead02/001.mpg", Pattern(4));
  WriteFile(dir / "kept.wav", Pattern(4));
  fs::create_symlink("kept.wav", dir / ".sonavix-link01");  // not ours to follow
  WriteFile(dir / ".sonavix-longer-name", Pattern(4));      // not one of our names
  EXPECT_EQ(sonavix::RemoveAbandonedScratch(dir.path()), 2);
  std::vector<std::string> left = dir.Entries(), kept = {fs::path(held.path()).filename(), ".sonavix-link01",
                                                         ".sonavix-longer-name", "kept.wav"};
  std::sort(left.begin(), left.end());
  std::sort(kept.begin(), kept.end());
  EXPECT_EQ(left, kept);
}

TEST(NonRegularFiles, AFifoNobodyWritesIsRefusedAtOnce) {
  TempDir dir;
  ScopedTmpDir tmp(dir.path());
  const std::string fifo = dir / "song.wav";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(sonavix::FileSource(fifo).ok());
  sonavix::AudioDocument doc;
  EXPECT_FALSE(sonavix::OpenSoundFile(doc, fifo, nullptr));
  const std::string mp3 = dir / "song.mp3";
  ASSERT_EQ(::mkfifo(mp3.c_str(), 0600), 0);
  struct NeverCalled final : sonavix::Mp3Decoder {
    void ConvertToWave(const std::string&, const std::string&) override { ADD_FAILURE(); }
  } decoder;
  EXPECT_FALSE(sonavix::OpenSoundFile(doc, mp3, &decoder));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(doc.SampleData, nullptr);
  EXPECT_EQ(dir.Entries().size(), 2u) << "no temporary file";
}

TEST(NonRegularFiles, SaveTargetsThatAreNoFileAreRefusedAndLeftAsTheyWere) {
  TempDir dir;
  const Bytes samples = Pattern(16);
  const std::string fifo = dir / "pipe.wav";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(sonavix::CheckSaveTarget(fifo), sonavix::SaveTarget::NotRegular);
  EXPECT_FALSE(sonavix::WriteWaveFile(fifo, samples.data(), 16, 8000, false, false));
  EXPECT_TRUE(fs::is_fifo(fifo));

  // A device node (made here, where root may; elsewhere /dev/null serves).
  std::string device = dir / "null.wav";
  if (::mknod(device.c_str(), S_IFCHR | 0600, makedev(1, 3)) != 0) device = "/dev/null";
  EXPECT_EQ(sonavix::CheckSaveTarget(device), sonavix::SaveTarget::NotRegular);
  EXPECT_FALSE(sonavix::WriteWaveFile(device, samples.data(), 16, 8000, false, false));
  EXPECT_TRUE(fs::is_character_file(device));

  fs::create_symlink(device, dir / "link-to-device.wav");
  EXPECT_EQ(sonavix::CheckSaveTarget(dir / "link-to-device.wav"), sonavix::SaveTarget::NotRegular);

  fs::create_directory(dir / "folder.wav");
  EXPECT_EQ(sonavix::CheckSaveTarget(dir / "folder.wav"), sonavix::SaveTarget::Folder);
  EXPECT_EQ(sonavix::CheckSaveTarget(dir / "missing/a.wav"), sonavix::SaveTarget::NoFolder);
  EXPECT_EQ(sonavix::CheckSaveTarget(dir / "new.wav"), sonavix::SaveTarget::Ok);
  WriteFile(dir / "old.wav", Pattern(2));
  EXPECT_EQ(sonavix::CheckSaveTarget(dir / "old.wav"), sonavix::SaveTarget::Ok);
  fs::create_symlink("old.wav", dir / "link-to-file.wav");
  EXPECT_EQ(sonavix::CheckSaveTarget(dir / "link-to-file.wav"), sonavix::SaveTarget::Ok);
  fs::create_symlink("loop-b.wav", dir / "loop-a.wav");
  fs::create_symlink("loop-a.wav", dir / "loop-b.wav");
  EXPECT_EQ(sonavix::CheckSaveTarget(dir / "loop-a.wav"), sonavix::SaveTarget::LinkLoop);
  if (::geteuid() != 0) {  // root writes anywhere
    fs::create_directory(dir / "locked");
    fs::permissions(dir / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(sonavix::CheckSaveTarget(dir / "locked/a.wav"), sonavix::SaveTarget::FolderNotWritable);
  }
  // Nothing was left behind beside the refused targets.
  for (const std::string& name : dir.Entries()) EXPECT_EQ(name.find(".sonavix-"), std::string::npos) << name;
}

}  // namespace
