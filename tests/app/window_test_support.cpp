#include <gtest/gtest.h>

#include "window_test_support.h"

#include <QFile>

#include "document/wave_file.h"

namespace sonavix::testing {

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
  Trigger("ffnen1");
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
