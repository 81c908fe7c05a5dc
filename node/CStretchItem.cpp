#include "CStretchItem.h"

#include <QGridLayout>
#include <QWidget>

CStretchItem::CStretchItem(QWidget *widget) : QWidgetItem(widget)
{}

void CStretchItem::addTo(QGridLayout *grid, QWidget *widget, int row, int column)
{
    // The grid makes the widget its own (parent, shown with it) and then gives up its item.
    grid->addWidget(widget, row, column);
    delete grid->takeAt(grid->indexOf(widget));
    grid->addItem(new CStretchItem(widget), row, column);
}

bool CStretchItem::ignoresHints() const
{
    const QSizePolicy policy = wid->sizePolicy();
    return policy.horizontalPolicy() == QSizePolicy::Ignored &&
           policy.verticalPolicy() == QSizePolicy::Ignored && !align;
}

// With both policies Ignored and no alignment in its cell, Qt's own item gives a label a hint of
// 0 x 0 and its explicit minimum and maximum sizes as bounds, whatever its hints say; anything else
// is left to it.
QSize CStretchItem::sizeHint() const
{
    return !isEmpty() && ignoresHints() ? QSize(0, 0) : QWidgetItem::sizeHint();
}

QSize CStretchItem::minimumSize() const
{
    return !isEmpty() && ignoresHints() ? wid->minimumSize() : QWidgetItem::minimumSize();
}

QSize CStretchItem::maximumSize() const
{
    return !isEmpty() && ignoresHints() ? wid->maximumSize() : QWidgetItem::maximumSize();
}
