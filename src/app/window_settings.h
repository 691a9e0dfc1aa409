#pragma once
// What the window keeps between runs, in the user's settings file
// (~/.config/Sonavix/Sonavix.ini): the picture's text and font, the
// format and TV system, the loop box, the window's size and place, the
// last folder and the files opened last. A value that is missing or does
// not read as what it should be is left at the window's default: a damaged
// file costs the settings, never the start.

#include <QByteArray>
#include <QFont>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <optional>

#include "video/media_writer.h"

namespace sonavix {

struct WindowSettings {
  std::optional<QString> text;
  std::optional<QFont> font;
  std::optional<DiscPreset> preset;
  std::optional<TvSystem> tv;
  std::optional<bool> loop;
  QByteArray geometry;  // QWidget::saveGeometry
  QString folder;
  QStringList recentFiles;
};

WindowSettings ReadWindowSettings(QSettings& settings);
void WriteWindowSettings(QSettings& settings, const WindowSettings& values);

}  // namespace sonavix
