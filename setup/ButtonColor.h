#pragma once

class QColor;
class QPushButton;

// Shows a colour on a push button: the button is drawn flat and filled with the colour.
void setButtonColor(QPushButton *button, const QColor &color);
