// The recording canvas keeps what the plotting code asked for, in order.
#include <QtTest>

#include "canvas/recording_canvas.h"

class TestRecordingCanvas : public QObject {
  Q_OBJECT

 private slots:
  void segmentsCarryTheirPen();
  void currentPointFollowsEveryOperation_data();
  void currentPointFollowsEveryOperation();
};

void TestRecordingCanvas::segmentsCarryTheirPen() {
  RecordingCanvas c;
  c.setDrawWidth(3);
  c.moveTo(1, 2);
  c.lineTo(3, 4, 0xFF);
  c.setDrawStyle(PenStyle::Dotted);
  c.setDrawWidth(1);
  c.line(5, 6, 7, 8, 0xC0C0C0);
  const std::vector<RecordedSegment> expected{{1, 2, 3, 4, 0xFF, 3, PenStyle::Solid},
                                              {5, 6, 7, 8, 0xC0C0C0, 1, PenStyle::Dotted}};
  QVERIFY(c.segments() == expected);
  QCOMPARE(c.segmentCount(), std::size_t(2));
  QCOMPARE(c.ops().size(), std::size_t(6));
  c.reset();
  QCOMPARE(c.ops().size(), std::size_t(0));
  QCOMPARE(c.drawWidth(), 1);
}

void TestRecordingCanvas::currentPointFollowsEveryOperation_data() {
  QTest::addColumn<int>("op");
  QTest::addColumn<float>("x");
  QTest::addColumn<float>("y");
  QTest::newRow("line ends there") << 0 << 7.0f << 8.0f;
  QTest::newRow("circle leaves it at the centre") << 1 << -1.0f << -2.0f;
  QTest::newRow("print moves one line down to the left edge") << 2 << -10.0f << 2.6f;
  QTest::newRow("clear sends it to (0, 0)") << 3 << 0.0f << 0.0f;
}

void TestRecordingCanvas::currentPointFollowsEveryOperation() {
  QFETCH(int, op);
  QFETCH(float, x);
  QFETCH(float, y);
  RecordingCanvas c;
  c.setScale(-10, 5, 10, -5);
  c.moveTo(3, 3);
  switch (op) {
    case 0: c.line(5, 6, 7, 8, 0); break;
    case 1: c.circle(-1, -2, 1, 0); break;
    case 2: c.print(" 1 "); break;
    default: c.clear(); break;
  }
  QCOMPARE(c.currentX(), x);
  QVERIFY(std::fabs(c.currentY() - y) < 1e-6f);
}

QTEST_MAIN(TestRecordingCanvas)
#include "test_recording_canvas.moc"
