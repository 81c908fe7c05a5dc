#include "CSettings.h"
#include "CSetupColorDlg.h"
#include "ModalDriver.h"
#include "TestSupport.h"

#include <QColorDialog>
#include <QScopedPointer>
#include <QTest>

class tst_CSetupColorDlg : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void buttonsShowTheScheme();
    void onlyValueAndUnitOffered();
    void picker_data();
    void picker();

private:
    QScopedPointer<QTemporaryDir> m_config;
};

namespace {

QColor buttonColor(const QPushButton *button)
{
    return button->palette().color(QPalette::Active, QPalette::Button);
}

// A scheme in which every colour differs, so a button showing the wrong key is caught.
void paintDistinctScheme(CColorSettings &scheme)
{
    for (int i = 0; i < int(g_colorKeys.size()); ++i)
        scheme.*g_colorKeys[i].member = QColor(10 + i, 100 + i, 200 - i);
}

} // namespace

void tst_CSetupColorDlg::initTestCase()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Tovald GmbH"));
    m_config.reset(TestSupport::useThrowawayConfig());
}

void tst_CSetupColorDlg::init()
{
    g_settings = new CSettings(QString());
}

void tst_CSetupColorDlg::cleanup()
{
    delete g_settings;
    g_settings = nullptr;
}

void tst_CSetupColorDlg::buttonsShowTheScheme()
{
    paintDistinctScheme(g_settings->m_colors[1][2]);
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
            paintDistinctScheme(g_settings->m_colors[row][column]);
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
    paintDistinctScheme(untouched);
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
