// The number rules of the main window's fields and read-outs.
#include <QtTest>
#include <limits>

#include "ui/main/field_rules.h"

using namespace norvale;

class TestMainFields : public QObject {
  Q_OBJECT

 private slots:
  void leadingNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    QTest::newRow("plain") << "0.1" << 0.1;
    QTest::newRow("no leading zero") << ".5" << 0.5;
    QTest::newRow("negative") << "-2.5" << -2.5;
    QTest::newRow("second point stops") << "1.2.3" << 1.2;
    QTest::newRow("letters stop") << "12abc" << 12.0;
    QTest::newRow("leading blanks") << "  7" << 7.0;
    QTest::newRow("lone minus") << "-" << 0.0;
    QTest::newRow("lone point") << "." << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("letter first") << "a" << 0.0;
    QTest::newRow("comma is no decimal point") << "0,5" << 0.0;
    QTest::newRow("no exponent") << "1e-7" << 1.0;
    QTest::newRow("plus sign") << "+3" << 3.0;
    QTest::newRow("trailing point") << "4." << 4.0;
  }
  void leadingNumber() {
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(norvale::leadingNumber(text), expected);
  }

  void leadingNumberOfHugeText() {
    // Four hundred digits do not fit a double: the reading saturates instead of failing.
    QCOMPARE(norvale::leadingNumber(QString(400, QLatin1Char('9'))), std::numeric_limits<double>::infinity());
  }

  void keyFilter_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("empties");
    QTest::newRow("digit 0") << "0" << false;
    QTest::newRow("digit 9") << "9" << false;
    QTest::newRow("point") << "." << false;
    QTest::newRow("backspace") << "\b" << false;
    QTest::newRow("minus (45)") << "-" << true;
    QTest::newRow("slash (47)") << "/" << true;
    QTest::newRow("colon (58)") << ":" << true;
    QTest::newRow("letter") << "a" << true;
    QTest::newRow("enter (13)") << "\r" << true;
    QTest::newRow("blank") << " " << true;
    QTest::newRow("comma (44)") << "," << true;
    QTest::newRow("cjk") << QStringLiteral("中") << true;
  }
  void keyFilter() {
    QFETCH(QString, key);
    QFETCH(bool, empties);
    QCOMPARE(keyEmptiesField(key.at(0)), empties);
  }

  void corrections_data() {
    QTest::addColumn<bool>("precisionField");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("corrected");
    QTest::newRow("precision 1") << true << "1" << "0.1";
    QTest::newRow("precision 1.5") << true << "1.5" << "0.1";
    QTest::newRow("precision 0") << true << "0" << "0.1";
    QTest::newRow("precision -0.2") << true << "-0.2" << "0.1";
    QTest::newRow("precision empty") << true << "" << "0.1";
    QTest::newRow("precision 0.05 stays") << true << "0.05" << "0.05";
    QTest::newRow("precision .5 stays") << true << ".5" << ".5";
    QTest::newRow("precision 0.999 stays") << true << "0.999" << "0.999";
    QTest::newRow("argument 0 stays") << false << "0" << "0";
    QTest::newRow("argument 0.0") << false << "0.0" << "";
    QTest::newRow("argument 00") << false << "00" << "";
    QTest::newRow("argument -0") << false << "-0" << "";
    QTest::newRow("argument point") << false << "." << "";
    QTest::newRow("argument letter") << false << "a" << "";
    QTest::newRow("argument minus") << false << "-" << "";
    QTest::newRow("argument -2.5 stays") << false << "-2.5" << "-2.5";
    QTest::newRow("argument empty stays") << false << "" << "";
  }
  void corrections() {
    QFETCH(bool, precisionField);
    QFETCH(QString, text);
    QFETCH(QString, corrected);
    QCOMPARE(precisionField ? correctedPrecision(text) : correctedArgument(text), corrected);
  }

  void signedText_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("integer") << 2.0 << " 2";
    QTest::newRow("zero") << 0.0 << " 0";
    QTest::newRow("negative zero") << -0.0 << " 0";
    QTest::newRow("quarter") << 0.25 << " .25";
    QTest::newRow("minus half") << -0.5 << "-.5";
    QTest::newRow("thousandth") << -0.001 << "-.001";
    QTest::newRow("mixed") << 12.345 << " 12.345";
    QTest::newRow("fifteen digits") << 123456789.123 << " 123456789.123";
    QTest::newRow("large") << 1e20 << " 1E+20";
  }
  void signedText() {
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(signedDecimalText(value), text);
  }

  void valueDisplay_data() {
    QTest::addColumn<float>("y");
    QTest::addColumn<QString>("shown");
    QTest::newRow("nine") << 9.0f << " 9";
    QTest::newRow("third") << (1.0f / 3.0f) << " .333";
    QTest::newRow("minus third cut down") << (-1.0f / 3.0f) << "-.334";
    QTest::newRow("exact thousandths stay") << 0.125f << " .125";
    QTest::newRow("zero") << 0.0f << " 0";
    QTest::newRow("tiny negative") << -0.0001f << "-.001";
    QTest::newRow("large") << 1234567.0f << " 1234567";
  }
  void valueDisplay() {
    QFETCH(float, y);
    QFETCH(QString, shown);
    QCOMPARE(signedDecimalText(valueCutToThousandths(y)), shown);
  }

  void readout_data() {
    QTest::addColumn<float>("x");
    QTest::addColumn<float>("y");
    QTest::addColumn<float>("markerLeft");
    QTest::addColumn<float>("markerTop");
    QTest::addColumn<double>("unitLength");
    QTest::addColumn<QString>("text");
    QTest::newRow("one and a half, minus a half") << 1.5f << -0.4995f << -0.1f << 0.1f << 1.0 << "( 1.5,-.5)";
    QTest::newRow("just left of and below the origin") << -0.0002f << -0.0002f << -0.1f << 0.1f << 1.0
                                                        << "(-.001,-.001)";
    QTest::newRow("unit length two") << 3.0f << 1.5005f << -0.1f << 0.1f << 2.0 << "( 1.5, .75)";
    QTest::newRow("moved origin") << 1.0f << 1.0005f << 0.9f << 1.1f << 1.0 << "( 0, 0)";
  }
  void readout() {
    QFETCH(float, x);
    QFETCH(float, y);
    QFETCH(float, markerLeft);
    QFETCH(float, markerTop);
    QFETCH(double, unitLength);
    QFETCH(QString, text);
    QCOMPARE(readoutText(x, y, markerLeft, markerTop, unitLength), text);
  }
};

QTEST_APPLESS_MAIN(TestMainFields)
#include "tst_main_fields.moc"
