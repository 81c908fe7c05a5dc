#include "CColorSettings.h"
#include "CSetupColorDlg.h"
#include "CSetupDlg.h"

#include <QDialog>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>

// The two designer forms, built on plain dialogs: nothing here broadcasts.
class tst_SetupForms : public QObject
{
    Q_OBJECT

private slots:
    void setupObjectNames_data();
    void setupObjectNames();
    void setupTexts_data();
    void setupTexts();
    void setupLimits();
    void setupDeviceTable();
    void setupButtonsAndState();
    void setupGridCells_data();
    void setupGridCells();
    void setupBuddies();
    void setupTabOrder();
    void setupKeepsExistingName();
    void setupOkAndCancel_data();
    void setupOkAndCancel();
    void colorButtonNames_data();
    void colorButtonNames();
    void colorButtonsInGrid();
    void colorCreationOrder();
    void colorTabOrder();
    void colorTexts();
};

namespace {

// The widgets of `chain` in the order the focus chain of `first`'s window visits them.
QStringList focusOrder(QWidget *first, const QStringList &chain)
{
    QStringList seen;
    QWidget *widget = first;
    do {
        if (chain.contains(widget->objectName()) && !seen.contains(widget->objectName()))
            seen << widget->objectName();
        widget = widget->nextInFocusChain();
    } while (widget != first);
    return seen;
}

} // namespace

void tst_SetupForms::setupObjectNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("parentName");
    const char *const rows[][3] = {
        {"frame", "QFrame", "CSetupDlg"},
        {"label_7", "QLabel", "frame"},
        {"label_8", "QLabel", "frame"},
        {"lineEditRefreshHistory", "QLineEdit", "frame"},
        {"label_10", "QLabel", "frame"},
        {"pushButtonFrameColor", "QPushButton", "frame"},
        {"spinBoxRefreshValue", "QSpinBox", "frame"},
        {"groupBox_2", "QGroupBox", "frame"},
        {"devListView", "QTreeView", "groupBox_2"},
        {"devTable", "QTableWidget", "groupBox_2"},
        {"label_2", "QLabel", "groupBox_2"},
        {"label_3", "QLabel", "groupBox_2"},
        {"label", "QLabel", "groupBox_2"},
        {"label_6", "QLabel", "groupBox_2"},
        {"label_5", "QLabel", "groupBox_2"},
        {"label_4", "QLabel", "groupBox_2"},
        {"spinSizeHistory", "QSpinBox", "groupBox_2"},
        {"spinSizeValue", "QSpinBox", "groupBox_2"},
        {"spinSizeUnit", "QSpinBox", "groupBox_2"},
        {"label_9", "QLabel", "groupBox_2"},
        {"checkBoxTempHist", "QCheckBox", "groupBox_2"},
        {"checkBoxTempValu", "QCheckBox", "groupBox_2"},
        {"checkBoxTempUnit", "QCheckBox", "groupBox_2"},
        {"checkBoxHumiHist", "QCheckBox", "groupBox_2"},
        {"checkBoxHumiValu", "QCheckBox", "groupBox_2"},
        {"checkBoxHumiUnit", "QCheckBox", "groupBox_2"},
        {"checkBoxDewpValu", "QCheckBox", "groupBox_2"},
        {"checkBoxDewpUnit", "QCheckBox", "groupBox_2"},
        {"pushButtonScan", "QPushButton", "frame"},
        {"pushButtonAdd", "QPushButton", "frame"},
        {"pushButtonRemove", "QPushButton", "frame"},
        {"pushButtonColors", "QPushButton", "frame"},
        {"pushButtonOk", "QPushButton", "frame"},
        {"pushButtonApply", "QPushButton", "frame"},
        {"pushButtonCancel", "QPushButton", "frame"},
        // Layouts: the owning widget for a widget's own layout, else the parent layout's widget.
        {"verticalLayout", "QVBoxLayout", "CSetupDlg"},
        {"verticalLayout_3", "QVBoxLayout", "frame"},
        {"gridLayout_2", "QGridLayout", "verticalLayout_3"},
        {"horizontalLayout_2", "QHBoxLayout", "gridLayout_2"},
        {"verticalLayout_2", "QVBoxLayout", "groupBox_2"},
        {"horizontalLayout_3", "QHBoxLayout", "verticalLayout_2"},
        {"gridLayout", "QGridLayout", "horizontalLayout_3"},
        {"horizontalLayout", "QHBoxLayout", "verticalLayout_3"},
    };
    for (const auto &row : rows)
        QTest::newRow(row[0]) << row[0] << row[1] << row[2];
}

