#include "CDynLabel.h"

#include "FontFit.h"

#include <QFontMetrics>

CDynLabel::CDynLabel(const QString &text, QWidget *parent, Qt::WindowFlags f)
    : QLabel(text, parent, f)
{
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
}

QSize CDynLabel::sizeHint() const
{
    return QSize(100, 100);
}

QSize CDynLabel::minimumSizeHint() const
{
    return QLabel::minimumSizeHint();
}

void CDynLabel::setTextAndPalette(const QString &text, const QPalette &palette)
{
    setText(text);
    resizeEvent(nullptr);
    // Resolving a palette against the inherited one is the costly part of setting it; an equal
    // palette (values and which roles are set) would be no change.
    if (palette != this->palette() || palette.resolve() != this->palette().resolve())
        setPalette(palette);
}

void CDynLabel::resizeEvent(QResizeEvent *event)
{
    if (event)
        QWidget::resizeEvent(event);
    fitFont();
}

void CDynLabel::fitFont()
{
    QFont f = font();
    const QRect contents = contentsRect();
    if (text().isEmpty())
        return;
    f.setWeight(QFont::Bold);

    // Measure once at 100 px and scale linearly from there.
    QFont probe = f;
    probe.setPixelSize(100);
    if (text() != m_measuredText || probe != m_measuredFont) {
        m_measuredInk = QFontMetrics(probe).boundingRect(text()).size();
        m_measuredText = text();
        m_measuredFont = probe;
    }
    const std::optional<int> size = fittedPixelSize(contents.size(), m_measuredInk);
    if (!size)
        return;

    f.setPixelSize(*size);
    // As with the palette: an equal font would be no change, only resolved at a cost.
    if (f != font() || f.resolve() != font().resolve())
        setFont(f);
}
