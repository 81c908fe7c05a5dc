#pragma once

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QWidget>
#include <functional>

// Modal dialogs and menus block in exec(), so a test hands over what to do with one before opening
// it: a timer polls for the widget find() returns and acts on it from inside the dialog's or menu's
// own event loop. Gives up after timeoutMs without one.
inline void whenFound(std::function<QWidget *()> find, std::function<void(QWidget *)> action,
                      int timeoutMs = 10000)
{
    auto *timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout,
                     [timer, find, action, timeoutMs, waited = 0]() mutable {
                         QWidget *widget = find();
                         waited += timer->interval();
                         if (!widget && waited < timeoutMs)
                             return;
                         timer->stop();
                         timer->deleteLater();
                         if (widget)
                             action(widget);
                     });
    timer->start(10);
}

// The active modal widget of the wanted class.
template <typename Dialog>
void whenModal(std::function<void(Dialog *)> action, int timeoutMs = 10000)
{
    whenFound([] { return qobject_cast<Dialog *>(QApplication::activeModalWidget()); },
              [action](QWidget *dialog) { action(static_cast<Dialog *>(dialog)); }, timeoutMs);
}

// The open popup menu.
inline void whenPopup(std::function<void(QWidget *)> action, int timeoutMs = 10000)
{
    whenFound(&QApplication::activePopupWidget, action, timeoutMs);
}

// While it lives, closes every modal dialog that comes up (the panel opens its setup dialog by
// itself when it has no tile), so a test never hangs in a nested dialog loop. Rejects by default.
class ModalCloser
{
public:
    explicit ModalCloser(QDialog::DialogCode answer = QDialog::Rejected)
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this, answer] {
            if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
                ++m_closed;
                dialog->done(answer);
            }
        });
        m_timer.start(50);
    }

    int closed() const { return m_closed; }

private:
    QTimer m_timer;
    int m_closed = 0;
};