void tst_SetupForms::setupObjectNames()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QString, parentName);
    QDialog dialog;
    Ui::CSetupDlg form;
    form.setupUi(&dialog);
    QObject *object = dialog.findChild<QObject *>(name);
    QVERIFY2(object, qPrintable(name));
    QCOMPARE(QString::fromLatin1(object->metaObject()->className()), className);
    QCOMPARE(object->parent()->objectName(), parentName);
}

void tst_SetupForms::setupTexts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    const char *const rows[][2] = {
        {"label_7", "Value refresh rate (seconds)"},
        {"label_8", "History refresh rate (minutes)"},
        {"label_10", "Frame color"},
        {"pushButtonFrameColor", ""},
        {"groupBox_2", "Device selection"},
        {"label_2", "Value"},
        {"label_3", "Unit"},
        {"label", "History"},
        {"label_6", "Sensor 3"},
        {"label_5", "Sensor 2"},
        {"label_4", "Sensor 1"},
        {"label_9", "Size"},
        {"checkBoxTempValu", ""},
        {"checkBoxDewpUnit", ""},
        {"pushButtonScan", "&Scan"},
        {"pushButtonAdd", "&Add"},
        {"pushButtonRemove", "&Remove"},
        {"pushButtonColors", "&Colors"},
        {"pushButtonOk", "&OK"},
        {"pushButtonApply", "A&pply"},
        {"pushButtonCancel", "Cancel"},
    };
    for (const auto &row : rows)
        QTest::newRow(row[0]) << row[0] << row[1];
}

void tst_SetupForms::setupTexts()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QDialog dialog;
    Ui::CSetupDlg form;
    form.setupUi(&dialog);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("CSetupDlg"));
    QObject *object = dialog.findChild<QObject *>(name);
    QVERIFY(object);
    const char *property = qobject_cast<QGroupBox *>(object) ? "title" : "text";
    QCOMPARE(object->property(property).toString(), text);
}

