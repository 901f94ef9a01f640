// The ring of drawn functions: where each entry goes, how it is packed and how
// it reads back.
#include <QtTest>

#include <string>
#include <vector>

#include "registry/function_registry.h"

Q_DECLARE_METATYPE(std::string)
Q_DECLARE_METATYPE(std::vector<int>)

namespace {

void fill(FunctionRegistry& registry, int count) {
  for (int i = 1; i <= count; ++i) registry.appendEntry("x+" + std::to_string(i), '1', 1, 0);
}

}  // namespace

class TestFunctionRegistry : public QObject {
  Q_OBJECT

 private slots:
  void ringPlacement_data();
  void ringPlacement();
  void packing_data();
  void packing();
  void emptySlotDecodesToNothing();
  void rebuild_data();
  void rebuild();
  void clearedSlotIsEmptyAndStaysOutOfTheRing();
};

// State: `draws` functions drawn, then the slots in `deleted` cleared.
// Action: one more draw. Expected: funcLast before and the slot written.
void TestFunctionRegistry::ringPlacement_data() {
  QTest::addColumn<int>("draws");
  QTest::addColumn<std::vector<int>>("deleted");
  QTest::addColumn<int>("funcLastBefore");
  QTest::addColumn<int>("slotWritten");

  QTest::newRow("fresh registry starts at slot 1") << 0 << std::vector<int>{} << 0 << 1;
  QTest::newRow("after 19 draws") << 19 << std::vector<int>{} << 19 << 20;
  QTest::newRow("full: the 21st overwrites slot 1") << 20 << std::vector<int>{} << 20 << 1;
  QTest::newRow("the 22nd overwrites slot 2") << 21 << std::vector<int>{} << 1 << 2;
  QTest::newRow("deletions do not pull the ring back") << 9 << std::vector<int>{1, 2, 3, 4, 5} << 9 << 10;
  QTest::newRow("the next slot is overwritten although others are free")
      << 29 << std::vector<int>{3, 4, 5} << 9 << 10;
  QTest::newRow("deleting the last written slot") << 7 << std::vector<int>{7} << 7 << 8;
  QTest::newRow("many rounds of the ring") << 413 << std::vector<int>{} << 13 << 14;
}

void TestFunctionRegistry::ringPlacement() {
  QFETCH(int, draws);
  QFETCH(std::vector<int>, deleted);
  QFETCH(int, funcLastBefore);
  QFETCH(int, slotWritten);

  FunctionRegistry registry;
  fill(registry, draws);
  for (int slot : deleted) registry.clearEntry(slot);
  const std::vector<std::string> before = [&] {
    std::vector<std::string> texts;
    for (int s = 1; s <= FunctionRegistry::SLOT_COUNT; ++s) texts.push_back(registry.entryText(s));
    return texts;
  }();
  QCOMPARE(registry.funcLast(), funcLastBefore);

  registry.appendEntry("new", '0', 3, 7);

  QCOMPARE(registry.funcLast(), slotWritten);
  QCOMPARE(registry.entryText(slotWritten), std::string("new0 3 7"));
  for (int s = 1; s <= FunctionRegistry::SLOT_COUNT; ++s)
    if (s != slotWritten) QCOMPARE(registry.entryText(s), before[static_cast<std::size_t>(s - 1)]);
}

// appendEntry writes the packed string; decodeEntry gives back what went in,
// however the expression's own characters look like the packed fields.
void TestFunctionRegistry::packing_data() {
  QTest::addColumn<std::string>("expression");
  QTest::addColumn<char>("frame");
  QTest::addColumn<int>("width");
  QTest::addColumn<quint32>("colour");
  QTest::addColumn<std::string>("packed");

  QTest::newRow("sin(x), width 2, red") << std::string("sin(x)") << '1' << 2 << 255u << std::string("sin(x)1 2 255");
  QTest::newRow("black is a blank and 0") << std::string("x") << '1' << 1 << 0u << std::string("x1 1 0");
  QTest::newRow("digits in the expression") << std::string("x+12") << '1' << 6 << 65280u
                                            << std::string("x+121 6 65280");
  QTest::newRow("expression ending like a frame mark") << std::string("x*10") << '0' << 4 << 1u
                                                       << std::string("x*100 4 1");
  QTest::newRow("expression with blanks and digits") << std::string(" 2 3 ") << '1' << 5 << 12u
                                                     << std::string(" 2 3 1 5 12");
  QTest::newRow("polar keeps its angle letter") << std::string("2*e") << '0' << 3 << 16711680u
                                                << std::string("2*e0 3 16711680");
  QTest::newRow("white, the largest colour used") << std::string("x^2") << '1' << 1 << 16777215u
                                                  << std::string("x^21 1 16777215");
  QTest::newRow("an empty expression") << std::string("") << '1' << 2 << 9u << std::string("1 2 9");
  QTest::newRow("non-ASCII text") << std::string("x+\xe4\xb8\xad") << '1' << 2 << 3u
                                  << std::string("x+\xe4\xb8\xad" "1 2 3");
  // A length past 16 bits must not wrap: the entry would decode as garbage.
  std::string longText;
  for (int i = 0; i < 20000; ++i) longText += "x+";
  longText += "1";
  QTest::newRow("expression longer than 32767 characters") << longText << '0' << 2 << 255u
                                                           << longText + "0 2 255";
}

