// The keyboard and the window around the canvas: the tab order, Esc and
// Enter in the secondary windows, Qt's own texts in Chinese, the frame over
// the available screen area, and the settings window with its remembered
// preferences.
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>
#include <memory>

#include "support/recording_messages.h"
#include "ui/export/saveform.h"
#include "ui/export/write_layer.h"
#include "ui/main/form1.h"
#include "ui/main/frame_fit.h"
#include "ui/main/qt_translations.h"
#include "ui/main/reading_order.h"
#include "ui/settings/preferences.h"
#include "ui/settings/settings_window.h"

using namespace norvale;

namespace {

struct Window {
  RecordingMessages messages;
  std::unique_ptr<Form1> form;

  explicit Window(Preferences* preferences = nullptr) {
    Form1::Options options;
    options.screen = QSize(1024, 768);
    options.programFolder = QStringLiteral(NORVALE_RESOURCES_DIR);
    options.messages = &messages;
    options.preferences = preferences;
    form = std::make_unique<Form1>(options);
  }
  template <typename T = QWidget>
  T* get(const char* name) const {
    T* child = form->findChild<T*>(QString::fromLatin1(name));
    if (!child) qFatal("no control %s", name);
    return child;
  }
  void showActive() {
    form->show();
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
  }
};

QStringList names(const QList<QWidget*>& widgets) {
  QStringList out;
  for (const QWidget* w : widgets) out << w->objectName();
  return out;
}

const QStringList READING_ORDER{"Command1", "Text1", "Text2", "Command2", "Command7", "CommandSettings", "Command10",
                                "Command3", "Text3", "Command8", "Command6", "Command9", "Command4", "Command11", "Command5"};

}  // namespace

class TestWindowKeys : public QObject {
  Q_OBJECT

 private slots:
  void tabFollowsReadingOrder() {
    Window w;
    QCOMPARE(names(readingOrder(*w.form)), READING_ORDER);
    // Real Tab presses walk the same way round, and Shift+Tab back.
    w.showActive();
    w.get(READING_ORDER.first().toLatin1().constData())->setFocus();
    QStringList visited{QApplication::focusWidget()->objectName()};
    for (qsizetype i = 1; i < READING_ORDER.size(); ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      visited << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(visited, READING_ORDER);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget()->objectName(), READING_ORDER.at(READING_ORDER.size() - 2));
  }

