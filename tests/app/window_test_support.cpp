#include <gtest/gtest.h>

#include "window_test_support.h"

#include <QCoreApplication>
#include <QFile>
#include <chrono>
#include <future>

#include "document/wave_file.h"

namespace sonavix::testing {

LockstepSoundDevice::LockstepSoundDevice() : context_(std::make_unique<QObject>()) {}

LockstepSoundDevice::~LockstepSoundDevice() = default;

void LockstepSoundDevice::Wait(Event event) {
  inner_->Wait(event);
  if (event != Event::Mid) return;
  auto stepped = std::make_shared<std::promise<void>>();
  std::future<void> done = stepped->get_future();
  QMetaObject::invokeMethod(
      context_.get(),
      [this, stepped] {
        ++blocks_;
        if (onBlock) onBlock(blocks_);
        stepped->set_value();
      },
      Qt::QueuedConnection);
  // The window's thread may be gone to shut the window: the run then goes
  // on without its step.
  while (done.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready)
    if (QCoreApplication::closingDown() || !onBlock) return;
}

QString WindowTest::WriteRamp(const char* name, int samples) const {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(samples) * 2);
  for (int i = 0; i < samples; ++i) {
    bytes[2 * i] = static_cast<std::uint8_t>(i);
    bytes[2 * i + 1] = static_cast<std::uint8_t>(i >> 8);
  }
  const QString path = Path(name);
  EXPECT_TRUE(WriteWaveFile(QFile::encodeName(path).toStdString(), bytes.data(),
                            static_cast<std::int32_t>(bytes.size()), 22050, false, true));
  return path;
}

void WindowTest::OpenThroughCommand(const QString& path) {
  prompts.fileNames.push_back(path);
  Trigger(A().open);
}

std::vector<std::uint8_t> ReadBytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray all = file.readAll();
  return {all.begin(), all.end()};
}

std::vector<std::uint8_t> DocumentBytes(const AudioDocument& doc) {
  return {doc.SampleData.get(), doc.SampleData.get() + doc.DataSize};
}

QByteArray ReadFileText(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace sonavix::testing