void tst_SetupForms::setupLimits()
{
    QDialog dialog;
    Ui::CSetupDlg form;
    form.setupUi(&dialog);
    QCOMPARE(dialog.size(), QSize(663, 544));
    QCOMPARE(form.spinBoxRefreshValue->minimum(), 1);
    QCOMPARE(form.spinBoxRefreshValue->maximum(), 999);
    for (QSpinBox *box : {form.spinSizeHistory, form.spinSizeValue, form.spinSizeUnit}) {
        QCOMPARE(box->minimum(), 1);
        QCOMPARE(box->maximum(), 99);
        QCOMPARE(box->alignment(), Qt::AlignCenter);
    }
    // Three characters of any kind: no validator, no mask.
    QCOMPARE(form.lineEditRefreshHistory->maxLength(), 3);
    QVERIFY(!form.lineEditRefreshHistory->validator());
    QTest::keyClicks(form.lineEditRefreshHistory, QStringLiteral("x1234"));
    QCOMPARE(form.lineEditRefreshHistory->text(), QStringLiteral("x12"));
    QCOMPARE(form.lineEditRefreshHistory->alignment(), Qt::AlignRight | Qt::AlignVCenter);
    QCOMPARE(form.lineEditRefreshHistory->sizePolicy().horizontalPolicy(), QSizePolicy::Minimum);
    QCOMPARE(form.lineEditRefreshHistory->sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
}

void tst_SetupForms::setupDeviceTable()
{
    QDialog dialog;
    Ui::CSetupDlg form;
    form.setupUi(&dialog);
    QTableWidget *table = form.devTable;
    QCOMPARE(table->rowCount(), 3);
    QCOMPARE(table->columnCount(), 3);
    QVERIFY(table->horizontalHeader()->isHidden());
    QVERIFY(table->verticalHeader()->isHidden());
    QCOMPARE(table->selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(table->editTriggers(), QAbstractItemView::NoEditTriggers);
    QVERIFY(!table->tabKeyNavigation());
    QVERIFY(!table->wordWrap());
    QVERIFY(!table->isCornerButtonEnabled());
    QCOMPARE(table->sizeAdjustPolicy(), QAbstractScrollArea::AdjustToContents);
    QVERIFY(!table->item(0, 0));

    QTreeView *list = form.devListView;
    QCOMPARE(list->editTriggers(), QAbstractItemView::NoEditTriggers);
    QVERIFY(list->alternatingRowColors());
    QVERIFY(!list->rootIsDecorated());
    QVERIFY(list->isSortingEnabled());
    QVERIFY(!list->model() || list->model()->rowCount() == 0);
}

void tst_SetupForms::setupButtonsAndState()
{
    QDialog dialog;
    Ui::CSetupDlg form;
    form.setupUi(&dialog);
    QVERIFY(form.pushButtonOk->isDefault());
    QVERIFY(!form.pushButtonCancel->isDefault());
    QVERIFY(!form.pushButtonApply->isEnabled());
    QVERIFY(!form.label->isEnabled());
    QVERIFY(!form.spinSizeHistory->isEnabled());
    QVERIFY(!form.checkBoxTempHist->isEnabled());
    QVERIFY(!form.checkBoxHumiHist->isEnabled());
    QVERIFY(form.checkBoxTempValu->isEnabled());
    QCOMPARE(form.frame->frameShape(), QFrame::WinPanel);
    QCOMPARE(form.frame->frameShadow(), QFrame::Raised);
    QCOMPARE(form.frame->lineWidth(), 2);
    QCOMPARE(form.verticalLayout->contentsMargins(), QMargins(0, 0, 0, 0));
    QCOMPARE(form.verticalLayout_3->contentsMargins(), QMargins(11, 11, 11, 11));
    QCOMPARE(form.verticalLayout_2->stretch(0), 2);
    QCOMPARE(form.verticalLayout_2->stretch(1), 1);
    QCOMPARE(form.horizontalLayout_3->sizeConstraint(), QLayout::SetMinimumSize);
    QCOMPARE(form.horizontalLayout_3->stretch(0), 1);
}

void tst_SetupForms::setupGridCells_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("name");
    const struct
    {
        const char *layout;
        int row, column;
        const char *name;
    } cells[] = {
        {"gridLayout_2", 0, 0, "label_7"},
        {"gridLayout_2", 0, 1, "spinBoxRefreshValue"},
        {"gridLayout_2", 1, 0, "label_8"},
        {"gridLayout_2", 1, 1, "lineEditRefreshHistory"},
        {"gridLayout_2", 2, 0, "label_10"},
        {"gridLayout_2", 2, 1, "horizontalLayout_2"},
        {"gridLayout", 0, 1, "label"},
        {"gridLayout", 0, 3, "label_2"},
        {"gridLayout", 0, 4, "label_3"},
        {"gridLayout", 1, 0, "label_9"},
        {"gridLayout", 1, 1, "spinSizeHistory"},
        {"gridLayout", 1, 3, "spinSizeValue"},
        {"gridLayout", 1, 4, "spinSizeUnit"},
        {"gridLayout", 2, 0, "label_4"},
        {"gridLayout", 2, 1, "checkBoxTempHist"},
        {"gridLayout", 2, 3, "checkBoxTempValu"},
        {"gridLayout", 2, 4, "checkBoxTempUnit"},
        {"gridLayout", 3, 0, "label_5"},
        {"gridLayout", 3, 1, "checkBoxHumiHist"},
        {"gridLayout", 3, 3, "checkBoxHumiValu"},
        {"gridLayout", 3, 4, "checkBoxHumiUnit"},
        {"gridLayout", 4, 0, "label_6"},
        {"gridLayout", 4, 1, ""},
        {"gridLayout", 4, 3, "checkBoxDewpValu"},
        {"gridLayout", 4, 4, "checkBoxDewpUnit"},
    };
    for (const auto &cell : cells)
        QTest::addRow("%s %d,%d", cell.layout, cell.row, cell.column)
            << cell.layout << cell.row << cell.column << cell.name;
}

void tst_SetupForms::setupGridCells()
{
    QFETCH(QString, layout);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, name);
    QDialog dialog;
    Ui::CSetupDlg form;
    form.setupUi(&dialog);
    auto *grid = dialog.findChild<QGridLayout *>(layout);
    QVERIFY(grid);
    // Whatever stands at (row, column), and that it spans exactly that one cell.
    QString found;
    for (int i = 0; i < grid->count(); ++i) {
        int r, c, rowSpan, columnSpan;
        grid->getItemPosition(i, &r, &c, &rowSpan, &columnSpan);
        if (r != row || c != column)
            continue;
        QCOMPARE(rowSpan, 1);
        QCOMPARE(columnSpan, 1);
        QLayoutItem *item = grid->itemAt(i);
        found = item->widget() ? item->widget()->objectName() : item->layout()->objectName();
    }
    QCOMPARE(found, name);
}

