#include "CSleepController.h"
#include "QtCompat.h"
#include "SettingsFixture.h"

#include <QPushButton>
#include <QShortcut>
#include <QSignalSpy>
#include <QTest>

class tst_CSleepController : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { m_settings.reset(new SettingsFixture); }
    void rules_data();
    void rules();
    void wakingInput_data();
    void wakingInput();
    void commands();

private:
    // A controller on the test's clocks, after an input at `inputAt` o'clock, m_now ms ago.
    CSleepController *make(int sleepAfter, const QString &between = QString(),
                           const QTime &inputAt = QTime(12, 0))
    {
        g_settings->m_sleepAfter = sleepAfter;
        g_settings->m_sleepBetween = sleepWindowFromText(between);
        m_sleep.reset(new CSleepController(nullptr));
        m_now = 0;
        m_sleep->m_now = [this] {
            return m_now;
        };
        m_sleep->m_timeOfDay = [this, inputAt] {
            return inputAt.addMSecs(int(m_now));
        };
        m_sleep->m_anyCritical = [this] {
            return m_critical;
        };
        m_sleep->noteInput();
        m_critical = false;
        return m_sleep.data();
    }

    QScopedPointer<SettingsFixture> m_settings;
    QScopedPointer<CSleepController> m_sleep;
    qint64 m_now = 0;
    bool m_critical = false;
};

void tst_CSleepController::rules_data()
{
    QTest::addColumn<int>("sleepAfter");
    QTest::addColumn<QString>("between");
    QTest::addColumn<QTime>("inputAt");
    QTest::addColumn<int>("idle"); // s since then
    QTest::addColumn<bool>("critical");
    QTest::addColumn<bool>("dark");
    const QTime noon(12, 0), night(23, 59, 30);
    const QString hours = QStringLiteral("22:00-06:00");
    QTest::newRow("idle time not up") << 30 << "" << noon << 29 << false << false;
    QTest::newRow("idle time up") << 30 << "" << noon << 30 << false << true;
    QTest::newRow("no idle time") << 0 << "" << noon << 86000 << false << false;
    QTest::newRow("the dark hours begin") << 0 << hours << QTime(21, 59, 50) << 11 << false << true;
    QTest::newRow("a wake at night, within a minute")
        << 0 << hours << night << 59 << false << false;
    QTest::newRow("a wake at night, a minute on") << 0 << hours << night << 60 << false << true;
    QTest::newRow("a wake at night lasts SleepAfter")
        << 300 << hours << night << 299 << false << false;
    QTest::newRow("the dark hours end") << 0 << hours << QTime(5, 59) << 120 << false << false;
    QTest::newRow("Critical keeps it lit") << 30 << "" << noon << 60 << true << false;
    QTest::newRow("Critical, in the dark hours") << 0 << hours << night << 600 << true << false;
}

void tst_CSleepController::rules()
{
    QFETCH(int, sleepAfter);
    QFETCH(QString, between);
    QFETCH(QTime, inputAt);
    QFETCH(int, idle);
    QFETCH(bool, critical);
    QFETCH(bool, dark);
    CSleepController *sleep = make(sleepAfter, between, inputAt);
    QSignalSpy changes(sleep, SIGNAL(darkChanged(bool)));
    m_critical = critical;
    m_now = idle * 1000LL;
    sleep->evaluate();
    QCOMPARE(sleep->isDark(), dark);
    QCOMPARE(changes.count(), int(dark));
    // Without WakeOnCritical a Critical sensor keeps nothing lit.
    g_settings->m_wakeOnCritical = false;
    m_critical = true;
    sleep->evaluate();
    g_settings->m_wakeOnCritical = true;
    QCOMPARE(sleep->isDark(), dark || critical);
}

void tst_CSleepController::wakingInput_data()
{
    QTest::addColumn<QString>("input");
    QTest::newRow("mouse") << "mouse";
    QTest::newRow("touch") << "touch";
    QTest::newRow("key") << "key";
}

// The first input wakes the panel and does nothing else; the next does what it always does.
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
    QSignalSpy clicks(button, SIGNAL(clicked())), shortcuts(shortcut, SIGNAL(activated()));

    CSleepController *sleep = make(1);
    m_now = 1000;
    sleep->evaluate();
    QTest::mouseMove(handle, QPoint(120, 70));
    QVERIFY(sleep->isDark()); // a movement wakes nothing
    for (int round = 0; round < 2; ++round) {
        if (input == QLatin1String("mouse")) {
            QTest::mouseClick(handle, Qt::LeftButton, Qt::NoModifier, QPoint(100, 50));
        } else if (input == QLatin1String("touch")) {
            QTest::touchEvent(handle, touchScreen).press(0, {100, 50}, handle);
            QTest::touchEvent(handle, touchScreen).release(0, {100, 50}, handle);
        } else {
            QTest::keyClick(handle, Qt::Key_S, Qt::ControlModifier);
        }
        QVERIFY(!sleep->isDark());
        QTRY_COMPARE(clicks.count() + shortcuts.count(), round);
    }
}

// The commands run without a shell and without waiting: one that hangs holds up nothing and is
// killed in the end; one that cannot start is said and forgotten.
void tst_CSleepController::commands()
{
    QTemporaryDir dir;
    const QString command = '"' + QCoreApplication::applicationDirPath() + "/brimo-testcommand\"";
    g_settings->m_sleepCommand = command + QStringLiteral(" touch \"%1/dark one\"").arg(dir.path());
    g_settings->m_wakeCommand = command + QStringLiteral(" touch %1/lit").arg(dir.path());
    CSleepController *sleep = make(1);
    m_now = 1000;
    sleep->evaluate();
    QTRY_VERIFY(QFile::exists(dir.filePath("dark one")));
    m_critical = true;
    sleep->evaluate();
    QTRY_VERIFY(QFile::exists(dir.filePath("lit")));

    g_settings->m_sleepCommand = command + QStringLiteral(" sleep 30");
    g_settings->m_wakeCommand = QStringLiteral("/nonexistent/wake");
    sleep->m_commandTimeout = 2000;
    m_critical = false;
    QElapsedTimer took;
    took.start();
    sleep->evaluate();
    QVERIFY2(sleep->isDark() && took.elapsed() < 500, qPrintable(QString::number(took.elapsed())));
    m_critical = true;
    sleep->evaluate();
    QTRY_COMPARE_WITH_TIMEOUT(sleep->findChildren<QProcess *>().size(), 0, 10000);
}

QTEST_MAIN(tst_CSleepController)
#include "tst_csleepcontroller.moc"
