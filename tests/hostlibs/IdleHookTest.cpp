#include <gtest/gtest.h>
#include <qpa/qwindowsysteminterface.h>

#include <QCoreApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <chrono>

#include "hostlibs/vekutil/VekUtil.h"
#include "net/IdleHook.h"
#include "net/TcpSocket.h"
#include "support/ScriptedPeer.h"

namespace {

using testing_support::ScriptedPeer;
using namespace std::chrono_literals;

class Probe : public QWidget {
 public:
  int paints = 0;
  int keys = 0;

 protected:
  void paintEvent(QPaintEvent*) override { ++paints; }
  void keyPressEvent(QKeyEvent*) override { ++keys; }
};

// A network wait of two seconds with the host's idle processing: the window keeps painting, and
// the key the user pressed meanwhile arrives only once the call has returned.
TEST(IdleHook, WindowsPaintDuringAWaitAndInputWaitsForItsEnd) {
  Probe probe;
  probe.resize(120, 80);
  probe.show();
  QApplication::setActiveWindow(&probe);
  probe.setFocus();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&probe));
  QTimer repaint;
  QObject::connect(&repaint, &QTimer::timeout, &probe, qOverload<>(&QWidget::update));
  repaint.start(50);

  ScriptedPeer peer({ScriptedPeer::Wait(2s), ScriptedPeer::Send("01")});
  dicom::SetIdleHook(&sysProcessIdle);
  dicom::TcpSocket socket;
  ASSERT_EQ(socket.Connect("127.0.0.1", peer.PortText().c_str()), 1);
  QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
      probe.windowHandle(), QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
  const int paintsBefore = probe.paints;
  std::uint8_t byte = 0;
  EXPECT_EQ(socket.Receive(&byte, 1), 1);
  dicom::SetIdleHook(nullptr);
  EXPECT_GE(probe.paints - paintsBefore, 10);
  EXPECT_EQ(probe.keys, 0);

  QCoreApplication::processEvents();
  EXPECT_EQ(probe.keys, 1);
  EXPECT_EQ(peer.Finish(), "");
}

}  // namespace
