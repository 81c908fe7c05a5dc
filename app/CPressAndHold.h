#pragma once

#include <QObject>
#include <QPointF>
#include <QTimer>

class QWidget;

// Tells when a finger or the left mouse button rests on one window for HoldDelay ms without moving
// further than the start-drag distance, so a touch screen, which has no right button, can open the
// context menu. It watches the events that reach the window itself: a touch comes there as a touch
// event whether or not a widget inside accepts touch, so the mouse events Qt makes from a touch are
// left alone. It only watches; every event goes on as before.
class CPressAndHold : public QObject
{
    Q_OBJECT

public:
    static constexpr int HoldDelay = 800; // ms

    explicit CPressAndHold(QWidget *window);
    ~CPressAndHold() override;

signals:
    void held(const QPoint &globalPos);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void onTimeout();

private:
    void press(const QPointF &globalPos);
    void moveTo(const QPointF &globalPos);
    void cancel();

    QWidget *m_window;
    QTimer m_timer;
    QPointF m_pressPos;
};
