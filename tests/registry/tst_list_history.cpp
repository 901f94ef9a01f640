// The list history against a plain model: random sequences of changes,
// undos and redos (with merged edits and the depth limit) leave the registry
// and the step counts exactly where a list of states says they must be.
#include <QRandomGenerator>
#include <QtTest>
#include <string>
#include <vector>

#include "registry/function_registry.h"
#include "registry/list_history.h"

namespace {

// The model: the states in order, a cursor on the current one; what lies
// after the cursor can be redone. Merged edits replace the newest state.
struct Model {
  std::vector<FunctionRegistry> states{FunctionRegistry{}};
  std::size_t at = 0;
  int mergeKey = -1;
};

void change(FunctionRegistry& registry, QRandomGenerator& random) {
  const int slot = 1 + random.bounded(FunctionRegistry::SLOT_COUNT);
  switch (random.bounded(3)) {
    case 0:
      registry.appendEntry("x+" + std::to_string(random.bounded(1000)), '1', 1, 0);
      break;
    case 1:
      registry.clearEntry(slot);
      break;
    default:
      registry.rebuildEntry(slot, "e*" + std::to_string(random.bounded(1000)));
      break;
  }
}

}  // namespace

class TestListHistory : public QObject {
  Q_OBJECT

 private slots:
  void randomSequencesFollowTheModel_data() {
    QTest::addColumn<quint32>("seed");
    for (quint32 seed = 1; seed <= 40; ++seed) QTest::newRow(qPrintable(QString::number(seed))) << seed;
  }

  void randomSequencesFollowTheModel() {
    QFETCH(quint32, seed);
    QRandomGenerator random(seed);
    FunctionRegistry registry;
    ListHistory history;
    Model model;
    for (int step = 0; step < 400; ++step) {
      const int action = random.bounded(10);
      if (action < 5) {
        const FunctionRegistry before = registry;
        change(registry, random);
        const int key = random.bounded(4) == 0 ? random.bounded(2) : -1;
        history.record(before, registry, ListChange::Edit, key);
        if (before == registry) {
          // no step, nothing forgotten
        } else if (key >= 0 && key == model.mergeKey && model.at > 0) {
          model.states.resize(model.at + 1);
          model.states[model.at] = registry;
        } else {
          model.states.resize(model.at + 1);
          model.states.push_back(registry);
          ++model.at;
          model.mergeKey = key;
          if (model.states.size() > ListHistory::DEPTH + 1) {
            model.states.erase(model.states.begin());
            --model.at;
          }
        }
      } else if (action < 8) {
        const bool expected = model.at > 0;
        QCOMPARE(history.undo(registry), expected);
        if (expected) --model.at;
        model.mergeKey = -1;
      } else {
        const bool expected = model.at + 1 < model.states.size();
        QCOMPARE(history.redo(registry), expected);
        if (expected) ++model.at;
        model.mergeKey = -1;
      }
      QVERIFY(registry == model.states[model.at]);
      QCOMPARE(history.undoSteps(), model.at);
      QCOMPARE(history.redoSteps(), model.states.size() - 1 - model.at);
    }
  }

  void depthIsKeptAndTheOldestForgotten() {
    FunctionRegistry registry;
    ListHistory history;
    for (std::size_t i = 0; i < ListHistory::DEPTH + 30; ++i) {
      const FunctionRegistry before = registry;
      registry.appendEntry("x/" + std::to_string(i), '1', 1, 0);
      history.record(before, registry, ListChange::Draw);
    }
    QCOMPARE(history.undoSteps(), ListHistory::DEPTH);
    std::size_t undone = 0;
    while (history.undo(registry)) ++undone;
    QCOMPARE(undone, ListHistory::DEPTH);
    QCOMPARE(registry.funcLast(), std::int16_t(30 % 20));
  }

  void endMergeStartsANewStep() {
    FunctionRegistry registry;
    ListHistory history;
    FunctionRegistry before = registry;
    registry.writeEntry(1, "x", '1', 1, 0);
    history.record(before, registry, ListChange::Edit, 0);
    before = registry;
    registry.rebuildEntry(1, "x+");
    history.record(before, registry, ListChange::Edit, 0);
    QCOMPARE(history.undoSteps(), std::size_t{1});
    history.endMerge();
    before = registry;
    registry.rebuildEntry(1, "x+1");
    history.record(before, registry, ListChange::Edit, 0);
    QCOMPARE(history.undoSteps(), std::size_t{2});
    QCOMPARE(history.nextUndo(), ListChange::Edit);
  }
};

QTEST_GUILESS_MAIN(TestListHistory)
#include "tst_list_history.moc"
