// The window tests share one application object, as the program does.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "app/application.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  // Temporary files of this program's own, apart from those of tests that
  // run beside it (some count what is there).
  QTemporaryDir temp;
  qputenv("TMPDIR", QFile::encodeName(temp.path()));
  QApplication::setApplicationName(QStringLiteral("Sonavix"));
  sonavix::UseProgramFont();
  return RUN_ALL_TESTS();
}
