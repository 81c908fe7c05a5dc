#include "CSettings.h"
#include "CSetupColorDlg.h"
#include "ModalDriver.h"
#include "SettingsFixture.h"

#include <QColorDialog>
#include <QScopedPointer>
#include <QTest>

class tst_CSetupColorDlg : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void buttonsShowTheScheme();
    void onlyValueAndUnitOffered();
    void historyRowsWithTrends();
    void picker_data();
    void picker();

private:
    QScopedPointer<SettingsFixture> m_settings;
};

namespace {

QColor buttonColor(const QPushButton *button)
{
    return button->palette().color(QPalette::Active, QPalette::Button);
}

} // namespace

void tst_CSetupColorDlg::init()
{
    m_settings.reset(new SettingsFixture);
}

void tst_CSetupColorDlg::cleanup()
{
    m_settings.reset();
}

void tst_CSetupColorDlg::buttonsShowTheScheme()
{
    // Every colour differs, so a button showing the wrong key is caught.
    TestSupport::paintDistinctColors(g_settings->m_colors[1][2], 10);
    CSetupColorDlg dialog(1, 2, nullptr);
    for (const CColorKey &entry : g_colorKeys) {
        auto *button = dialog.findChild<QPushButton *>(colorButtonName(entry.key));
        QVERIFY(button);
        QCOMPARE(buttonColor(button), g_settings->m_colors[1][2].*entry.member);
        QCOMPARE(button->palette().color(QPalette::Disabled, QPalette::Button),
                 g_settings->m_colors[1][2].*entry.member);
        QVERIFY(button->isFlat());
        QVERIFY(button->autoFillBackground());
        QVERIFY(button->text().isEmpty());
    }
}

void tst_CSetupColorDlg::onlyValueAndUnitOffered()
{
    CSetupColorDlg dialog(0, 0, nullptr);
    dialog.show();
    QStringList visible;
    for (QPushButton *button : dialog.findChildren<QPushButton *>()) {
        if (button->objectName().startsWith(QLatin1String("pushButton")) && button->isVisible())
            visible << button->objectName();
    }
    QCOMPARE(visible.size(), 24);
    for (const QString &name : visible) {
        QVERIFY2(!name.contains(QLatin1String("Hist")), qPrintable(name));
        QVERIFY2(!name.contains(QLatin1String("Warn")), qPrintable(name));
    }
    QVERIFY(!dialog.label_4->isVisible()); // "Warning"
    QVERIFY(!dialog.label_14->isVisible());
    QVERIFY(!dialog.label->isVisible()); // "Sensor 1 history"
    QVERIFY(!dialog.label_2->isVisible());
    QVERIFY(dialog.label_6->isVisible()); // "Alarm"
    QVERIFY(dialog.label_11->isVisible());
    QVERIFY(dialog.buttonBox->isVisible());
}

void tst_CSetupColorDlg::historyRowsWithTrends()
{
    g_settings->m_showHistory = true;
    CSetupColorDlg dialog(0, 0, nullptr);
    dialog.show();
    QStringList visible;
    for (QPushButton *button : dialog.findChildren<QPushButton *>()) {
        if (button->objectName().startsWith(QLatin1String("pushButton")) && button->isVisible()) {
            visible << button->objectName();
            QVERIFY2(button->isEnabled(), qPrintable(button->objectName()));
        }
    }
    QCOMPARE(visible.size(), 32);
    QCOMPARE(visible.filter(QLatin1String("Hist")).size(), 8);
    QCOMPARE(visible.filter(QLatin1String("Warn")).size(), 0);
    QVERIFY(dialog.label->isVisible()); // "Sensor 1 history"
    QVERIFY(dialog.label_2->isVisible());
    QVERIFY(!dialog.label_4->isVisible()); // "Warning"
}

void tst_CSetupColorDlg::picker_data()
{
    QTest::addColumn<bool>("accept");
    QTest::newRow("accepted") << true;
    QTest::newRow("cancelled") << false;
}

void tst_CSetupColorDlg::picker()
{
    QFETCH(bool, accept);
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column)
            TestSupport::paintDistinctColors(g_settings->m_colors[row][column], 10);
    }
    const QColor before = g_settings->m_colors[2][1].m_humidityValueCriticalBackground;
    const QColor picked(1, 2, 3);
    CSetupColorDlg dialog(2, 1, nullptr);
    dialog.show();

    QColor offered;
    whenModal<QColorDialog>([&](QColorDialog *picker) {
        offered = picker->currentColor();
        picker->setCurrentColor(picked);
        if (accept)
            picker->accept();
        else
            picker->reject();
    });
    QTest::mouseClick(dialog.pushButtonHumiValuCritBack, Qt::LeftButton);
    QCOMPARE(offered, before);

    const QColor expected = accept ? picked : before;
    QCOMPARE(g_settings->m_colors[2][1].m_humidityValueCriticalBackground, expected);
    QCOMPARE(buttonColor(dialog.pushButtonHumiValuCritBack), expected);
    // Nothing else changed, in this slot or any other.
    CColorSettings untouched;
    TestSupport::paintDistinctColors(untouched, 10);
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            for (const CColorKey &entry : g_colorKeys) {
                if (row == 2 && column == 1 &&
                    entry.member == &CColorSettings::m_humidityValueCriticalBackground)
                    continue;
                QCOMPARE(g_settings->m_colors[row][column].*entry.member, untouched.*entry.member);
            }
        }
    }
}

QTEST_MAIN(tst_CSetupColorDlg)
#include "tst_csetupcolordlg.moc"
