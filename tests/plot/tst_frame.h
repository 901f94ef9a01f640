#pragma once

#include <QObject>

#include "plot_test_support.h"

class TestFrame : public QObject {
  Q_OBJECT

 private slots:
  void cartesianScale_data();
  void cartesianScale();
  void polarCircles_data();
  void polarCircles();
  void startupFrame();
  void axesThroughOrigin();
};
