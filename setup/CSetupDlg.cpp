#include "CSetupDlg.h"

#include "ButtonColor.h"
#include "CDevListItem.h"
#include "CDevListModel.h"
#include "CDevListProxyModel.h"
#include "CSettings.h"
#include "CSetupColorDlg.h"

#include <QColorDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QSettings>

namespace {

const QString g_geometryGroup = QStringLiteral("SetupDialog");
const QString g_geometryKey = QStringLiteral("Geometry");

// frame moved into area, and first shrunk to it where it is larger.
QRect fittedInto(QRect frame, const QRect &area)
{
    frame.setSize(frame.size().boundedTo(area.size()));
    frame.moveLeft(qBound(area.left(), frame.left(), area.right() - frame.width() + 1));
    frame.moveTop(qBound(area.top(), frame.top(), area.bottom() - frame.height() + 1));
    return frame;
}

} // namespace

CSetupDlg::CSetupDlg(QWidget *parent) : QDialog(parent)
{
    setupUi(this);

    m_model = new CDevListModel(this);
    m_proxyModel = new CDevListProxyModel(this);
    m_proxyModel->setDynamicSortFilter(true);
    m_proxyModel->setSourceModel(m_model);
    devListView->setModel(m_proxyModel);
    // Every row is one line of text. Without this the view measures the text of all rows above a
    // changed one to find where it is, and a busy network with thousands of devices freezes it.
    devListView->setUniformRowHeights(true);

    // Sort before connecting, so that the stored order is not reported back as a change.
    devListView->sortByColumn(g_settings->m_sortColumn, g_settings->m_sortDescending
                                                            ? Qt::DescendingOrder
                                                            : Qt::AscendingOrder);
    connect(devListView->header(), SIGNAL(sortIndicatorChanged(int, Qt::SortOrder)), this,
            SLOT(sortChanged(int, Qt::SortOrder)));

    setButtonColor(pushButtonFrameColor, g_settings->m_frameColor);
    fillDeviceTable();
    devTable->setCurrentCell(0, 0);

    restoreDialogGeometry();

    pushButtonApply->hide();
    // The history column and the history refresh rate are offered only when the panel shows
    // trends; hidden, their controls still load and store their values.
    if (g_settings->m_showHistory) {
        for (QWidget *widget :
             QWidgetList{label, spinSizeHistory, checkBoxTempHist, checkBoxHumiHist})
            widget->setEnabled(true);
    } else {
        for (int row = 0; row <= 4; ++row) {
            if (QLayoutItem *item = gridLayout->itemAtPosition(row, 1)) {
                if (QWidget *widget = item->widget())
                    widget->hide();
            }
        }
        for (int column = 0; column <= 1; ++column) {
            if (QLayoutItem *item = gridLayout_2->itemAtPosition(1, column)) {
                if (QWidget *widget = item->widget())
                    widget->hide();
            }
        }
    }
}

CSetupDlg::~CSetupDlg() = default;

void CSetupDlg::loadRefreshValues()
{
    spinBoxRefreshValue->setValue(g_settings->m_refreshValue);
    lineEditRefreshHistory->setText(QString::number(g_settings->m_refreshHistory));
}

void CSetupDlg::applySettings()
{
    g_settings->m_refreshValue = spinBoxRefreshValue->value();
    g_settings->m_refreshHistory = lineEditRefreshHistory->text().toInt();
    storeCellOptions();
    saveDialogGeometry();
    g_settings->save();
}

void CSetupDlg::fillDeviceTable()
{
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column)
            devTable->setItem(row, column, new QTableWidgetItem(g_settings->m_host[row][column]));
    }
    devTable->resizeColumnsToContents();
}

void CSetupDlg::storeDeviceTable()
{
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            const QTableWidgetItem *item = devTable->item(row, column);
            g_settings->m_host[row][column] = item ? item->text() : QString();
        }
    }
}

std::array<QCheckBox *, 8> CSetupDlg::enableCheckBoxes() const
{
    return {checkBoxTempHist, checkBoxTempValu, checkBoxTempUnit, checkBoxHumiHist,
            checkBoxHumiValu, checkBoxHumiUnit, checkBoxDewpValu, checkBoxDewpUnit};
}

void CSetupDlg::loadCellOptions(int row, int column)
{
    const DisplaySize &sizes = g_settings->m_displaySizes[row][column];
    spinSizeHistory->setValue(sizes.history);
    spinSizeValue->setValue(sizes.value);
    spinSizeUnit->setValue(sizes.unit);
    const quint8 flags = g_settings->m_enableFlags[row][column];
    const auto boxes = enableCheckBoxes();
    for (int bit = 0; bit < 8; ++bit)
        boxes[bit]->setChecked(flags & (1u << bit));
}