void tst_SetupForms::setupBuddies()
{
    QDialog dialog;
    Ui::CSetupDlg form;
    form.setupUi(&dialog);
    QCOMPARE(form.label_8->buddy(), form.lineEditRefreshHistory);
    QCOMPARE(form.label_2->buddy(), form.spinSizeValue);
    QCOMPARE(form.label_3->buddy(), form.spinSizeUnit);
    QCOMPARE(form.label->buddy(), form.spinSizeHistory);
    QCOMPARE(form.label_4->buddy(), form.spinSizeHistory);
    QVERIFY(!form.label_7->buddy());
}

void tst_SetupForms::setupTabOrder()
{
    QDialog dialog;
    Ui::CSetupDlg form;
    form.setupUi(&dialog);
    const QStringList chain = {
        "lineEditRefreshHistory", "pushButtonFrameColor", "devListView",      "devTable",
        "spinSizeHistory",        "spinSizeValue",        "spinSizeUnit",     "checkBoxTempHist",
        "checkBoxTempValu",       "checkBoxTempUnit",     "checkBoxHumiHist", "checkBoxDewpValu",
        "checkBoxHumiUnit",       "checkBoxHumiValu",     "checkBoxDewpUnit", "pushButtonScan",
        "pushButtonAdd",          "pushButtonRemove",     "pushButtonColors", "pushButtonOk",
        "pushButtonApply",        "pushButtonCancel"};
    QCOMPARE(focusOrder(form.lineEditRefreshHistory, chain), chain);
}

void tst_SetupForms::setupKeepsExistingName()
{
    QDialog unnamed;
    Ui::CSetupDlg().setupUi(&unnamed);
    QCOMPARE(unnamed.objectName(), QStringLiteral("CSetupDlg"));
    QDialog named;
    named.setObjectName(QStringLiteral("mine"));
    Ui::CSetupDlg().setupUi(&named);
    QCOMPARE(named.objectName(), QStringLiteral("mine"));

    QDialog colors;
    Ui::CSetupColorDlg().setupUi(&colors);
    QCOMPARE(colors.objectName(), QStringLiteral("CSetupColorDlg"));
}

