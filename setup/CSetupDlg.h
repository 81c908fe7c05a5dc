#pragma once

#include "ui_CSetupDlg.h"

#include <QDialog>
#include <array>

class CDevListModel;
class CDevListProxyModel;

// Places discovered devices in the panel's nine slots and edits their options, the frame colour
// and the refresh rates. Works on g_settings directly; only applySettings() writes the file.
class CSetupDlg : public QDialog, public Ui::CSetupDlg
{
    Q_OBJECT

public:
    explicit CSetupDlg(QWidget *parent);
    ~CSetupDlg() override;

    void loadRefreshValues();
    void applySettings();

protected:
    void showEvent(QShowEvent *event) override;

private slots:
    void on_pushButtonFrameColor_clicked();
    void sortChanged(int column, Qt::SortOrder order);
    void on_devTable_itemSelectionChanged();
    void on_pushButtonScan_clicked();
    void on_pushButtonColors_clicked();
    void on_pushButtonAdd_clicked();
    void on_pushButtonRemove_clicked();

private:
    void fillDeviceTable();
    void storeDeviceTable();
    void loadCellOptions(int row, int column);
    void resetCellOptions();
    void storeCellOptions();
    void restoreDialogGeometry();
    void saveDialogGeometry();
    std::array<QCheckBox *, 8> enableCheckBoxes() const;

    CDevListModel *m_model = nullptr;
    CDevListProxyModel *m_proxyModel = nullptr;
    int m_lastRow = -1;
    int m_lastColumn = -1;
};
