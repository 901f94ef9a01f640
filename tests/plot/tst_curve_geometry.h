#pragma once

#include <QObject>

#include "plot_test_support.h"

// What the drawn curve shows against the function itself, over many
// functions and views: no segment across a pole, a jump or a gap of the
// domain; every branch reaching the canvas edge or the domain edge.
class TestCurveGeometry : public QObject {
  Q_OBJECT

 private slots:
  void cartesianBranches_data();
  void cartesianBranches();
  void smoothCurvesAsBefore_data();
  void smoothCurvesAsBefore();
  void polarConics_data();
  void polarConics();
  void cartesianBandMargin_data();
  void cartesianBandMargin();
};
