#include "CSleepController.h"
#include "QtCompat.h"
#include "SettingsFixture.h"

#include <QPushButton>
#include <QShortcut>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class tst_CSleepController : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { m_settings.reset(new SettingsFixture); }
    void init();
    void rules_data();
    void rules();
    void wakingInput_data();
    void wakingInput();
    void commands();

private:
    // A controller on the test's clocks, with an input at `inputAt` o'clock just now.
    CSleepController *make(const QTime &inputAt = QTime(12, 0));

    QScopedPointer<SettingsFixture> m_settings;
    QScopedPointer<CSleepController> m_sleep;
    qint64 m_now = 0; // ms
    QTime m_clockAtZero;
    bool m_critical = false;
};

void tst_CSleepController::init()
{
    m_sleep.reset();
    g_settings->m_sleepAfter = 0;
    g_settings->m_sleepBetween = SleepWindow();
    g_settings->m_wakeOnCritical = true;
    g_settings->m_sleepCommand.clear();
    g_settings->m_wakeCommand.clear();
    m_critical = false;
}

CSleepController *tst_CSleepController::make(const QTime &inputAt)
{
    m_sleep.reset(new CSleepController(nullptr));
    m_now = 0;
    m_clockAtZero = inputAt;
    m_sleep->m_now = [this] {
        return m_now;
    };
    m_sleep->m_timeOfDay = [this] {
        return m_clockAtZero.addMSecs(int(m_now % 86400000));
    };
    m_sleep->m_anyCritical = [this] {
        return m_critical;
    };
    m_sleep->noteInput();
    return m_sleep.data();
}

void tst_CSleepController::rules_data()
{
    QTest::addColumn<int>("sleepAfter");
    QTest::addColumn<QString>("between");
    QTest::addColumn<QTime>("inputAt");
    QTest::addColumn<int>("idle"); // s since then
    QTest::addColumn<bool>("critical");
    QTest::addColumn<bool>("dark");

    const QTime noon(12, 0);
    QTest::newRow("idle time not up") << 30 << "" << noon << 29 << false << false;
    QTest::newRow("idle time up") << 30 << "" << noon << 30 << false << true;
    QTest::newRow("no idle time") << 0 << "" << noon << 86000 << false << false;
    QTest::newRow("the dark hours begin")
        << 0 << "22:00-06:00" << QTime(21, 59, 50) << 11 << false << true;
    QTest::newRow("a wake at night, within a minute")
        << 0 << "22:00-06:00" << QTime(23, 59, 30) << 59 << false << false;
    QTest::newRow("a wake at night, a minute on")
        << 0 << "22:00-06:00" << QTime(23, 59, 30) << 60 << false << true;
    QTest::newRow("a wake at night lasts SleepAfter")
        << 300 << "22:00-06:00" << QTime(2, 0) << 299 << false << false;
    QTest::newRow("the dark hours end")
        << 0 << "22:00-06:00" << QTime(5, 59) << 120 << false << false;
    QTest::newRow("day, with dark hours") << 0 << "22:00-06:00" << noon << 3600 << false << false;
    QTest::newRow("Critical keeps it lit") << 30 << "" << noon << 60 << true << false;
    QTest::newRow("Critical, in the dark hours")
        << 0 << "22:00-06:00" << QTime(23, 0) << 600 << true << false;
}

void tst_CSleepController::rules()
{
    QFETCH(int, sleepAfter);
    QFETCH(QString, between);
    QFETCH(QTime, inputAt);
    QFETCH(int, idle);
    QFETCH(bool, critical);
    QFETCH(bool, dark);

    g_settings->m_sleepAfter = sleepAfter;
    g_settings->m_sleepBetween = sleepWindowFromText(between);
    CSleepController *sleep = make(inputAt);
    QSignalSpy changes(sleep, SIGNAL(darkChanged(bool)));
    m_critical = critical;
    m_now = idle * 1000LL;
    sleep->evaluate();
    QCOMPARE(sleep->isDark(), dark);
    QCOMPARE(changes.count(), dark ? 1 : 0);

    // Without WakeOnCritical a Critical sensor keeps nothing lit.
    g_settings->m_wakeOnCritical = false;
    m_critical = true;
    sleep->evaluate();
    QCOMPARE(sleep->isDark(), dark || critical);
}

void tst_CSleepController::wakingInput_data()
{
    QTest::addColumn<QString>("input");
    QTest::newRow("mouse") << "mouse";
    QTest::newRow("touch") << "touch";
    QTest::newRow("key") << "key";
}

// The first input wakes the panel and does nothing else; the next one does what it always does.
void tst_CSleepController::wakingInput()
{
    QFETCH(QString, input);
    QWidget window;
    auto *button = new QPushButton(QStringLiteral("press"), &window);
    button->setGeometry(0, 0, 200, 100);
    auto *shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), &window);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QWindow *handle = window.windowHandle();
    QtCompat::TouchDevice *touchScreen = QTest::createTouchDevice();
    const QPoint at(100, 50);
    QSignalSpy clicks(button, SIGNAL(clicked()));
    QSignalSpy shortcuts(shortcut, SIGNAL(activated()));

    g_settings->m_sleepAfter = 1;
    CSleepController *sleep = make();
    m_now = 1000;
    sleep->evaluate();
    QVERIFY(sleep->isDark());
    QTest::mouseMove(handle, at + QPoint(20, 20));
    QVERIFY(sleep->isDark()); // a movement wakes nothing

    for (int round = 0; round < 2; ++round) {
        if (input == QLatin1String("mouse")) {
            QTest::mouseClick(handle, Qt::LeftButton, Qt::NoModifier, at);
        } else if (input == QLatin1String("touch")) {
            QTest::touchEvent(handle, touchScreen).press(0, at, handle);
            QTest::touchEvent(handle, touchScreen).release(0, at, handle);
        } else {
            QTest::keyClick(handle, Qt::Key_S, Qt::ControlModifier);
        }
        QVERIFY(!sleep->isDark());
        QTRY_COMPARE(clicks.count() + shortcuts.count(), round);
    }
}

// The commands run, without a shell and without waiting: one that hangs holds up nothing and is
// killed in the end; one that cannot start is said and forgotten.
void tst_CSleepController::commands()
{
    QTemporaryDir dir;
    g_settings->m_sleepAfter = 1;
    g_settings->m_sleepCommand = QStringLiteral("touch \"%1/dark one\"").arg(dir.path());
    g_settings->m_wakeCommand = QStringLiteral("touch %1/lit").arg(dir.path());
    CSleepController *sleep = make();
    m_now = 1000;
    sleep->evaluate();
    QTRY_VERIFY(QFile::exists(dir.filePath("dark one")));
    m_critical = true;
    sleep->evaluate();
    QTRY_VERIFY(QFile::exists(dir.filePath("lit")));

    g_settings->m_sleepCommand = QStringLiteral("sleep 30");
    g_settings->m_wakeCommand = QStringLiteral("/nonexistent/wake");
    sleep->m_commandTimeout = 2000;
    m_critical = false;
    QElapsedTimer took;
    took.start();
    sleep->evaluate();
    QVERIFY(sleep->isDark());
    QVERIFY2(took.elapsed() < 500, qPrintable(QString::number(took.elapsed())));
    m_critical = true;
    sleep->evaluate();
    QVERIFY(!sleep->isDark());
    QTRY_COMPARE_WITH_TIMEOUT(sleep->findChildren<QProcess *>().size(), 0, 10000);
}

QTEST_MAIN(tst_CSleepController)
#include "tst_csleepcontroller.moc"
