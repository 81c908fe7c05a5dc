#pragma once

#include <QFont>
#include <QRect>
#include <QString>
#include <QVector>

// One line of text laid out in a font: where each character's glyph starts, and where the line
// ends. No positions when the line does not draw one glyph per character, left to right
// (ligatures, composed or right-to-left characters).
struct TextLine
{
    QString text;
    QFont font;
    QVector<qreal> penX; // text.size() + 1 entries, or none
};

TextLine layOutLine(const QString &text, const QFont &font);

// The part of `rect` whose pixels can differ between `before` and `after`, both in the same font
// and aligned in `rect` by `alignment` (horizontally; any vertical alignment): a band as high as
// `rect` around the glyphs that changed, or all of `rect` when the two lines do not keep their
// common glyphs in place. Empty when the texts are equal.
QRect changedTextArea(const TextLine &before, const TextLine &after, const QRect &rect,
                      Qt::Alignment alignment);