void tst_SetupForms::setupOkAndCancel_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("result");
    QTest::newRow("OK") << "pushButtonOk" << int(QDialog::Accepted);
    QTest::newRow("Cancel") << "pushButtonCancel" << int(QDialog::Rejected);
}

void tst_SetupForms::setupOkAndCancel()
{
    QFETCH(QString, button);
    QFETCH(int, result);
    QDialog dialog;
    Ui::CSetupDlg form;
    form.setupUi(&dialog);
    QSignalSpy finished(&dialog, &QDialog::finished);
    dialog.show();
    dialog.findChild<QPushButton *>(button)->click();
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), result);
}

void tst_SetupForms::colorButtonNames_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("button");
    QTest::newRow("first") << "TemperatureHistoryNormalForeground"
                           << "pushButtonTempHistNormFore";
    QTest::newRow("humidity") << "HumidityValueWarningBackground"
                              << "pushButtonHumiValuWarnBack";
    QTest::newRow("last") << "DewpointUnitCriticalBackground"
                          << "pushButtonDewpUnitCritBack";
}

void tst_SetupForms::colorButtonNames()
{
    QFETCH(QString, key);
    QFETCH(QString, button);
    QCOMPARE(colorButtonName(key.toLatin1().constData()), button);
}

void tst_SetupForms::colorButtonsInGrid()
{
    // Every colour key has its button, at the cell its name gives, empty and of its own class;
    // the history rows are disabled.
    QDialog dialog;
    Ui::CSetupColorDlg form;
    form.setupUi(&dialog);
    QCOMPARE(dialog.size(), QSize(581, 345));
    const QStringList stems = {"TempHist", "TempValu", "TempUnit", "HumiHist",
                               "HumiValu", "HumiUnit", "DewpValu", "DewpUnit"};
    const QStringList suffixes = {"NormFore", "NormBack", "",         "WarnFore",
                                  "WarnBack", "",         "CritFore", "CritBack"};
    QCOMPARE(dialog.findChildren<QPushButton *>(QRegularExpression("^pushButton")).size(), 48);
    for (const CColorKey &entry : g_colorKeys) {
        const QString name = colorButtonName(entry.key);
        auto *button = dialog.findChild<QPushButton *>(name);
        QVERIFY2(button, qPrintable(name));
        QCOMPARE(button->parent(), form.frame);
        QVERIFY(button->text().isEmpty());
        const QString stem = name.mid(10, 8);
        const int row = 2 + stems.indexOf(stem);
        const int column = 1 + suffixes.indexOf(name.mid(18));
        QVERIFY(row >= 2 && column >= 1);
        QCOMPARE(form.gridLayout->itemAtPosition(row, column)->widget(), button);
        QCOMPARE(button->isEnabled(), !stem.endsWith(QLatin1String("Hist")));
    }
    QCOMPARE(form.gridLayout->rowCount(), 11);
    QCOMPARE(form.gridLayout->columnCount(), 9);
    QVERIFY(form.gridLayout->itemAtPosition(1, 3)->spacerItem());
    QVERIFY(form.gridLayout->itemAtPosition(1, 6)->spacerItem());
    QVERIFY(form.gridLayout->itemAtPosition(10, 0)->spacerItem());
    QCOMPARE(form.buttonBox->standardButtons(), QDialogButtonBox::Ok);
}

