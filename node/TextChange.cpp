#include "TextChange.h"

#include <QFontMetricsF>
#include <QTextLayout>
#include <QVector>
#include <algorithm>
#include <cmath>

namespace {

// Antialiasing, hinting and the rounding of the line's origin reach this far past a glyph's ink.
constexpr int Margin = 2;

// Where each character of a line starts, and where the line ends; nothing when the characters do
// not map one to one onto glyphs (ligatures).
QVector<qreal> penPositions(const QString &text, const QFont &font)
{
    QTextLayout layout(text, font);
    layout.beginLayout();
    const QTextLine line = layout.createLine();
    layout.endLayout();
    int glyphs = 0;
    for (const QGlyphRun &run : layout.glyphRuns())
        glyphs += run.glyphIndexes().size();
    if (glyphs != text.size())
        return {};
    QVector<qreal> x(text.size() + 1);
    for (int i = 0; i < text.size(); ++i)
        x[i] = line.cursorToX(i);
    x[text.size()] = line.horizontalAdvance();
    return x;
}

// One glyph per character, left to right, each drawn where its character starts.
bool isPlainLine(const QString &text)
{
    for (const QChar c : text) {
        if (c.isSurrogate() || c.isMark() || c.category() == QChar::Other_Control ||
            c.direction() == QChar::DirR || c.direction() == QChar::DirAL)
            return false;
    }
    return true;
}

} // namespace

QRect changedTextArea(const QString &before, const QString &after, const QFont &font,
                      const QRect &rect, Qt::Alignment alignment)
{
    if (before == after)
        return QRect();
    if (before.size() != after.size() || !isPlainLine(before) || !isPlainLine(after) ||
        (alignment & Qt::AlignJustify))
        return rect;
    const QVector<qreal> x0 = penPositions(before, font);
    const QVector<qreal> x1 = penPositions(after, font);
    if (x0.isEmpty() || x1.isEmpty() || x1.last() != x0.last())
        return rect;
    const qreal width = x0.last();

    // The line starts where QPainter::drawText puts it for this alignment.
    qreal origin = rect.x();
    if (alignment & Qt::AlignRight)
        origin += rect.width() - width;
    else if (alignment & Qt::AlignHCenter)
        origin += (rect.width() - width) / 2;

    const QFontMetricsF metrics(font);
    qreal left = qInf();
    qreal right = -qInf();
    for (int i = 0; i < after.size(); ++i) {
        if (before[i] == after[i] && x0[i] == x1[i] && x0[i + 1] == x1[i + 1])
            continue;
        const QRectF ink0 = metrics.boundingRect(before[i]).translated(x0[i], 0);
        const QRectF ink1 = metrics.boundingRect(after[i]).translated(x1[i], 0);
        left = std::min({left, x0[i], x1[i], ink0.left(), ink1.left()});
        right = std::max({right, x0[i + 1], x1[i + 1], ink0.right(), ink1.right()});
    }
    if (left > right)
        return QRect();
    const int l = int(std::floor(origin + left)) - Margin;
    const int r = int(std::ceil(origin + right)) + Margin;
    return QRect(l, rect.top(), r - l, rect.height()) & rect;
}
