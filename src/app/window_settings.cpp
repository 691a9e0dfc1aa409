#include "app/window_settings.h"

#include <QVariant>

#include "export/presets.h"

namespace sonavix {

namespace {

// The names the command line gives the formats ("vcd", "mp4-720p", ...).
std::optional<DiscPreset> PresetNamed(const QString& name) {
  const ExportPreset* preset = FindPreset(name.toStdString());
  if (!preset) return std::nullopt;
  return preset->disc;
}

QString NameOf(DiscPreset preset) {
  for (const ExportPreset& p : ExportPresets())
    if (p.disc == preset && p.tv == TvSystem::Pal) return QString::fromLatin1(p.name);
  return {};
}

// A value of the type asked for, or nothing.
template <class T>
std::optional<T> Read(QSettings& settings, const char* key, QMetaType::Type type) {
  const QVariant value = settings.value(QString::fromLatin1(key));
  if (!value.isValid() || !value.canConvert(QMetaType(type))) return std::nullopt;
  return value.value<T>();
}

}  // namespace

WindowSettings ReadWindowSettings(QSettings& settings) {
  WindowSettings values;
  if (settings.status() != QSettings::NoError) return values;
  values.text = Read<QString>(settings, "picture/text", QMetaType::QString);
  if (const auto font = Read<QString>(settings, "picture/font", QMetaType::QString)) {
    QFont parsed;
    if (!font->isEmpty() && parsed.fromString(*font)) values.font = parsed;
  }
  if (const auto loop = Read<QString>(settings, "picture/loop", QMetaType::QString)) {
    if (*loop == QLatin1String("true")) values.loop = true;
    if (*loop == QLatin1String("false")) values.loop = false;
  }
  if (const auto format = Read<QString>(settings, "export/format", QMetaType::QString))
    values.preset = PresetNamed(*format);
  if (const auto tv = Read<QString>(settings, "export/tv", QMetaType::QString)) {
    if (*tv == QLatin1String("pal")) values.tv = TvSystem::Pal;
    if (*tv == QLatin1String("ntsc")) values.tv = TvSystem::Ntsc;
  }
  values.geometry = settings.value(QStringLiteral("window/geometry")).toByteArray();
  values.folder = Read<QString>(settings, "files/folder", QMetaType::QString).value_or(QString());
  values.recentFiles = settings.value(QStringLiteral("files/recent")).toStringList();
  return values;
}

void WriteWindowSettings(QSettings& settings, const WindowSettings& values) {
  if (values.text) settings.setValue(QStringLiteral("picture/text"), *values.text);
  if (values.font) settings.setValue(QStringLiteral("picture/font"), values.font->toString());
  if (values.loop) settings.setValue(QStringLiteral("picture/loop"), *values.loop ? "true" : "false");
  if (values.preset) settings.setValue(QStringLiteral("export/format"), NameOf(*values.preset));
  if (values.tv) settings.setValue(QStringLiteral("export/tv"), *values.tv == TvSystem::Ntsc ? "ntsc" : "pal");
  settings.setValue(QStringLiteral("window/geometry"), values.geometry);
  settings.setValue(QStringLiteral("files/folder"), values.folder);
  settings.setValue(QStringLiteral("files/recent"), values.recentFiles);
  settings.sync();
}

}  // namespace sonavix
