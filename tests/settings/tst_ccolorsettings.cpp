#include "CColorSettings.h"
#include "TestSupport.h"

#include <QSet>
#include <QTest>

class tst_CColorSettings : public QObject
{
    Q_OBJECT

private slots:
    void tableCoversEveryMemberOnce();
    void defaults();
    void initDebugLine();
};

void tst_CColorSettings::tableCoversEveryMemberOnce()
{
    // Writing a distinct colour through each table entry must land in 48 distinct members.
    CColorSettings scheme;
    QSet<QString> keys;
    for (int i = 0; i < int(g_colorKeys.size()); ++i) {
        keys << QLatin1String(g_colorKeys[i].key);
        scheme.*g_colorKeys[i].member = QColor(i, 0, 0);
    }
    QCOMPARE(keys.size(), 48);
    for (int i = 0; i < int(g_colorKeys.size()); ++i)
        QCOMPARE(scheme.*g_colorKeys[i].member, QColor(i, 0, 0));
    QCOMPARE(scheme.m_temperatureHistoryNormalForeground, QColor(0, 0, 0));
    QCOMPARE(scheme.m_humidityValueWarningBackground, QColor(27, 0, 0));
    QCOMPARE(scheme.m_dewpointUnitCriticalBackground, QColor(47, 0, 0));
    QCOMPARE(QLatin1String(g_colorKeys[36].key), QLatin1String("DewpointValueNormalForeground"));
}

void tst_CColorSettings::defaults()
{
    const CColorSettings scheme;
    for (const CColorKey &entry : g_colorKeys) {
        const QString key = QLatin1String(entry.key);
        QColor expected = Qt::white;
        if (key.endsWith(QLatin1String("Background")))
            expected = Qt::black;
        else if (key.contains(QLatin1String("Critical")))
            expected = Qt::red;
        QCOMPARE(scheme.*entry.member, expected);
    }
}

void tst_CColorSettings::initDebugLine()
{
    TestSupport::DebugLog log;
    {
        CColorSettings a, b;
    }
    const QStringList &messages = log.lines();
    QCOMPARE(messages.size(), 2);
    QVERIFY(messages.at(0).startsWith(QLatin1String("init")));
    QVERIFY(messages.at(0).contains(QLatin1String("#ffffff")) ||
            messages.at(0).contains(QLatin1String("1, 1, 1")));
}

QTEST_APPLESS_MAIN(tst_CColorSettings)
#include "tst_ccolorsettings.moc"
