#include "Announcement.h"
#include "CColorSettings.h"
#include "CSettings.h"
#include "CSetupColorDlg.h"
#include "CSetupDlg.h"
#include "ModalDriver.h"
#include "SettingsFixture.h"

#include <QColorDialog>
#include <QFile>
#include <QHeaderView>
#include <QScopedPointer>
#include <QScreen>
#include <QSettings>
#include <QTest>
#include <QUdpSocket>

class tst_CSetupDlg : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void opening_data();
    void opening();
    void hiddenWidgetsAndSort();
    void historyControlsWithTrends();
    void addIntoFreeSlot();
    void addWithoutDevice();
    void remove();
    void cellOptions_data();
    void cellOptions();
    void headerClickSortsAtOnce();
    void okAndCancel_data();
    void okAndCancel();
    void refreshValues_data();
    void refreshValues();
    void geometry_data();
    void geometry();
    void frameColor_data();
    void frameColor();
    void slotColors_data();
    void slotColors();

private:
    QScopedPointer<SettingsFixture> m_settings;
};

namespace {

void useSlot(int row, int column, const QString &host, DisplaySize sizes, quint8 flags)
{
    g_settings->m_host[row][column] = host;
    g_settings->m_displaySizes[row][column] = sizes;
    g_settings->m_enableFlags[row][column] = flags;
}

struct CellOptions
{
    int history, value, unit;
    quint8 flags;
};

CellOptions shownOptions(const CSetupDlg &dialog)
{
    const QCheckBox *const boxes[] = {dialog.checkBoxTempHist, dialog.checkBoxTempValu,
                                      dialog.checkBoxTempUnit, dialog.checkBoxHumiHist,
                                      dialog.checkBoxHumiValu, dialog.checkBoxHumiUnit,
                                      dialog.checkBoxDewpValu, dialog.checkBoxDewpUnit};
    quint8 flags = 0;
    for (int bit = 0; bit < 8; ++bit)
        flags |= boxes[bit]->isChecked() ? 1u << bit : 0u;
    return {dialog.spinSizeHistory->value(), dialog.spinSizeValue->value(),
            dialog.spinSizeUnit->value(), flags};
}

// Sizes 1, 3, 1 with only the temperature value and unit: what a free slot shows.
constexpr quint8 ResetFlags = EnableTemperatureValue | EnableTemperatureUnit;

} // namespace

#define COMPARE_OPTIONS(actual, h, v, u, f)                                                        \
    do {                                                                                           \
        const CellOptions shown = (actual);                                                        \
        QCOMPARE(shown.history, (h));                                                              \
        QCOMPARE(shown.value, (v));                                                                \
        QCOMPARE(shown.unit, (u));                                                                 \
        QCOMPARE(int(shown.flags), int(f));                                                        \
    } while (false)

void tst_CSetupDlg::initTestCase()
{
    REQUIRE_PRIVATE_NETWORK();
}

void tst_CSetupDlg::init()
{
    m_settings.reset(new SettingsFixture);
}

void tst_CSetupDlg::cleanup()
{
    m_settings.reset();
}

void tst_CSetupDlg::opening_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("history");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("unit");
    QTest::addColumn<int>("flags");
    QTest::addColumn<int>("shownHistory");
    QTest::addColumn<int>("shownValue");
    QTest::addColumn<int>("shownUnit");
    QTest::addColumn<int>("shownFlags");
    QTest::newRow("used") << "dev [10.0.0.7]" << 2 << 5 << 4 << 0xb6 << 2 << 5 << 4 << 0xb6;
    QTest::newRow("used, sizes out of range")
        << "dev [10.0.0.7]" << 0 << 150 << 7 << 0x01 << 1 << 99 << 7 << 0x01;
    QTest::newRow("free") << "" << 2 << 5 << 4 << 0xff << 1 << 3 << 1 << int(ResetFlags);
}

