#pragma once

#include "Trend.h"

#include <QStringList>
#include <cmath>

namespace TestSupport {

// Trend samples as text in test tables: numbers separated by blanks, "_" for a gap.
inline QVector<float> samplesFromText(const QString &text)
{
    QVector<float> result;
    for (const QString &word : text.split(' ', Qt::SkipEmptyParts))
        result << (word == "_" ? NoSample : word.toFloat());
    return result;
}

inline QString samplesText(const QVector<float> &samples)
{
    QStringList words;
    for (float sample : samples)
        words << (std::isnan(sample) ? QStringLiteral("_") : QString::number(sample));
    return words.join(' ');
}

} // namespace TestSupport
