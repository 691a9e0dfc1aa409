// The window tests share one application object, as the program does.

#include <gtest/gtest.h>

#include "app/application.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Sonavix"));
  sonavix::UseProgramFont();
  return RUN_ALL_TESTS();
}
