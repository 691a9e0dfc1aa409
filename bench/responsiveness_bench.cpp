// How long the window's thread is kept from its events while long work
// runs: a 10 ms timer on it, and its worst lateness while an MP4 720p
// export, an MP3 open, a DVD disc image and a CD read (an emulated drive)
// run through the window; and how soon STOP ends an export's run (its
// last picture), and its shortened file after that. The aims: at most
// 50 ms of lateness each, the run ended within 100 ms of STOP.
//
//   responsiveness_bench      (offscreen; needs lame and the disc tools)

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "app/forms.h"
#include "app/format_choice.h"
#include "app/import_controller.h"
#include "app/main_window.h"
#include "app/preview_box.h"
#include "app/cd_read_dialog.h"
#include "app/scripted_prompts.h"
#include "cdda/emulated_transports.h"
#include "document/wave_file.h"
#include "playback/virtual_sound_device.h"

namespace {

using namespace sonavix;

// The worst lateness of a 10 ms timer while `busy` holds.
double WorstLateness(const std::function<bool()>& busy) {
  QElapsedTimer clock;
  clock.start();
  double worst = 0;
  qint64 last = clock.elapsed();
  QTimer tick;
  tick.setTimerType(Qt::PreciseTimer);
  QObject::connect(&tick, &QTimer::timeout, [&] {
    const qint64 now = clock.elapsed();
    worst = std::max(worst, double(now - last - 10));
    last = now;
  });
  tick.start(10);
  while (busy()) QTest::qWait(1);
  return worst;
}

void Report(const char* what, double value, double goal, const char* unit) {
  std::printf("  %-34s %7.1f %s   (goal: at most %.0f %s) %s\n", what, value, unit, goal, unit,
              value <= goal ? "met" : "NOT met");
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir dir;
  const auto path = [&](const char* name) { return dir.filePath(QString::fromLatin1(name)); };
  // A minute of chords, as WAV and as MP3.
  {
    std::vector<std::int16_t> samples(2 * 60 * 44100);
    for (std::size_t i = 0; i < samples.size() / 2; ++i)
      samples[2 * i] = samples[2 * i + 1] =
          static_cast<std::int16_t>(8000 * std::sin(i * 0.031) * std::exp(-double(i % 22050) / 9000));
    WriteWaveFile(path("song.wav").toStdString(), reinterpret_cast<const std::uint8_t*>(samples.data()),
                  static_cast<std::int32_t>(samples.size() * 2), 44100, true, true);
    std::system(("lame --silent -b 192 '" + path("song.wav") + "' '" + path("song.mp3") + "'").toLocal8Bit());
  }

  ScriptedPrompts prompts;
  MainWindow form(prompts, std::make_unique<VirtualSoundDevice>());
  CreateForms(form);
  auto passThrough = std::make_unique<cdda::EmulatedPassThrough>();
  auto drive = std::make_shared<cdda::EmulatedCdDrive>();
  drive->disc.trackStarts = {0};
  drive->disc.leadOut = 75 * 60;  // a minute of CD
  passThrough->devices.push_back({"sr0", drive});
  form.Import().SetCdTransports(std::move(passThrough), std::make_unique<cdda::EmulatedScsiGeneric>());
  form.show();
  const auto busy = [&] { return form.Busy(); };
  const auto open = [&](const QString& file) {
    prompts.fileNames.push_back(file);
    form.Actions().open->trigger();
  };

  std::printf("The window's thread, a 10 ms timer's worst lateness while work runs\n");
  open(path("song.wav"));
  WorstLateness(busy);
  open(path("song.mp3"));
  Report("open a one-minute MP3", WorstLateness(busy), 50, "ms");

  form.Format().mp4Hd720->setChecked(true);
  prompts.fileNames.push_back(path("song.mp4"));
  form.Actions().exportVideo->trigger();
  Report("export MP4 720p", WorstLateness(busy), 50, "ms");

  form.Format().dvd->setChecked(true);
  prompts.fileNames.push_back(path("album.iso"));
  form.Actions().discImage->trigger();
  Report("disc image, DVD", WorstLateness(busy), 50, "ms");

  double cd = -1;
  prompts.dialogs.push_back([&](QDialog& dialog) {
    dialog.findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    auto* read = qobject_cast<CdReadDialog*>(&dialog);
    cd = WorstLateness([read] { return read->Reading(); });
    return dialog.result();
  });
  form.Actions().readCd->trigger();
  Report("CD read, emulated drive", cd, 50, "ms");

  // STOP a second into an export.
  prompts.fileNames.push_back(path("stopped.mp4"));
  form.Format().mp4Hd720->setChecked(true);
  form.Actions().exportVideo->trigger();
  QTest::qWait(1000);
  QElapsedTimer stop;
  stop.start();
  form.Actions().stop->trigger();
  // The run stops when its pictures do; the shortened file is finished
  // after it (the encoder's last pictures, the index in front).
  qint64 key = form.Preview().Picture().cacheKey(), lastPicture = 0;
  while (busy()) {
    QTest::qWait(1);
    if (form.Preview().Picture().cacheKey() != key) key = form.Preview().Picture().cacheKey(), lastPicture = stop.elapsed();
  }
  Report("STOP ends the run", double(lastPicture), 100, "ms");
  std::printf("  %-34s %7.1f ms\n", "STOP until the file is finished", double(stop.elapsed()));
  if (!prompts.errors.isEmpty()) std::printf("errors: %s\n", qPrintable(prompts.errors.join(QStringLiteral("; "))));
  return 0;
}
