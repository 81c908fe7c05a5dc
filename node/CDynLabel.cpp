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
    const QRect ink = QFontMetrics(probe).boundingRect(text());
    const std::optional<int> size = fittedPixelSize(contents.size(), ink.size());
    if (!size)
        return;

    f.setPixelSize(*size);
    setFont(f);
}
