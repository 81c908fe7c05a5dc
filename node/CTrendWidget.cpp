#include "CTrendWidget.h"

#include <QPainter>

CTrendWidget::CTrendWidget(float minSpan, QWidget *parent) : QWidget(parent), m_minSpan(minSpan)
{
    // Like the labels beside it: the column's stretch factor alone decides its width.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    setAutoFillBackground(true);
}

QSize CTrendWidget::sizeHint() const
{
    return QSize(100, 100);
}

void CTrendWidget::addSample(float sample)
{
    m_samples.add(sample);
    update();
}

void CTrendWidget::paintEvent(QPaintEvent *)
{
    const QVector<float> shown = m_samples.latest(shownSampleCount(width()));
    const TrendScale scale = trendScale(shown, m_minSpan);
    if (!scale.valid)
        return;

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor colour = palette().color(QPalette::WindowText);

    // Lowest and highest in small text at the bottom and top, where the cell is tall enough for
    // them and a line between; the line keeps clear of them.
    QFont small = font();
    small.setPixelSize(qBound(8, height() / 7, 28));
    int text = QFontMetrics(small).height();
    if (height() >= 4 * text) {
        painter.setFont(small);
        painter.setPen(colour);
        const QRect inner = rect().adjusted(2, 0, -2, 0);
        painter.drawText(inner, Qt::AlignLeft | Qt::AlignTop, QString::number(scale.max, 'f', 1));
        painter.drawText(inner, Qt::AlignLeft | Qt::AlignBottom,
                         QString::number(scale.min, 'f', 1));
    } else {
        text = 0;
    }

    const qreal pen = qBound(2, height() / 40, 6);
    painter.setPen(QPen(colour, pen, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QRectF area = QRectF(rect()).adjusted(pen, text + pen, -pen, -text - pen);
    for (const QPolygonF &line : trendLines(shown, area, scale)) {
        if (line.size() == 1)
            painter.drawPoint(line.first());
        else
            painter.drawPolyline(line);
    }
}
