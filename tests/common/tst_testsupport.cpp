#include "TestSupport.h"

#include <QTest>

// The shared test support itself: a connection that cannot be made fails the running test.
class tst_TestSupport : public QObject
{
    Q_OBJECT

private slots:
    void failedConnectionFails_data();
    void failedConnectionFails();
};

namespace {

// A form whose on_..._clicked slot names a button it does not have, as after renaming the button.
class RenamedButtonForm : public QObject
{
    Q_OBJECT

public slots:
    void on_pushButtonRemove_clicked() {}
};

} // namespace

void tst_TestSupport::failedConnectionFails_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("no such signal") << 0;
    QTest::newRow("no such slot") << 1;
    QTest::newRow("cannot connect") << 2;
    QTest::newRow("no matching signal for a slot by name") << 3;
}

void tst_TestSupport::failedConnectionFails()
{
    QFETCH(int, kind);
    // The test's own handler, made first, still sees every message.
    TestSupport::DebugLog log;
    TestSupport::ConnectCheck check;

    QObject object;
    QObject *nowhere = nullptr;
    RenamedButtonForm form;
    QEXPECT_FAIL("", "the check fails the test on the warning", Continue);
    switch (kind) {
    case 0:
        QObject::connect(&object, SIGNAL(renamed()), &object, SLOT(deleteLater()));
        break;
    case 1:
        QObject::connect(&object, SIGNAL(destroyed()), &object, SLOT(renamed()));
        break;
    case 2:
        QObject::connect(nowhere, SIGNAL(destroyed()), &object, SLOT(deleteLater()));
        break;
    case 3:
        QMetaObject::connectSlotsByName(&form);
        break;
    }
    QCOMPARE(log.lines().size(), 1);
    QVERIFY(TestSupport::ConnectCheck::isConnectFailure(log.lines().first()));
}

QTEST_GUILESS_MAIN(tst_TestSupport)
#include "tst_testsupport.moc"