void tst_CSetupDlg::opening()
{
    QFETCH(QString, host);
    QFETCH(int, history);
    QFETCH(int, value);
    QFETCH(int, unit);
    QFETCH(int, flags);
    useSlot(0, 0, host, {history, value, unit}, quint8(flags));
    useSlot(2, 1, QStringLiteral("other [10.0.0.8]"), {}, 0);

    CSetupDlg dialog(nullptr);
    QCOMPARE(dialog.devTable->currentRow(), 0);
    QCOMPARE(dialog.devTable->currentColumn(), 0);
    QCOMPARE(dialog.devTable->item(0, 0)->text(), host);
    QCOMPARE(dialog.devTable->item(2, 1)->text(), QStringLiteral("other [10.0.0.8]"));
    QCOMPARE(dialog.devTable->item(1, 1)->text(), QString());
    QCOMPARE(dialog.pushButtonColors->isEnabled(), !host.isEmpty());
    QCOMPARE(dialog.pushButtonRemove->isEnabled(), !host.isEmpty());
    QFETCH(int, shownHistory);
    QFETCH(int, shownValue);
    QFETCH(int, shownUnit);
    QFETCH(int, shownFlags);
    COMPARE_OPTIONS(shownOptions(dialog), shownHistory, shownValue, shownUnit, shownFlags);

    // The clamped values are what the slot gets when its options are stored.
    dialog.devTable->setCurrentCell(1, 1);
    if (!host.isEmpty()) {
        const DisplaySize &stored = g_settings->m_displaySizes[0][0];
        QCOMPARE(stored.history, shownHistory);
        QCOMPARE(stored.value, shownValue);
        QCOMPARE(stored.unit, shownUnit);
    }
}

void tst_CSetupDlg::hiddenWidgetsAndSort()
{
    g_settings->m_frameColor = QColor(0x12, 0x34, 0x56);
    g_settings->m_sortColumn = 2;
    g_settings->m_sortDescending = 1;
    CSetupDlg dialog(nullptr);
    const QStringList hidden = {
        "pushButtonApply",  "label",   "spinSizeHistory",       "checkBoxTempHist",
        "checkBoxHumiHist", "label_8", "lineEditRefreshHistory"};
    const QStringList shown = {"label_2",          "label_4", "spinSizeValue",
                               "checkBoxTempValu", "label_7", "spinBoxRefreshValue",
                               "pushButtonOk"};
    for (const QString &name : hidden)
        QVERIFY2(dialog.findChild<QWidget *>(name)->isHidden(), qPrintable(name));
    for (const QString &name : shown)
        QVERIFY2(!dialog.findChild<QWidget *>(name)->isHidden(), qPrintable(name));

    QVERIFY(dialog.pushButtonFrameColor->isFlat());
    QCOMPARE(dialog.pushButtonFrameColor->palette().color(QPalette::Button),
             QColor(0x12, 0x34, 0x56));

    QCOMPARE(dialog.devListView->header()->sortIndicatorSection(), 2);
    QCOMPARE(dialog.devListView->header()->sortIndicatorOrder(), Qt::DescendingOrder);
    QCOMPARE(dialog.devListView->model()->columnCount(), 3);
}

void tst_CSetupDlg::historyControlsWithTrends()
{
    g_settings->m_showHistory = true;
    CSetupDlg dialog(nullptr);
    for (const char *name : {"label", "spinSizeHistory", "checkBoxTempHist", "checkBoxHumiHist",
                             "label_8", "lineEditRefreshHistory"}) {
        QVERIFY2(!dialog.findChild<QWidget *>(name)->isHidden(), name);
        QVERIFY2(dialog.findChild<QWidget *>(name)->isEnabled(), name);
    }
    QVERIFY(dialog.pushButtonApply->isHidden());
}