  void addedControlsFallIntoPlace_data() {
    QTest::addColumn<QString>("after");  // the control the new button must follow
    QTest::addColumn<bool>("controlRow");
    QTest::addColumn<int>("dx");         // offset from the right of `after`
    QTest::newRow("control row, after clear") << "Command4" << true << 6;
    QTest::newRow("control row, after draw") << "Command3" << true << 2;
    QTest::newRow("top row, after colour") << "Command7" << false << 8;
  }
  void addedControlsFallIntoPlace() {
    QFETCH(QString, after);
    QFETCH(bool, controlRow);
    QFETCH(int, dx);
    Window w;
    // State: a button added after start-up, beside another, a few pixels lower.
    QWidget* anchor = w.get(after.toLatin1().constData());
    auto* extra = new QPushButton(QStringLiteral("分析"), w.form.get());
    extra->setObjectName(QStringLiteral("Extra"));
    extra->setGeometry(anchor->geometry().right() + dx, anchor->y() + 3, 40, anchor->height());
    // Action: the window is shown. Expected: the button sits right after its anchor.
    w.showActive();
    QStringList want = READING_ORDER;
    want.insert(want.indexOf(after) + 1, QStringLiteral("Extra"));
    QCOMPARE(names(readingOrder(*w.form)), want);
    anchor->setFocus();
    QTest::keyClick(anchor, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), extra);
    QCOMPARE(w.get("Command5")->y() > extra->y(), !controlRow);
  }

  void escClosesTheHelpWindow() {
    Window w;
    w.showActive();
    QTest::mouseClick(w.get<QPushButton>("Command10"), Qt::LeftButton);
    HelpWindow* help = w.form->helpWindow();
    QVERIFY(help && help->isVisible());
    help->activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), help);
    QTest::keyClick(help->browser(), Qt::Key_Escape);
    QVERIFY(!help->isVisible());
    // The main window stays.
    QVERIFY(w.form->isVisible());
  }

  void saveWindowKeys_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("written");
    QTest::newRow("Enter saves") << int(Qt::Key_Return) << true;
    QTest::newRow("keypad Enter saves") << int(Qt::Key_Enter) << true;
    QTest::newRow("Esc cancels") << int(Qt::Key_Escape) << false;
  }
  void saveWindowKeys() {
    QFETCH(int, key);
    QFETCH(bool, written);
    QTemporaryDir dir;
    RecordingMessages messages;
    WriteLayer writer;
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QPointer<SaveForm> form = new SaveForm([picture] { return picture; }, messages, writer, dir.path());
    form->show();
    form->activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), form.data());
    // Action: type a name and press the key in the name field.
    form->Text1->selectAll();
    QTest::keyClicks(form->Text1, QStringLiteral("keys.bmp"));
    QTest::keyClick(form->Text1, Qt::Key(key));
    // Expected: the window closed either way; the file exists only after Enter.
    QTRY_VERIFY(form.isNull() || !form->isVisible());
    QCOMPARE(QFile::exists(dir.filePath(QStringLiteral("keys.bmp"))), written);
    if (written) QCOMPARE(QImage(dir.filePath(QStringLiteral("keys.bmp"))).size(), picture.size());
    QVERIFY(messages.empty());
    delete form.data();
  }

  void failedEnterKeepsTheSaveWindow() {
    QTemporaryDir dir;
    RecordingMessages messages;
    WriteLayer writer;
    SaveForm form([] { return QImage(4, 4, QImage::Format_RGB32); }, messages, writer, dir.path());
    form.setAttribute(Qt::WA_DeleteOnClose, false);
    form.show();
    form.Text1->clear();
    QTest::keyClick(form.Text1, Qt::Key_Return);
    QCOMPARE(messages.count(), std::size_t{1});
    QCOMPARE(QString::fromStdString(messages.last().text), QStringLiteral("存盘错误!"));
    QVERIFY(form.isVisible());
  }

  void qtTextsInChinese() {
    QTranslator translator;
    QVERIFY2(installQtTranslation(*QCoreApplication::instance(), translator),
             qPrintable(qtTranslationsFolder()));
    QMessageBox box(QMessageBox::Warning, QStringLiteral("提示"), QStringLiteral("存盘错误!"), QMessageBox::Ok);
    QCOMPARE(box.button(QMessageBox::Ok)->text(), QStringLiteral("确定"));
    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QCOMPARE(buttons.button(QDialogButtonBox::Ok)->text(), QStringLiteral("确定"));
    QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("取消"));
    QCoreApplication::removeTranslator(&translator);
    QDialogButtonBox english(QDialogButtonBox::Ok);
    QCOMPARE(english.button(QDialogButtonBox::Ok)->text(), QStringLiteral("OK"));
  }

  void missingTranslationKeepsEnglish() {
    QTemporaryDir empty;
    QTranslator translator;
    QVERIFY(!installQtTranslation(*QCoreApplication::instance(), translator, empty.path()));
    QDialogButtonBox buttons(QDialogButtonBox::Ok);
    QCOMPARE(buttons.button(QDialogButtonBox::Ok)->text(), QStringLiteral("OK"));
  }

  void clientRectLeavesRoomForTheFrame_data() {
    QTest::addColumn<QRect>("area");
    QTest::addColumn<QMargins>("frame");
    QTest::addColumn<QRect>("client");
    QTest::newRow("no window manager") << QRect(0, 0, 1366, 768) << QMargins() << QRect(0, 0, 1366, 768);
    QTest::newRow("title bar and borders") << QRect(0, 0, 1366, 768) << QMargins(1, 20, 1, 5)
                                           << QRect(1, 20, 1364, 743);
    QTest::newRow("panel on the left") << QRect(64, 0, 1856, 1080) << QMargins(4, 30, 4, 4)
                                       << QRect(68, 30, 1848, 1046);
  }
  void clientRectLeavesRoomForTheFrame() {
    QFETCH(QRect, area);
    QFETCH(QMargins, frame);
    QFETCH(QRect, client);
    QCOMPARE(clientRectFor(area, frame), client);
    QCOMPARE(client.marginsAdded(frame), area);
  }

  void frameCoversTheAvailableArea() {
    // The program's own start: the primary screen's available area.
    RecordingMessages messages;
    Form1::Options options;
    options.messages = &messages;
    Form1 form(options);
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    new FrameFit(form, area);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.frameGeometry(), area);
    // The control strip lies inside the window.
    QVERIFY(form.findChild<QWidget*>(QStringLiteral("Picture4"))->geometry().bottom() < form.height());
  }

  void settingsButtonBesideHelp() {
    Window w;
    const QRect help = w.get("Command10")->geometry();
    const QRect settings = w.get("CommandSettings")->geometry();
    QCOMPARE(w.get<QPushButton>("CommandSettings")->text(), QStringLiteral("设置"));
    QCOMPARE(settings.size(), help.size());
    QCOMPARE(settings.y(), help.y());
    QVERIFY(settings.right() < help.left() && help.left() - settings.right() <= 10);
    QVERIFY(settings.left() > w.get("Command7")->geometry().right());
    // The help button still opens the help.
    QTest::mouseClick(w.get<QPushButton>("Command10"), Qt::LeftButton);
    QVERIFY(w.form->helpWindow()->isVisible());
    QVERIFY(!w.form->settingsWindow());
  }

  void settingsRememberedBetweenRuns_data() {
    QTest::addColumn<bool>("byKey");
    QTest::addColumn<QString>("close");  // how the window is left
    QTest::addColumn<bool>("kept");
    QTest::newRow("button, 确定") << false << "ok" << true;
    QTest::newRow("Ctrl+comma, 确定") << true << "ok" << true;
    QTest::newRow("button, 取消") << false << "cancel" << false;
    QTest::newRow("Ctrl+comma, Esc") << true << "escape" << false;
  }
  void settingsRememberedBetweenRuns() {
    QFETCH(bool, byKey);
    QFETCH(QString, close);
    QFETCH(bool, kept);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("norvale.ini"));
    {
      Preferences preferences(Preferences::fileStore(file));
      QVERIFY(preferences.antialiased());  // smooth by default
      Window w(&preferences);
      QVERIFY(w.form->canvas().antialiased());
      w.showActive();
      // Action: open the settings, switch antialiasing off, leave.
      if (byKey) {
        QTest::keyClick(w.form.get(), Qt::Key_Comma, Qt::ControlModifier);
      } else {
        QTest::mouseClick(w.get<QPushButton>("CommandSettings"), Qt::LeftButton);
      }
      SettingsWindow* settings = w.form->settingsWindow();
      QVERIFY(settings && settings->isVisible());
      QCOMPARE(settings->windowTitle(), QStringLiteral("设置"));
      QVERIFY(settings->antialiasBox()->isChecked());
      settings->antialiasBox()->click();
      QPointer<SettingsWindow> guard(settings);
      if (close == QLatin1String("ok")) {
        settings->buttons()->button(QDialogButtonBox::Ok)->click();
      } else if (close == QLatin1String("cancel")) {
        settings->buttons()->button(QDialogButtonBox::Cancel)->click();
      } else {
        settings->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), settings);
        QTest::keyClick(settings->antialiasBox(), Qt::Key_Escape);
      }
      QTRY_VERIFY(guard.isNull() || !guard->isVisible());
      // Expected: the canvas draws as chosen, at once.
      QCOMPARE(w.form->canvas().antialiased(), !kept);
      QCOMPARE(preferences.antialiased(), !kept);
      QVERIFY(w.messages.empty());
      // Opening again shows what holds now.
      w.form->openSettings();
      QCOMPARE(w.form->settingsWindow()->antialiasBox()->isChecked(), !kept);
    }
    // The next run starts with it.
    Preferences next(Preferences::fileStore(file));
    QCOMPARE(next.antialiased(), !kept);
    Window w(&next);
    QCOMPARE(w.form->canvas().antialiased(), !kept);
  }

  void damagedStoreReadsDefaults_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("antialiased");
    QTest::newRow("off") << QByteArray("[drawing]\nantialiased=false\n") << false;
    QTest::newRow("on") << QByteArray("[drawing]\nantialiased=true\n") << true;
    QTest::newRow("a word") << QByteArray("[drawing]\nantialiased=banana\n") << true;
    QTest::newRow("a number") << QByteArray("[drawing]\nantialiased=0\n") << true;
    QTest::newRow("empty value") << QByteArray("[drawing]\nantialiased=\n") << true;
    QTest::newRow("binary junk") << QByteArray("\x00\xff\xfe[[[=\n\x01", 9) << true;
    QTest::newRow("empty file") << QByteArray() << true;
  }
  void damagedStoreReadsDefaults() {
    QFETCH(QByteArray, content);
    QFETCH(bool, antialiased);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("norvale.ini"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
    f.close();
    Preferences preferences(Preferences::fileStore(path));
    QCOMPARE(preferences.antialiased(), antialiased);
  }

  void unwritableStoreIsTold() {
    QTemporaryDir dir;
    // A store inside a path that runs through a regular file cannot be written, not even by root.
    QFile plain(dir.filePath(QStringLiteral("plainfile")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    Preferences preferences(Preferences::fileStore(dir.filePath(QStringLiteral("plainfile/norvale.ini"))));
    Window w(&preferences);
    w.form->openSettings();
    SettingsWindow* settings = w.form->settingsWindow();
    settings->antialiasBox()->click();
    settings->buttons()->button(QDialogButtonBox::Ok)->click();
    // Expected: the choice holds for this run, and the user is told it will not last.
    QVERIFY(!w.form->canvas().antialiased());
    QCOMPARE(w.messages.count(), std::size_t{1});
    QCOMPARE(w.messages.last().text, std::string(SETTINGS_SAVE_ERROR));
    QCOMPARE(w.messages.last().icon, MessageIcon::Warning);
  }

  void withoutStoreNothingIsWritten() {
    Preferences preferences;
    QVERIFY(preferences.location().isEmpty());
    preferences.setAntialiased(false);
    QVERIFY(preferences.save());
    Window w;  // no preferences handed in: defaults in memory
    QVERIFY(w.form->preferences().location().isEmpty());
    QVERIFY(w.form->canvas().antialiased());
  }
};

QTEST_MAIN(TestWindowKeys)
#include "tst_window_keys.moc"
