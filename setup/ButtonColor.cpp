#include "ButtonColor.h"

#include <QPalette>
#include <QPushButton>

void setButtonColor(QPushButton *button, const QColor &color)
{
    QPalette palette = button->palette();
    palette.setBrush(QPalette::All, QPalette::Button, QBrush(color, Qt::SolidPattern));
    button->setFlat(true);
    button->setAutoFillBackground(true);
    button->setPalette(palette);
    button->update();
}
