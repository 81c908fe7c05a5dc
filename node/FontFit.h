#pragma once

#include <QSize>
#include <optional>

// The pixel size at which a text whose ink box measures `probe` at 100 px fills at most 95 % of the
// width and all of the height of `contents`: linear scaling in single precision, truncated toward
// zero. No size when the probe box is empty (a text of blanks has no ink), since scaling by it
// would divide by zero.
std::optional<int> fittedPixelSize(const QSize &contents, const QSize &probe);