void tst_CSetupDlg::addIntoFreeSlot()
{
    CSetupDlg dialog(nullptr);
    QUdpSocket device;
    device.writeDatagram(
        TestSupport::announcement(TestSupport::testMac(0x42), 0x0a4d0007, "sensor-7"),
        QHostAddress::LocalHost, g_settings->m_scanPort);
    QTRY_COMPARE(dialog.devListView->model()->rowCount(), 1);
    dialog.devListView->setCurrentIndex(dialog.devListView->model()->index(0, 0));

    // Options changed on the free cell are not kept: the slot starts from the reset values.
    dialog.devTable->setCurrentCell(1, 2);
    dialog.spinSizeValue->setValue(9);
    dialog.checkBoxDewpUnit->setChecked(true);
    dialog.devTable->setCurrentCell(1, 1);
    QTest::mouseClick(dialog.pushButtonAdd, Qt::LeftButton);

    const QString expected = QStringLiteral("sensor-7 [10.77.0.7]");
    QCOMPARE(dialog.devTable->item(1, 1)->text(), expected);
    QCOMPARE(g_settings->m_host[1][1], expected);
    QVERIFY(dialog.pushButtonColors->isEnabled());
    QVERIFY(dialog.pushButtonRemove->isEnabled());
    // The slot's own options are taken from the controls at the next selection.
    dialog.devTable->setCurrentCell(0, 0);
    const DisplaySize &sizes = g_settings->m_displaySizes[1][1];
    QCOMPARE(sizes.history, 1);
    QCOMPARE(sizes.value, 3);
    QCOMPARE(sizes.unit, 1);
    QCOMPARE(int(g_settings->m_enableFlags[1][1]), int(ResetFlags));
    // The same device may go into a second slot.
    QTest::mouseClick(dialog.pushButtonAdd, Qt::LeftButton);
    QCOMPARE(g_settings->m_host[0][0], expected);
}

void tst_CSetupDlg::addWithoutDevice()
{
    CSetupDlg dialog(nullptr);
    dialog.devTable->setCurrentCell(2, 2);
    QVERIFY(!dialog.devListView->currentIndex().isValid());
    QTest::mouseClick(dialog.pushButtonAdd, Qt::LeftButton);
    QCOMPARE(dialog.devTable->item(2, 2)->text(), QStringLiteral(" []"));
    QCOMPARE(g_settings->m_host[2][2], QStringLiteral(" []"));
    QVERIFY(dialog.pushButtonRemove->isEnabled());
}

void tst_CSetupDlg::remove()
{
    useSlot(0, 1, QStringLiteral("dev [10.0.0.7]"), {2, 5, 4}, 0xf0);
    CSetupDlg dialog(nullptr);
    dialog.devTable->setCurrentCell(0, 1);
    COMPARE_OPTIONS(shownOptions(dialog), 2, 5, 4, 0xf0);
    QTest::mouseClick(dialog.pushButtonRemove, Qt::LeftButton);

    QCOMPARE(g_settings->m_host[0][1], QString());
    QVERIFY(!dialog.devTable->item(0, 1) || dialog.devTable->item(0, 1)->text().isEmpty());
    QCOMPARE(dialog.devTable->currentRow(), 0);
    QCOMPARE(dialog.devTable->currentColumn(), 1);
    QVERIFY(!dialog.pushButtonColors->isEnabled());
    QVERIFY(!dialog.pushButtonRemove->isEnabled());
    COMPARE_OPTIONS(shownOptions(dialog), 1, 3, 1, ResetFlags);
    // A second Remove on the now empty cell changes nothing.
    QTest::mouseClick(dialog.pushButtonRemove, Qt::LeftButton);
    QCOMPARE(g_settings->m_host[0][1], QString());
}

void tst_CSetupDlg::cellOptions_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("stored");
    QTest::newRow("another cell, then Cancel") << "select" << true;
    QTest::newRow("OK") << "ok" << true;
    QTest::newRow("Cancel") << "cancel" << false;
}

