#pragma once

#include "CColorSettings.h"
#include "ui_CSetupColorDlg.h"

#include <QDialog>
#include <QString>

// Object name of the colour button that edits the colour of a scheme key:
// "TemperatureValueCriticalBackground" -> "pushButtonTempValuCritBack".
QString colorButtonName(const char *key);

// Edits the colour scheme of one panel slot. Every confirmed colour goes straight into g_settings;
// the dialog keeps no copy and undoes nothing.
class CSetupColorDlg : public QDialog, public Ui::CSetupColorDlg
{
    Q_OBJECT

public:
    CSetupColorDlg(int row, int column, QWidget *parent);
    ~CSetupColorDlg() override;

    void updateColorButtons();

private slots:
    // Bound by name to the 48 colour buttons; all of them end in pickColor().
    void on_pushButtonTempHistNormFore_clicked();
    void on_pushButtonTempHistNormBack_clicked();
    void on_pushButtonTempHistWarnFore_clicked();
    void on_pushButtonTempHistWarnBack_clicked();
    void on_pushButtonTempHistCritFore_clicked();
    void on_pushButtonTempHistCritBack_clicked();
    void on_pushButtonTempValuNormFore_clicked();
    void on_pushButtonTempValuNormBack_clicked();
    void on_pushButtonTempValuWarnFore_clicked();
    void on_pushButtonTempValuWarnBack_clicked();
    void on_pushButtonTempValuCritFore_clicked();
    void on_pushButtonTempValuCritBack_clicked();
    void on_pushButtonTempUnitNormFore_clicked();
    void on_pushButtonTempUnitNormBack_clicked();
    void on_pushButtonTempUnitWarnFore_clicked();
    void on_pushButtonTempUnitWarnBack_clicked();
    void on_pushButtonTempUnitCritFore_clicked();
    void on_pushButtonTempUnitCritBack_clicked();
    void on_pushButtonHumiHistNormFore_clicked();
    void on_pushButtonHumiHistNormBack_clicked();
    void on_pushButtonHumiHistWarnFore_clicked();
    void on_pushButtonHumiHistWarnBack_clicked();
    void on_pushButtonHumiHistCritFore_clicked();
    void on_pushButtonHumiHistCritBack_clicked();
    void on_pushButtonHumiValuNormFore_clicked();
    void on_pushButtonHumiValuNormBack_clicked();
    void on_pushButtonHumiValuWarnFore_clicked();
    void on_pushButtonHumiValuWarnBack_clicked();
    void on_pushButtonHumiValuCritFore_clicked();
    void on_pushButtonHumiValuCritBack_clicked();
    void on_pushButtonHumiUnitNormFore_clicked();
    void on_pushButtonHumiUnitNormBack_clicked();
    void on_pushButtonHumiUnitWarnFore_clicked();
    void on_pushButtonHumiUnitWarnBack_clicked();
    void on_pushButtonHumiUnitCritFore_clicked();
    void on_pushButtonHumiUnitCritBack_clicked();
    void on_pushButtonDewpValuNormFore_clicked();
    void on_pushButtonDewpValuNormBack_clicked();
    void on_pushButtonDewpValuWarnFore_clicked();
    void on_pushButtonDewpValuWarnBack_clicked();
    void on_pushButtonDewpValuCritFore_clicked();
    void on_pushButtonDewpValuCritBack_clicked();
    void on_pushButtonDewpUnitNormFore_clicked();
    void on_pushButtonDewpUnitNormBack_clicked();
    void on_pushButtonDewpUnitWarnFore_clicked();
    void on_pushButtonDewpUnitWarnBack_clicked();
    void on_pushButtonDewpUnitCritFore_clicked();
    void on_pushButtonDewpUnitCritBack_clicked();

private:
    CColorSettings &scheme() const;
    void pickColor(QPushButton *button);

    int m_row;
    int m_column;
};