void TestFunctionRegistry::packing() {
  QFETCH(std::string, expression);
  QFETCH(char, frame);
  QFETCH(int, width);
  QFETCH(quint32, colour);
  QFETCH(std::string, packed);

  FunctionRegistry registry;
  registry.appendEntry(expression, frame, static_cast<std::int16_t>(width), colour);
  QCOMPARE(registry.entryText(1), packed);
  QCOMPARE(registry.expressionLength(1), static_cast<std::int32_t>(expression.size()));
  QVERIFY(!registry.isEmpty(1));

  const DecodedEntry decoded = registry.decodeEntry(1);
  QCOMPARE(decoded.expression, expression);
  QCOMPARE(decoded.frameCharacter, std::string(1, frame));
  QCOMPARE(decoded.width, static_cast<std::int16_t>(width));
  QCOMPARE(decoded.colour, colour);
}

void TestFunctionRegistry::emptySlotDecodesToNothing() {
  FunctionRegistry registry;
  for (int slot = 1; slot <= FunctionRegistry::SLOT_COUNT; ++slot) {
    QVERIFY(registry.isEmpty(slot));
    const DecodedEntry decoded = registry.decodeEntry(slot);
    QCOMPARE(decoded.expression, std::string());
    QCOMPARE(decoded.frameCharacter, std::string());
    QCOMPARE(decoded.width, std::int16_t{0});
    QCOMPARE(decoded.colour, 0u);
  }
}

// rebuildEntry replaces the expression and keeps frame, width and colour; an
// empty slot rebuilt gives an entry that matches neither frame, width 0.
void TestFunctionRegistry::rebuild_data() {
  QTest::addColumn<bool>("occupied");
  QTest::addColumn<std::string>("newText");
  QTest::addColumn<std::string>("packed");
  QTest::addColumn<std::string>("frame");
  QTest::addColumn<int>("width");
  QTest::addColumn<quint32>("colour");

  QTest::newRow("longer text") << true << std::string("cos(x)+12") << std::string("cos(x)+120 4 255") << std::string("0")
                               << 4 << 255u;
  QTest::newRow("shorter text") << true << std::string("1") << std::string("10 4 255") << std::string("0") << 4 << 255u;
  QTest::newRow("emptied text") << true << std::string("") << std::string("0 4 255") << std::string("0") << 4 << 255u;
  QTest::newRow("empty slot") << false << std::string("x") << std::string("x 0 0") << std::string(" ") << 0 << 0u;
}

void TestFunctionRegistry::rebuild() {
  QFETCH(bool, occupied);
  QFETCH(std::string, newText);
  QFETCH(std::string, packed);
  QFETCH(std::string, frame);
  QFETCH(int, width);
  QFETCH(quint32, colour);

  FunctionRegistry registry;
  registry.appendEntry("x", '1', 1, 0);
  if (occupied) registry.appendEntry("sin(x)", '0', 4, 255);
  registry.rebuildEntry(2, newText);

  QCOMPARE(registry.entryText(2), packed);
  QCOMPARE(registry.expressionLength(2), static_cast<std::int32_t>(newText.size()));
  const DecodedEntry decoded = registry.decodeEntry(2);
  QCOMPARE(decoded.expression, newText);
  QCOMPARE(decoded.frameCharacter, frame);
  QCOMPARE(decoded.width, static_cast<std::int16_t>(width));
  QCOMPARE(decoded.colour, colour);
  QCOMPARE(registry.entryText(1), std::string("x1 1 0"));  // the neighbour is untouched
  QCOMPARE(registry.funcLast(), static_cast<std::int16_t>(occupied ? 2 : 1));
}

void TestFunctionRegistry::clearedSlotIsEmptyAndStaysOutOfTheRing() {
  FunctionRegistry registry;
  fill(registry, 3);
  registry.clearEntry(2);
  QVERIFY(registry.isEmpty(2));
  QCOMPARE(registry.expressionLength(2), 0);
  QCOMPARE(registry.decodeEntry(2).width, std::int16_t{0});
  QCOMPARE(registry.funcLast(), std::int16_t{3});
  QCOMPARE(registry.entryText(3), std::string("x+31 1 0"));
}

QTEST_GUILESS_MAIN(TestFunctionRegistry)
#include "tst_function_registry.moc"
