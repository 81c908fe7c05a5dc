#pragma once

#include <QWidgetItem>

class QGridLayout;

// The layout item of a widget that ignores its size hints in both directions, as the tile's labels
// do: the grid sizes it by stretch factors alone. The item QGridLayout makes asks the widget for
// its minimum size hint again after every text change, which for a label means laying out the text
// for a size nobody uses; this one gives the same sizes without asking.
class CStretchItem : public QWidgetItem
{
public:
    explicit CStretchItem(QWidget *widget);

    // Puts widget into grid at row, column with this item instead of the usual one.
    static void addTo(QGridLayout *grid, QWidget *widget, int row, int column);

    QSize sizeHint() const override;
    QSize minimumSize() const override;
    QSize maximumSize() const override;

private:
    bool ignoresHints() const;
};
