#include "Application.h"

#include "BrimoPanel.h"

Application::Application(int &argc, char **argv) : QApplication(argc, argv)
{}

Application::~Application() = default;

bool Application::notify(QObject *receiver, QEvent *event)
{
    if (event->type() == QEvent::MouseMove && m_mainWindow) {
        m_mainWindow->setCursor(Qt::ArrowCursor);
        m_mainWindow->m_hideCursorTimer.start(BrimoPanel::HideCursorDelay);
    }
    return QApplication::notify(receiver, event);
}