void tst_CSetupDlg::cellOptions()
{
    QFETCH(QString, action);
    QFETCH(bool, stored);
    useSlot(0, 0, QStringLiteral("dev [10.0.0.7]"), {1, 3, 1}, 0x06);
    CSetupDlg dialog(nullptr);
    dialog.spinSizeValue->setValue(7);
    dialog.spinSizeUnit->setValue(2);
    dialog.checkBoxDewpValu->setChecked(true);
    dialog.checkBoxTempUnit->setChecked(false);
    if (action == QLatin1String("select"))
        dialog.devTable->setCurrentCell(1, 0);

    whenModal<CSetupDlg>([&](CSetupDlg *running) {
        (action == QLatin1String("ok") ? running->pushButtonOk : running->pushButtonCancel)
            ->click();
    });
    if (dialog.exec() == QDialog::Accepted)
        dialog.applySettings();

    const DisplaySize &sizes = g_settings->m_displaySizes[0][0];
    QCOMPARE(sizes.value, stored ? 7 : 3);
    QCOMPARE(sizes.unit, stored ? 2 : 1);
    QCOMPARE(int(g_settings->m_enableFlags[0][0]), stored ? 0x42 : 0x06);
}

void tst_CSetupDlg::headerClickSortsAtOnce()
{
    CSetupDlg dialog(nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QHeaderView *header = dialog.devListView->header();
    QCOMPARE(g_settings->m_sortColumn, 0);
    const QPoint section1(header->sectionViewportPosition(1) + header->sectionSize(1) / 2,
                          header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, section1);
    QCOMPARE(g_settings->m_sortColumn, 1);
    const int descending = g_settings->m_sortDescending;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, section1);
    QCOMPARE(g_settings->m_sortDescending, 1 - descending);
    dialog.reject();
    QCOMPARE(g_settings->m_sortColumn, 1);
}

void tst_CSetupDlg::okAndCancel_data()
{
    QTest::addColumn<bool>("ok");
    QTest::newRow("OK") << true;
    QTest::newRow("Cancel") << false;
}

void tst_CSetupDlg::okAndCancel()
{
    QFETCH(bool, ok);
    g_settings->m_refreshValue = 42;
    CSetupDlg dialog(nullptr);
    dialog.loadRefreshValues();
    dialog.resize(500, 400);
    dialog.devTable->setCurrentCell(1, 1);
    QTest::mouseClick(dialog.pushButtonAdd, Qt::LeftButton);
    dialog.spinBoxRefreshValue->setValue(17);

    whenModal<CSetupDlg>([ok](CSetupDlg *running) {
        // Enter that the focused widget does not take goes to "&OK", the default button.
        running->devTable->setFocus();
        QTest::keyClick(running->devTable, ok ? Qt::Key_Return : Qt::Key_Escape);
    });
    const int result = dialog.exec();
    QCOMPARE(result, ok ? int(QDialog::Accepted) : int(QDialog::Rejected));
    if (result == QDialog::Accepted)
        dialog.applySettings();

    // Add changed the record at once either way; the file follows only on OK.
    QCOMPARE(g_settings->m_host[1][1], QStringLiteral(" []"));
    QCOMPARE(g_settings->m_refreshValue, ok ? 17 : 42);
    QCOMPARE(QFile::exists(m_settings->iniPath()), ok);
    if (!ok)
        return;
    QSettings file(m_settings->iniPath(), QSettings::IniFormat);
    QCOMPARE(file.value(QStringLiteral("Device11/Host")).toString(), QStringLiteral(" []"));
    QCOMPARE(file.value(QStringLiteral("Refresh/Value")).toInt(), 17);
    const QByteArray geometry = file.value(QStringLiteral("SetupDialog/Geometry")).toByteArray();
    QVERIFY(!geometry.isEmpty());
    QWidget restored;
    QVERIFY(restored.restoreGeometry(geometry));
    QCOMPARE(restored.size(), dialog.size());
}

void tst_CSetupDlg::refreshValues_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("history");
    QTest::newRow("kept") << 25 << QString() << 25;
    QTest::newRow("four digits keep three") << 1234 << QString() << 123;
    QTest::newRow("not a number") << 10 << "abc" << 0;
}

void tst_CSetupDlg::refreshValues()
{
    QFETCH(int, stored);
    QFETCH(QString, typed);
    QFETCH(int, history);
    g_settings->m_refreshHistory = stored;
    g_settings->m_refreshValue = 5000;
    CSetupDlg dialog(nullptr);
    dialog.loadRefreshValues();
    QCOMPARE(dialog.spinBoxRefreshValue->value(), 999);
    if (!typed.isEmpty())
        dialog.lineEditRefreshHistory->setText(typed);
    dialog.applySettings();
    QCOMPARE(g_settings->m_refreshHistory, history);
    QCOMPARE(g_settings->m_refreshValue, 999);
}

