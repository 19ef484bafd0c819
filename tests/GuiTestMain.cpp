#include <gtest/gtest.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>

namespace {

// The offscreen platform warns about every window feature it leaves out; nothing else is dropped.
void QuietOffscreenWarnings(QtMsgType type, const QMessageLogContext& context,
                            const QString& message) {
  if (message.startsWith(QStringLiteral("This plugin does not support"))) return;
  const QByteArray text = qFormatLogMessage(type, context, message).toLocal8Bit();
  std::fprintf(stderr, "%s\n", text.constData());
}

}  // namespace

// The tests of the host environment run in one QApplication, offscreen unless told otherwise.
int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  qInstallMessageHandler(QuietOffscreenWarnings);
  QApplication application(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
