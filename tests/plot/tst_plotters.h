#pragma once

#include <QObject>

#include "plot_test_support.h"

class TestPlotters : public QObject {
  Q_OBJECT

 private slots:
  void cartesianPath_data();
  void cartesianPath();
  void cartesianCodes_data();
  void cartesianCodes();
  void penReachesCanvas_data();
  void penReachesCanvas();
  void polarCircleSweep_data();
  void polarCircleSweep();
  void polarSpiralLiftsPen();
  void polarBand_data();
  void polarBand();
  void polarCodes_data();
  void polarCodes();
  void sweepLength_data();
  void sweepLength();
  void sharedSweepTables_data();
  void sharedSweepTables();
};