void tst_CSetupDlg::geometry_data()
{
    QTest::addColumn<QSize>("stored");
    QTest::addColumn<QSize>("expected"); // none: any size that keeps the dialog on the screen
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    QTest::newRow("smaller") << QSize(400, 300) << QSize(400, 300);
    QTest::newRow("larger") << screen + QSize(500, 300) << QSize();
    QTest::newRow("wider") << QSize(screen.width() + 100, 300) << QSize();
    QTest::newRow("none") << QSize() << QSize(663, 544).boundedTo(screen);
}

void tst_CSetupDlg::geometry()
{
    QFETCH(QSize, stored);
    QFETCH(QSize, expected);
    if (stored.isValid()) {
        QWidget sample;
        sample.resize(stored);
        g_settings->m_store->setValue(QStringLiteral("SetupDialog/Geometry"),
                                      sample.saveGeometry());
    }
    CSetupDlg dialog(nullptr);
    if (expected.isValid())
        QCOMPARE(dialog.size(), expected);
    // Whatever was stored, all of the dialog comes back on the screen, its frame included (how
    // much smaller an oversize one gets is Qt's business).
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QRect frame = dialog.frameGeometry();
    QCOMPARE(frame.intersected(QGuiApplication::primaryScreen()->geometry()), frame);
}

void tst_CSetupDlg::frameColor_data()
{
    QTest::addColumn<bool>("accept");
    QTest::newRow("accepted") << true;
    QTest::newRow("cancelled") << false;
}

void tst_CSetupDlg::frameColor()
{
    QFETCH(bool, accept);
    const QColor before(Qt::black);
    const QColor picked(0x20, 0x40, 0x60);
    CSetupDlg dialog(nullptr);
    QColor offered;
    whenModal<QColorDialog>([&](QColorDialog *picker) {
        offered = picker->currentColor();
        picker->setCurrentColor(picked);
        accept ? picker->accept() : picker->reject();
    });
    QTest::mouseClick(dialog.pushButtonFrameColor, Qt::LeftButton);
    QCOMPARE(offered, before);
    const QColor expected = accept ? picked : before;
    QCOMPARE(g_settings->m_frameColor, expected);
    QCOMPARE(dialog.pushButtonFrameColor->palette().color(QPalette::Button), expected);
}

void tst_CSetupDlg::slotColors_data()
{
    QTest::addColumn<bool>("accept");
    QTest::newRow("accepted") << true;
    QTest::newRow("cancelled") << false;
}

void tst_CSetupDlg::slotColors()
{
    // Colors opens the colour dialog for the current cell; its picker writes into that slot.
    QFETCH(bool, accept);
    useSlot(1, 2, QStringLiteral("dev [10.0.0.7]"), {}, 0x06);
    const QColor picked(0x11, 0x22, 0x33);
    CSetupDlg dialog(nullptr);
    dialog.devTable->setCurrentCell(1, 2);

    whenModal<CSetupColorDlg>([&](CSetupColorDlg *colors) {
        whenModal<QColorDialog>([&, colors](QColorDialog *picker) {
            picker->setCurrentColor(picked);
            accept ? picker->accept() : picker->reject();
            // Close the colour dialog once its picker has returned.
            QTimer::singleShot(0, colors, [colors] { QTest::keyClick(colors, Qt::Key_Escape); });
        });
        QTest::mouseClick(colors->pushButtonTempValuNormFore, Qt::LeftButton);
    });
    QTest::mouseClick(dialog.pushButtonColors, Qt::LeftButton);

    QCOMPARE(g_settings->m_colors[1][2].m_temperatureValueNormalForeground,
             accept ? picked : QColor(Qt::white));
    QCOMPARE(g_settings->m_colors[0][0].m_temperatureValueNormalForeground, QColor(Qt::white));
}

QTEST_MAIN(tst_CSetupDlg)
#include "tst_csetupdlg.moc"
