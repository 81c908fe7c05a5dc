#include "FontFit.h"

#include <algorithm>
#include <limits>

std::optional<int> fittedPixelSize(const QSize &contents, const QSize &probe)
{
    if (probe.width() <= 0 || probe.height() <= 0)
        return std::nullopt;
    const float w = float(contents.width()) * 95.0f / float(probe.width());
    const float h = float(contents.height()) * 100.0f / float(probe.height());
    // Sizes beyond any widget's would overflow the conversion to int: they saturate instead.
    const double s = w <= h ? w : h;
    return int(std::clamp(s, double(std::numeric_limits<int>::min()),
                          double(std::numeric_limits<int>::max())));
}
