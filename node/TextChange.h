#pragma once

#include <QRect>
#include <QString>

class QFont;

// The part of `rect` whose pixels can differ between one line of `before` and one of `after`,
// both in `font` and aligned in `rect` by `alignment` (horizontally; any vertical alignment): a
// band as high as `rect` around the glyphs that changed, or all of `rect` when the two lines do
// not keep their common glyphs in place (other lengths or widths, right-to-left or composed
// characters). Empty when the texts are equal.
QRect changedTextArea(const QString &before, const QString &after, const QFont &font,
                      const QRect &rect, Qt::Alignment alignment);
