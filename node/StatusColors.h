#pragma once

#include "CColorSettings.h"

#include <QPalette>

class QWidget;

// The colours of one label kind in a slot's scheme: index 0 for status 0 (Normal), 1 for any other
// status, which shows as Critical.
struct LabelColors
{
    QColor CColorSettings::*fore[2];
    QColor CColorSettings::*back[2];
};

// By sensor: value and unit labels, and the trends (the dew point has none).
extern const LabelColors valueColors[3];
extern const LabelColors unitColors[3];
extern const LabelColors historyColors[2];

// `palette` with the foreground and background the status selects from `colors`.
QPalette labelPalette(QPalette palette, const CColorSettings &scheme, const LabelColors &colors,
                      int status);

// The palette `widget` should wear for `status`: its own when it already wears those colours
// (most answers repeat the status and the scheme of the one before, and building and resolving a
// palette is the costly part), otherwise labelPalette of `tilePalette`.
QPalette paletteToWear(const QWidget *widget, const QPalette &tilePalette,
                       const CColorSettings &scheme, const LabelColors &colors, int status);

// Gives `widget` paletteToWear, setting it only when it is new.
void wearColors(QWidget *widget, const QPalette &tilePalette, const CColorSettings &scheme,
                const LabelColors &colors, int status);
