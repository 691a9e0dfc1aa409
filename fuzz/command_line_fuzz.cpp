// libFuzzer entry point: any command line, one argument per line, must be
// read into a request or refused as a usage error; any bytes must read as a
// list of inputs and as a shard or be refused; the seconds, font and time
// readers must take or refuse any text, and the window's settings any file;
// all without touching memory they do not own. A request that is read must
// hold what the options allow. Arguments are bytes, as the program gets
// them, and each keeps them on its way.

#include <QFile>
#include <QGuiApplication>
#include <QSettings>
#include <QStringList>
#include <QTemporaryFile>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "cli/input_list.h"
#include "cli/render_batch.h"
#include "cli/render_options.h"
#include "app/window_settings.h"
#include "document/local_names.h"
#include "view/time_scale.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  new QGuiApplication(*argc, *argv);  // fonts need it; lives as long as the fuzzer
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const QString text = sonavix::NameFromBytes(bytes);
  if (sonavix::BytesFromName(text) != bytes) std::abort();
  QStringList arguments = text.split(QLatin1Char('\n'));
  arguments.prepend(QStringLiteral("sonavix"));
  const sonavix::CommandLineRequest request = sonavix::ReadCommandLine(arguments, 2);
  if (const auto* options = std::get_if<sonavix::RenderOptions>(&request)) {
    if ((options->inputs.isEmpty() && options->list.isEmpty()) || !options->preset || options->jobs < 1 || options->quality < 0 ||
        options->quality > 1 || (options->from && options->to && *options->to <= *options->from))
      std::abort();
    sonavix::PlanOutputs(*options);
  }
  // The bytes as a catalogue's list, either way separated, and as a shard
  // with the scheduler's variable holding them too.
  for (const bool nul : {false, true})
    for (const QString& path : sonavix::ParseInputList(bytes, nul, QStringLiteral("/list")))
      if (path.isEmpty() || sonavix::BytesFromName(path).contains(nul ? '\0' : '\n')) std::abort();
  const auto shard = sonavix::ParseShard(text, [&text](const char*) { return text; });
  if (const auto* part = std::get_if<sonavix::Shard>(&shard); part && !(part->index >= 0 && part->index < part->count))
    std::abort();
  if (const auto seconds = sonavix::ParseSeconds(text); seconds && !(*seconds >= 0)) std::abort();
  QString error;
  if (!sonavix::ParseFontSpec(text, error) && error.isEmpty()) std::abort();
  if (const auto time = sonavix::ParseClock(bytes.toStdString()); time && !(*time >= 0 && *time <= 360000))
    std::abort();
  // The bytes as a settings file: anything reads as settings or as none.
  QTemporaryFile file;
  if (file.open() && file.write(bytes) == bytes.size() && file.flush()) {
    QSettings settings(file.fileName(), QSettings::IniFormat);
    const sonavix::WindowSettings values = sonavix::ReadWindowSettings(settings);
    if (values.recentFiles.size() > 100000) std::abort();
  }
  return 0;
}
