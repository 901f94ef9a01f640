#include <QtTest>

#include "tst_curve_geometry.h"
#include "tst_frame.h"
#include "tst_plotters.h"
#include "tst_scene.h"

int main(int argc, char** argv) {
  int failed = 0;
  {
    TestPlotters plotters;
    failed += QTest::qExec(&plotters, argc, argv);
  }
  {
    TestCurveGeometry geometry;
    failed += QTest::qExec(&geometry, argc, argv);
  }
  {
    TestFrame frame;
    failed += QTest::qExec(&frame, argc, argv);
  }
  {
    TestScene scene;
    failed += QTest::qExec(&scene, argc, argv);
  }
  return failed;
}
