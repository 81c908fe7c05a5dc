#include "StatusColors.h"

#include "QtCompat.h"

#include <QWidget>

namespace {

LabelColors labelColors(const QString &label)
{
    return {{colorMember(label + "NormalForeground"), colorMember(label + "CriticalForeground")},
            {colorMember(label + "NormalBackground"), colorMember(label + "CriticalBackground")}};
}

int level(int status)
{
    return status == 0 ? 0 : 1;
}

// Whether a widget already wears the colours labelPalette would give it. Every palette a tile
// sets comes from labelPalette, so its two colours, when set, tell the rest.
bool wearsColors(const QWidget *widget, const CColorSettings &scheme, const LabelColors &colors,
                 int status)
{
    const QPalette &worn = widget->palette();
    const uint roles = (1u << QPalette::WindowText) | (1u << QPalette::Window);
    return (QtCompat::resolveMask(worn) & roles) == roles &&
           worn.color(QPalette::WindowText) == scheme.*colors.fore[level(status)] &&
           worn.color(QPalette::Window) == scheme.*colors.back[level(status)];
}

} // namespace

const LabelColors valueColors[3] = {labelColors("TemperatureValue"), labelColors("HumidityValue"),
                                    labelColors("DewpointValue")};
const LabelColors unitColors[3] = {labelColors("TemperatureUnit"), labelColors("HumidityUnit"),
                                   labelColors("DewpointUnit")};
const LabelColors historyColors[2] = {labelColors("TemperatureHistory"),
                                      labelColors("HumidityHistory")};

QPalette labelPalette(QPalette palette, const CColorSettings &scheme, const LabelColors &colors,
                      int status)
{
    palette.setBrush(QPalette::All, QPalette::WindowText,
                     QBrush(scheme.*colors.fore[level(status)]));
    palette.setBrush(QPalette::All, QPalette::Window, QBrush(scheme.*colors.back[level(status)]));
    return palette;
}

QPalette paletteToWear(const QWidget *widget, const QPalette &tilePalette,
                       const CColorSettings &scheme, const LabelColors &colors, int status)
{
    return wearsColors(widget, scheme, colors, status)
               ? widget->palette()
               : labelPalette(tilePalette, scheme, colors, status);
}

void wearColors(QWidget *widget, const QPalette &tilePalette, const CColorSettings &scheme,
                const LabelColors &colors, int status)
{
    if (!wearsColors(widget, scheme, colors, status))
        widget->setPalette(labelPalette(tilePalette, scheme, colors, status));
}
