#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

// Modal dialogs block in exec(), so a test hands over what to do with one before opening it:
// a timer polls for the active modal widget of the wanted class and acts on it from inside the
// dialog's own event loop. Gives up after timeoutMs without one.
template <typename Dialog>
void whenModal(std::function<void(Dialog *)> action, int timeoutMs = 10000)
{
    auto *timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, [timer, action, timeoutMs, waited = 0]() mutable {
        auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget());
        waited += timer->interval();
        if (!dialog && waited < timeoutMs)
            return;
        timer->stop();
        timer->deleteLater();
        if (dialog)
            action(dialog);
    });
    timer->start(10);
}
