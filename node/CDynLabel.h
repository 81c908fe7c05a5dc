#pragma once

#include "TextChange.h"

#include <QLabel>

// A one-line label whose bold font grows and shrinks so that its text fills the space the layout
// gives it. It ignores its size hint, so the tile's stretch factors alone decide its cell.
class CDynLabel : public QLabel
{
    Q_OBJECT

public:
    explicit CDynLabel(const QString &text, QWidget *parent = nullptr,
                       Qt::WindowFlags f = Qt::WindowFlags());

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // Sets the text, refits the font at once and then applies the palette.
    void setTextAndPalette(const QString &text, const QPalette &palette);

protected:
    // Also called with a null event to refit without a resize.
    void resizeEvent(QResizeEvent *event) override;

private:
    void fitFont();
    // Whether QLabel shows `text` as rich text.
    bool isRichText(const QString &text) const;

    // The last measurement at the probe size: most answers repeat the texts of the one before.
    QString m_measuredText;
    QFont m_measuredFont;
    QSize m_measuredInk;
    // The cell and the font of the last fitting.
    QSize m_fittedContents;
    QFont m_fittedFont;
    // The text as last laid out for a repaint of what changed.
    TextLine m_line;
};