void CSetupDlg::resetCellOptions()
{
    // The history spin box shows its minimum of 1.
    spinSizeHistory->setValue(0);
    spinSizeValue->setValue(3);
    spinSizeUnit->setValue(1);
    for (QCheckBox *box : enableCheckBoxes())
        box->setChecked(box == checkBoxTempValu || box == checkBoxTempUnit);
}

void CSetupDlg::storeCellOptions()
{
    if (m_lastRow < 0 || m_lastRow > 2 || m_lastColumn < 0 || m_lastColumn > 2)
        return;
    DisplaySize &sizes = g_settings->m_displaySizes[m_lastRow][m_lastColumn];
    sizes.history = spinSizeHistory->value();
    sizes.value = spinSizeValue->value();
    sizes.unit = spinSizeUnit->value();
    quint8 flags = 0;
    const auto boxes = enableCheckBoxes();
    for (int bit = 0; bit < 8; ++bit) {
        if (boxes[bit]->isChecked())
            flags |= 1u << bit;
    }
    g_settings->m_enableFlags[m_lastRow][m_lastColumn] = flags;
}

// A geometry stored on a larger screen may not fit this one, and the size restored leaves the frame
// out: once the window has its frame, all of it goes on the screen. (Where the window system tells
// the frame only later, this still bounds the dialog itself.)
void CSetupDlg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect frame = frameGeometry();
    const QRect fitted = fittedInto(frame, screen->geometry());
    if (fitted != frame)
        setGeometry(geometry().adjusted(fitted.left() - frame.left(), fitted.top() - frame.top(),
                                        fitted.right() - frame.right(),
                                        fitted.bottom() - frame.bottom()));
}

void CSetupDlg::restoreDialogGeometry()
{
    QSettings *store = g_settings->m_store;
    store->beginGroup(g_geometryGroup);
    restoreGeometry(store->value(g_geometryKey, QByteArray()).toByteArray());
    store->endGroup();
}

void CSetupDlg::saveDialogGeometry()
{
    QSettings *store = g_settings->m_store;
    store->beginGroup(g_geometryGroup);
    store->setValue(g_geometryKey, saveGeometry());
    store->endGroup();
}

void CSetupDlg::on_devTable_itemSelectionChanged()
{
    storeCellOptions();
    const int row = devTable->currentRow();
    const int column = devTable->currentColumn();
    const bool used = row >= 0 && row <= 2 && column >= 0 && column <= 2 &&
                      !g_settings->m_host[row][column].isEmpty();
    pushButtonColors->setEnabled(used);
    pushButtonRemove->setEnabled(used);
    if (used)
        loadCellOptions(row, column);
    else
        resetCellOptions();
    m_lastRow = row;
    m_lastColumn = column;
}

void CSetupDlg::on_pushButtonAdd_clicked()
{
    const QModelIndex index = m_proxyModel->mapToSource(devListView->currentIndex());
    const CDevListItem *device = m_model->itemForIndex(index);
    const QString host =
        device->m_hostName + QStringLiteral(" [") + device->m_address.toString() + QLatin1Char(']');
    const int row = devTable->currentRow();
    if (row >= 0) {
        const int column = devTable->currentColumn();
        devTable->setItem(row, column, new QTableWidgetItem(host));
        devTable->resizeColumnToContents(column);
        storeDeviceTable();
    }
    on_devTable_itemSelectionChanged();
}

void CSetupDlg::on_pushButtonRemove_clicked()
{
    delete devTable->takeItem(devTable->currentRow(), devTable->currentColumn());
    storeDeviceTable();
    on_devTable_itemSelectionChanged();
}

void CSetupDlg::on_pushButtonScan_clicked()
{
    m_model->scan();
}

void CSetupDlg::on_pushButtonColors_clicked()
{
    const int row = devTable->currentRow();
    const int column = devTable->currentColumn();
    if (row < 0 || row > 2 || column < 0 || column > 2)
        return;
    CSetupColorDlg dialog(row, column, this);
    dialog.exec();
}

void CSetupDlg::on_pushButtonFrameColor_clicked()
{
    QColorDialog picker(g_settings->m_frameColor, this);
    if (picker.exec() != QDialog::Accepted)
        return;
    g_settings->m_frameColor = picker.selectedColor();
    setButtonColor(pushButtonFrameColor, g_settings->m_frameColor);
}

void CSetupDlg::sortChanged(int column, Qt::SortOrder order)
{
    g_settings->m_sortColumn = column;
    g_settings->m_sortDescending = order == Qt::DescendingOrder ? 1 : 0;
}
