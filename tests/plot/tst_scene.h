#pragma once

#include <QObject>

#include "plot_test_support.h"

class TestScene : public QObject {
  Q_OBJECT

 private slots:
  void redrawDrawsEntriesOfTheFrame_data();
  void redrawDrawsEntriesOfTheFrame();
  void failingEntries_data();
  void failingEntries();
  void polarEntriesUseTheAngleLetter();
  void damagedWidthsNeverReachTheCanvas();
  void precisionOfTheRedraw();
  void emptyRegistryGivesTheFrameOnly();
  void toggleAndClearFrames_data();
  void toggleAndClearFrames();
  void polarRedrawLeavesCirclesUnlabelled_data();
  void polarRedrawLeavesCirclesUnlabelled();
  void keptPolarSamplesDrawTheSame();
  void curvesEvaluatedAheadDrawTheSame_data();
  void curvesEvaluatedAheadDrawTheSame();
};
