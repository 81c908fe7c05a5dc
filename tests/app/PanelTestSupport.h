#pragma once

#include "Application.h"
#include "FakeDevice.h"

#include <QApplication>
#include <QByteArray>
#include <QDialog>
#include <QStringList>
#include <QTest>
#include <QTimer>

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

// The panel relies on the program's own application object, so these tests run under it.
#define BRIMO_APPLICATION_TEST_MAIN(TestClass)                                                     \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        Application app(argc, argv);                                                               \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
