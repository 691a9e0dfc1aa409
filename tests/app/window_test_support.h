#pragma once
// A shown main window with scripted prompts, and small helpers around it.

#include <QAction>
#include <QDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/edit_controller.h"
#include "app/export_controller.h"
#include "app/format_choice.h"
#include "app/forms.h"
#include "app/import_controller.h"
#include "app/main_window.h"
#include "app/mp3_import_host.h"
#include "app/picture_settings.h"
#include "app/playback_controller.h"
#include "app/preview_box.h"
#include "app/waveform_view.h"
#include "app/window_status.h"
#include "app/zoom_spin_edit.h"
#include "app/scripted_prompts.h"
#include "playback/virtual_sound_device.h"

namespace sonavix::testing {

// A menu entry's caption as it reads, without its accelerator mark.
inline QString Caption(const QAction* action) { return QString(action->text()).remove(QLatin1Char('&')); }

// A virtual sound card that, once a block, lets the window's thread take one
// step (`onBlock`, with the block's count) before the run goes on: the run
// on its worker and a test's script then go in step, as they did when the
// run let the window's messages through once a block.
class LockstepSoundDevice final : public SoundDevice {
 public:
  LockstepSoundDevice();
  ~LockstepSoundDevice() override;
  bool Open() override { return inner_->Open(); }
  std::uint8_t* Lock() override { return inner_->Lock(); }
  void Unlock() override { inner_->Unlock(); }
  void Play() override { inner_->Play(); }
  void Stop() override { inner_->Stop(); }
  void Wait(Event event) override;
  void Reset(Event event) override { inner_->Reset(event); }

  VirtualSoundDevice& Inner() { return *inner_; }
  std::function<void(int)> onBlock;

 private:
  std::unique_ptr<VirtualSoundDevice> inner_ = std::make_unique<VirtualSoundDevice>();
  std::unique_ptr<QObject> context_;  // queued steps die with the card
  int blocks_ = 0;
};

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto device = std::make_unique<LockstepSoundDevice>();
    lockstep = device.get();
    sound = &device->Inner();
    form = std::make_unique<MainWindow>(prompts, std::move(device));
    CreateForms(*form);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  }

  template <class T = QObject>
  T* Find(const char* name) const {
    return form->findChild<T*>(QString::fromLatin1(name));
  }

  // A command, and whatever it set off on a worker (an export, a disc
  // image, playback, an open) to its end, the window's event loop running
  // meanwhile. A command given while something runs is just given.
  void Trigger(QAction* action) {
    const bool busy = form->Busy();
    action->trigger();
    if (!busy) WaitWhileBusy();
  }
  const WindowActions& A() const { return form->Actions(); }
  void WaitWhileBusy() { ASSERT_TRUE(QTest::qWaitFor([this] { return !form->Busy(); }, 120'000)); }
  QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

  // Writes a 16-bit mono WAV file of `samples` samples counting up from 0.
  QString WriteRamp(const char* name, int samples) const;
  // Opens a file through the "Öffnen..." command.
  void OpenThroughCommand(const QString& path);

  QTemporaryDir dir;
  ScriptedPrompts prompts;
  LockstepSoundDevice* lockstep = nullptr;  // owned by the form
  VirtualSoundDevice* sound = nullptr;     // inside it
  std::unique_ptr<MainWindow> form;
};

std::vector<std::uint8_t> ReadBytes(const QString& path);
std::vector<std::uint8_t> DocumentBytes(const AudioDocument& doc);
QByteArray ReadFileText(const QString& path);

}  // namespace sonavix::testing
