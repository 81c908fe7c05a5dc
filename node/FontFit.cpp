#include "FontFit.h"

std::optional<int> fittedPixelSize(const QSize &contents, const QSize &probe)
{
    if (probe.width() <= 0 || probe.height() <= 0)
        return std::nullopt;
    const float w = float(contents.width()) * 95.0f / float(probe.width());
    const float h = float(contents.height()) * 100.0f / float(probe.height());
    return int(w <= h ? w : h);
}
