#include "TextChange.h"

#include <QFontMetricsF>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

namespace {

// Antialiasing, hinting and the rounding of the line's origin reach this far past a glyph's ink.
constexpr int Margin = 2;

bool isLeftToRightWithoutMarks(const QString &text)
{
    for (const QChar c : text) {
        if (c.isSurrogate() || c.isMark() || c.category() == QChar::Other_Control ||
            c.direction() == QChar::DirR || c.direction() == QChar::DirAL)
            return false;
    }
    return true;
}

} // namespace

TextLine layOutLine(const QString &text, const QFont &font)
{
    TextLine line{text, font, {}};
    if (!isLeftToRightWithoutMarks(text))
        return line;
    QTextLayout layout(text, font);
    layout.beginLayout();
    const QTextLine laidOut = layout.createLine();
    layout.endLayout();
    int glyphs = 0;
    for (const QGlyphRun &run : layout.glyphRuns())
        glyphs += run.glyphIndexes().size();
    if (glyphs != text.size())
        return line;
    line.penX.resize(text.size() + 1);
    for (int i = 0; i < text.size(); ++i)
        line.penX[i] = laidOut.cursorToX(i);
    line.penX[text.size()] = laidOut.horizontalAdvance();
    return line;
}

QRect changedTextArea(const TextLine &before, const TextLine &after, const QRect &rect,
                      Qt::Alignment alignment)
{
    if (before.text == after.text && before.font == after.font)
        return QRect();
    const QVector<qreal> &x0 = before.penX;
    const QVector<qreal> &x1 = after.penX;
    if (before.font != after.font || x0.isEmpty() || x0.size() != x1.size() ||
        x0.last() != x1.last() || (alignment & Qt::AlignJustify))
        return rect;

    // The line starts where QPainter::drawText puts it for this alignment.
    const qreal width = x0.last();
    qreal origin = rect.x();
    if (alignment & Qt::AlignRight)
        origin += rect.width() - width;
    else if (alignment & Qt::AlignHCenter)
        origin += (rect.width() - width) / 2;

    const QFontMetricsF metrics(after.font);
    qreal left = qInf();
    qreal right = -qInf();
    for (int i = 0; i < after.text.size(); ++i) {
        const QChar c0 = before.text[i];
        const QChar c1 = after.text[i];
        if (c0 == c1 && x0[i] == x1[i] && x0[i + 1] == x1[i + 1])
            continue;
        const QRectF ink0 = metrics.boundingRect(c0).translated(x0[i], 0);
        const QRectF ink1 = metrics.boundingRect(c1).translated(x1[i], 0);
        left = std::min({left, x0[i], x1[i], ink0.left(), ink1.left()});
        right = std::max({right, x0[i + 1], x1[i + 1], ink0.right(), ink1.right()});
    }
    if (left > right)
        return QRect();
    const int l = int(std::floor(origin + left)) - Margin;
    const int r = int(std::ceil(origin + right)) + Margin;
    return QRect(l, rect.top(), r - l, rect.height()) & rect;
}
