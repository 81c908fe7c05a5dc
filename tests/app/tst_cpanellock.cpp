#include "CPanelLock.h"
#include "ModalDriver.h"
#include "SettingsFixture.h"

#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

class tst_CPanelLock : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { m_settings.reset(new SettingsFixture); }
    void unlock_data();
    void unlock();
    void lockOut();

private:
    // Opens the lock, typing `keys` on the keypad if it comes: digits, "<" the back key; then
    // `finish`. Buttons are tapped, or with `keyboard` keys pressed. *asked: whether it came.
    bool tryPin(const QString &keys, const QString &finish = "ok", bool keyboard = false,
                bool *asked = nullptr);

    QScopedPointer<SettingsFixture> m_settings;
    QWidget m_panel;
    CPanelLock m_lock{&m_panel};
};

bool tst_CPanelLock::tryPin(const QString &keys, const QString &finish, bool keyboard, bool *asked)
{
    bool came = false, digitShown = false;
    whenModal<CPinKeypad>(
        [&](CPinKeypad *pad) {
            came = true;
            for (const QChar key : keys) {
                if (keyboard)
                    QTest::keyClick(pad, key == '<' ? Qt::Key_Backspace : Qt::Key(key.unicode()));
                else
                    pad->findChild<QPushButton *>(key == '<' ? "keyBack" : "key" + QString(key))
                        ->click();
                for (const QLabel *label : pad->findChildren<QLabel *>())
                    digitShown |= label->text().contains(QRegularExpression("\\d"));
            }
            if (finish == QLatin1String("ok"))
                pad->findChild<QPushButton *>("keyOk")->click();
            if (finish == QLatin1String("enter"))
                QTest::keyClick(pad, Qt::Key_Return);
            if (finish == QLatin1String("cancel"))
                pad->findChild<QPushButton *>("keyCancel")->click();
            if (finish == QLatin1String("escape"))
                QTest::keyClick(pad, Qt::Key_Escape);
        },
        300);
    const bool open = m_lock.unlock();
    if (!came)
        QTest::qWait(320); // the driver gives up
    if (asked)
        *asked = came;
    [&] {
        QVERIFY(!digitShown);
    }();
    return open;
}

void tst_CPanelLock::unlock_data()
{
    QTest::addColumn<QString>("pin");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("finish"); // "ok", "enter", "cancel", "escape" or "wait"
    QTest::addColumn<bool>("keyboard");
    QTest::addColumn<bool>("open");
    QTest::addColumn<bool>("asked");

    QTest::newRow("no PIN asks nothing") << ""
                                         << ""
                                         << "ok" << false << true << false;
    QTest::newRow("right") << "2468"
                           << "2468"
                           << "ok" << false << true << true;
    QTest::newRow("right from the keyboard") << "2468"
                                             << "2468"
                                             << "enter" << true << true << true;
    QTest::newRow("mended with back") << "2468"
                                      << "2469<8"
                                      << "ok" << false << true << true;
    QTest::newRow("back from the keyboard") << "2468"
                                            << "23<468"
                                            << "enter" << true << true << true;
    QTest::newRow("wrong") << "2468"
                           << "1357"
                           << "ok" << false << false << true;
    QTest::newRow("a prefix") << "24680"
                              << "2468"
                              << "ok" << false << false << true;
    QTest::newRow("longer") << "2468"
                            << "24680"
                            << "ok" << false << false << true;
    QTest::newRow("cut at twelve digits") << "012345678901"
                                          << "0123456789012"
                                          << "ok" << false << true << true;
    QTest::newRow("cancelled") << "2468"
                               << "2468"
                               << "cancel" << false << false << true;
    QTest::newRow("escape") << "2468"
                            << "2468"
                            << "escape" << true << false << true;
    QTest::newRow("timed out") << "2468"
                               << "2468"
                               << "wait" << false << false << true;
}

void tst_CPanelLock::unlock()
{
    QFETCH(QString, pin);
    QFETCH(QString, keys);
    QFETCH(QString, finish);
    QFETCH(bool, keyboard);
    QFETCH(bool, open);
    QFETCH(bool, asked);

    g_settings->m_setupPin = pin;
    m_lock.m_keypadTimeout = 200;
    bool came = false;
    QCOMPARE(tryPin(keys, finish, keyboard, &came), open);
    QCOMPARE(came, asked);
}

// Five wrong PINs in a row, and the lock asks nothing until the lock-out is over; a right one in
// between starts the count again, and cancelling counts for nothing.
void tst_CPanelLock::lockOut()
{
    g_settings->m_setupPin = QStringLiteral("2468");
    m_lock.m_keypadTimeout = CPinKeypad::IdleTimeout;
    m_lock.m_lockOut = 1000;
    for (int i = 0; i < CPanelLock::MaxTries - 1; ++i)
        QVERIFY(!tryPin("1111"));
    QVERIFY(!tryPin("2468", "cancel"));
    QVERIFY(tryPin("2468"));
    bool asked = false;
    for (int i = 0; i < CPanelLock::MaxTries; ++i) {
        QVERIFY(!tryPin("1111", "ok", false, &asked));
        QVERIFY(asked);
    }
    QVERIFY(!tryPin("2468", "ok", false, &asked));
    QVERIFY(!asked);
    QTest::qWait(m_lock.m_lockOut);
    QVERIFY(tryPin("2468", "ok", false, &asked));
    QVERIFY(asked);
}

QTEST_MAIN(tst_CPanelLock)
#include "tst_cpanellock.moc"
