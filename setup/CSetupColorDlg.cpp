#include "CSetupColorDlg.h"

#include "ButtonColor.h"
#include "CSettings.h"

#include <QColorDialog>

namespace {

// Each key word and the four letters the button names use for it.
const struct
{
    const char *word;
    const char *abbreviation;
} g_keyWords[] = {
    {"Temperature", "Temp"}, {"Humidity", "Humi"},   {"Dewpoint", "Dewp"},   {"History", "Hist"},
    {"Value", "Valu"},       {"Unit", "Unit"},       {"Normal", "Norm"},     {"Warning", "Warn"},
    {"Critical", "Crit"},    {"Foreground", "Fore"}, {"Background", "Back"},
};

} // namespace

QString colorButtonName(const char *key)
{
    QString name = QString::fromLatin1(key);
    for (const auto &word : g_keyWords)
        name.replace(QLatin1String(word.word), QLatin1String(word.abbreviation));
    return QStringLiteral("pushButton") + name;
}

CSetupColorDlg::CSetupColorDlg(int row, int column, QWidget *parent)
    : QDialog(parent), m_row(row), m_column(column)
{
    setupUi(this);
    updateColorButtons();

    // Only the Normal and Alarm colours are offered: hide the Warning columns, and both history
    // rows unless the panel shows trends, which are drawn in them.
    const bool history = g_settings->m_showHistory;
    for (int r = 0; r <= 9; ++r) {
        for (int c = 0; c <= 8; ++c) {
            const bool historyRow = r == 2 || r == 5;
            if (c != 4 && c != 5 && c != 6 && (!historyRow || history))
                continue;
            if (QLayoutItem *item = gridLayout->itemAtPosition(r, c)) {
                if (QWidget *widget = item->widget())
                    widget->hide();
            }
        }
    }
    if (history) {
        for (int c : {1, 2, 7, 8})
            for (int r : {2, 5})
                gridLayout->itemAtPosition(r, c)->widget()->setEnabled(true);
    }
}

CSetupColorDlg::~CSetupColorDlg() = default;

CColorSettings &CSetupColorDlg::scheme() const
{
    return g_settings->m_colors[m_row][m_column];
}

void CSetupColorDlg::updateColorButtons()
{
    for (const CColorKey &entry : g_colorKeys) {
        if (auto *button = findChild<QPushButton *>(colorButtonName(entry.key)))
            setButtonColor(button, scheme().*entry.member);
    }
}

void CSetupColorDlg::pickColor(QPushButton *button)
{
    for (const CColorKey &entry : g_colorKeys) {
        if (colorButtonName(entry.key) != button->objectName())
            continue;
        QColorDialog picker(scheme().*entry.member, this);
        if (picker.exec() == QDialog::Accepted) {
            scheme().*entry.member = picker.selectedColor();
            updateColorButtons();
        }
        return;
    }
}

#define COLOR_SLOT(name)                                                                           \
    void CSetupColorDlg::on_pushButton##name##_clicked()                                           \
    {                                                                                              \
        pickColor(pushButton##name);                                                               \
    }

COLOR_SLOT(TempHistNormFore)
COLOR_SLOT(TempHistNormBack)
COLOR_SLOT(TempHistWarnFore)
COLOR_SLOT(TempHistWarnBack)
COLOR_SLOT(TempHistCritFore)
COLOR_SLOT(TempHistCritBack)
COLOR_SLOT(TempValuNormFore)
COLOR_SLOT(TempValuNormBack)
COLOR_SLOT(TempValuWarnFore)
COLOR_SLOT(TempValuWarnBack)
COLOR_SLOT(TempValuCritFore)
COLOR_SLOT(TempValuCritBack)
COLOR_SLOT(TempUnitNormFore)
COLOR_SLOT(TempUnitNormBack)
COLOR_SLOT(TempUnitWarnFore)
COLOR_SLOT(TempUnitWarnBack)
COLOR_SLOT(TempUnitCritFore)
COLOR_SLOT(TempUnitCritBack)
COLOR_SLOT(HumiHistNormFore)
COLOR_SLOT(HumiHistNormBack)
COLOR_SLOT(HumiHistWarnFore)
COLOR_SLOT(HumiHistWarnBack)
COLOR_SLOT(HumiHistCritFore)
COLOR_SLOT(HumiHistCritBack)
COLOR_SLOT(HumiValuNormFore)
COLOR_SLOT(HumiValuNormBack)
COLOR_SLOT(HumiValuWarnFore)
COLOR_SLOT(HumiValuWarnBack)
COLOR_SLOT(HumiValuCritFore)
COLOR_SLOT(HumiValuCritBack)
COLOR_SLOT(HumiUnitNormFore)
COLOR_SLOT(HumiUnitNormBack)
COLOR_SLOT(HumiUnitWarnFore)
COLOR_SLOT(HumiUnitWarnBack)
COLOR_SLOT(HumiUnitCritFore)
COLOR_SLOT(HumiUnitCritBack)
COLOR_SLOT(DewpValuNormFore)
COLOR_SLOT(DewpValuNormBack)
COLOR_SLOT(DewpValuWarnFore)
COLOR_SLOT(DewpValuWarnBack)
COLOR_SLOT(DewpValuCritFore)
COLOR_SLOT(DewpValuCritBack)
COLOR_SLOT(DewpUnitNormFore)
COLOR_SLOT(DewpUnitNormBack)
COLOR_SLOT(DewpUnitWarnFore)
COLOR_SLOT(DewpUnitWarnBack)
COLOR_SLOT(DewpUnitCritFore)
COLOR_SLOT(DewpUnitCritBack)