void tst_SetupForms::colorCreationOrder()
{
    QDialog dialog;
    Ui::CSetupColorDlg form;
    form.setupUi(&dialog);
    const QStringList expected =
        QStringLiteral(
            "label_13 label_14 label_15 pushButtonHumiHistWarnFore pushButtonHumiHistNormFore "
            "pushButtonHumiValuCritFore pushButtonHumiValuCritBack pushButtonHumiUnitNormFore "
            "pushButtonHumiUnitNormBack pushButtonHumiUnitWarnFore pushButtonHumiUnitWarnBack "
            "pushButtonHumiUnitCritFore pushButtonDewpValuNormFore label "
            "pushButtonTempValuWarnBack "
            "pushButtonTempValuCritFore pushButtonTempValuCritBack label_9 "
            "pushButtonTempHistNormBack "
            "pushButtonHumiHistCritFore pushButtonHumiHistWarnBack pushButtonDewpUnitWarnBack "
            "pushButtonDewpUnitCritFore pushButtonDewpUnitCritBack label_12 "
            "pushButtonHumiValuNormBack pushButtonHumiValuWarnFore pushButtonHumiValuWarnBack "
            "pushButtonTempHistCritFore label_10 label_8 label_7 label_16 label_17 "
            "pushButtonHumiHistNormBack label_3 label_4 pushButtonDewpValuCritFore "
            "pushButtonDewpValuNormBack pushButtonDewpValuWarnBack pushButtonTempValuNormBack "
            "pushButtonTempValuWarnFore pushButtonTempHistWarnBack pushButtonTempHistWarnFore "
            "pushButtonHumiHistCritBack pushButtonTempUnitNormFore pushButtonTempUnitNormBack "
            "pushButtonTempUnitWarnFore pushButtonDewpValuWarnFore pushButtonTempUnitWarnBack "
            "pushButtonTempUnitCritFore pushButtonTempUnitCritBack pushButtonHumiValuNormFore "
            "label_2 "
            "pushButtonTempHistCritBack pushButtonTempHistNormFore label_6 "
            "pushButtonDewpValuCritBack "
            "pushButtonHumiUnitCritBack pushButtonDewpUnitNormFore pushButtonDewpUnitNormBack "
            "pushButtonDewpUnitWarnFore label_5 label_11 pushButtonTempValuNormFore buttonBox")
            .split(QLatin1Char(' '));
    QStringList created;
    for (QObject *child : form.frame->children()) {
        if (child->isWidgetType())
            created << child->objectName();
    }
    QCOMPARE(created, expected);
}

void tst_SetupForms::colorTabOrder()
{
    QDialog dialog;
    Ui::CSetupColorDlg form;
    form.setupUi(&dialog);
    QStringList chain;
    for (const CColorKey &entry : g_colorKeys)
        chain << colorButtonName(entry.key);
    QCOMPARE(focusOrder(form.pushButtonTempHistNormFore, chain), chain);
}

void tst_SetupForms::colorTexts()
{
    QDialog dialog;
    Ui::CSetupColorDlg form;
    form.setupUi(&dialog);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("CSetupColorDlg"));
    const QPair<QLabel *, const char *> labels[] = {
        {form.label_5, "Normal"},
        {form.label_4, "Warning"},
        {form.label_6, "Alarm"},
        {form.label_12, "Foreground"},
        {form.label_13, "Background"},
        {form.label_16, "Foreground"},
        {form.label_17, "Background"},
        {form.label, "Sensor 1 history"},
        {form.label_7, "Sensor 1 value"},
        {form.label_8, "Sensor 1 unit"},
        {form.label_2, "Sensor 2 history"},
        {form.label_9, "Sensor 2 value"},
        {form.label_10, "Sensor 2 unit"},
        {form.label_3, "Sensor 3 value"},
        {form.label_11, "Sensor 3 unit"},
    };
    for (const auto &label : labels)
        QCOMPARE(label.first->text(), QLatin1String(label.second));
    QCOMPARE(form.gridLayout->itemAtPosition(0, 7)->widget(), form.label_6);
    QCOMPARE(form.gridLayout->itemAtPosition(9, 0)->widget(), form.label_11);
}

QTEST_MAIN(tst_SetupForms)
#include "tst_setupforms.moc"
