// The label's font fitting: the fitting arithmetic over the whole int range, and the real
// auto-fitting label with arbitrary text in an arbitrary rectangle.
#include "CDynLabel.h"
#include "FontFit.h"
#include "FuzzSupport.h"

#include <QApplication>
#include <cstring>

namespace {

// Input: width, height (2 bytes each) of the label, four ints for the arithmetic, then the text.
constexpr size_t HeaderSize = 4 + 16;

CDynLabel *g_label = nullptr;

int intAt(const uint8_t *data)
{
    qint32 value;
    std::memcpy(&value, data, sizeof value);
    return value;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    silenceQtMessages();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(*argc, *argv);
    g_label = new CDynLabel(QString());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < HeaderSize)
        return 0;

    const QSize contents(intAt(data + 4), intAt(data + 8));
    const QSize probe(intAt(data + 12), intAt(data + 16));
    const std::optional<int> pixelSize = fittedPixelSize(contents, probe);
    FUZZ_CHECK(pixelSize.has_value() == (probe.width() > 0 && probe.height() > 0));

    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data + HeaderSize),
                                           int(size - HeaderSize));
    g_label->resize(data[0] | data[1] << 8, data[2] | data[3] << 8);
    g_label->setTextAndPalette(text, g_label->palette());
    // What a layout asks of the label once its font has changed.
    g_label->minimumSizeHint();
    return 0;
}
