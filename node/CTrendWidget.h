#pragma once

#include "Trend.h"

#include <QWidget>

// The course of one sensor's value in a tile's history column: a line over the most recent
// samples, scaled to their range, with the lowest and highest in small text. It draws in its
// palette's WindowText on Window and repaints only when a sample arrives or its size changes.
class CTrendWidget : public QWidget
{
    Q_OBJECT

public:
    // `minSpan`: the smallest value range the cell spans, in the sensor's unit.
    explicit CTrendWidget(float minSpan, QWidget *parent = nullptr);

    QSize sizeHint() const override;

    void addSample(float sample);
    const CSampleRing &samples() const { return m_samples; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    CSampleRing m_samples;
    float m_minSpan;
};
