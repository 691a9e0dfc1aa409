#pragma once
// A shown main window with scripted prompts, and small helpers around it.

#include <QAction>
#include <QDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/forms.h"
#include "app/main_form.h"
#include "app/paint_box.h"
#include "app/scripted_prompts.h"
#include "playback/virtual_sound_device.h"

namespace sonavix::testing {

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto device = std::make_unique<VirtualSoundDevice>();
    sound = device.get();
    form = std::make_unique<TMainForm>(prompts, std::move(device));
    CreateForms(*form);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  }

  template <class T = QObject>
  T* Find(const char* name) const {
    return form->findChild<T*>(QString::fromLatin1(name));
  }

  // A command, and whatever it set off on a worker (an export, a disc
  // image) to its end, the window's event loop running meanwhile.
  void Trigger(const char* action) {
    Find<QAction>(action)->trigger();
    WaitWhileBusy();
  }
  void Click(const char* button) {
    Find<QPushButton>(button)->click();
    WaitWhileBusy();
  }
  void WaitWhileBusy() { ASSERT_TRUE(QTest::qWaitFor([this] { return !form->Busy(); }, 120'000)); }
  QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

  // Writes a 16-bit mono WAV file of `samples` samples counting up from 0.
  QString WriteRamp(const char* name, int samples) const;
  // Opens a file through the "Öffnen..." command.
  void OpenThroughCommand(const QString& path);

  QTemporaryDir dir;
  ScriptedPrompts prompts;
  VirtualSoundDevice* sound = nullptr;  // owned by the form
  std::unique_ptr<TMainForm> form;
};

std::vector<std::uint8_t> ReadBytes(const QString& path);
std::vector<std::uint8_t> DocumentBytes(const AudioDocument& doc);
QByteArray ReadFileText(const QString& path);

}  // namespace sonavix::testing
