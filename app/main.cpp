#include "Application.h"
#include "BrimoPanel.h"
#include "CSettings.h"
#include "CWatchdog.h"

#include <QTimer>

int main(int argc, char *argv[])
{
    // The panel paints with widgets only. Without this the X11 platform loads an OpenGL
    // implementation at start-up, which costs tens of MB of memory for nothing. Other platforms
    // ignore the variable, and a value set by the user wins.
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");

    Application app(argc, argv);
    // The settings store takes its directory from the organisation name, so this comes first.
    app.setOrganizationName(QStringLiteral("Tovald GmbH"));
    app.setOrganizationDomain(QStringLiteral("brimopanel.example"));
    app.setApplicationName(QStringLiteral("Brimo Panel"));
    app.setApplicationVersion(QStringLiteral("1.8.1.1"));

    // Lives until the process ends.
    g_settings = new CSettings(QString());

    // Declared after the application object, so it is destroyed before it.
    BrimoPanel panel(nullptr);
    app.m_mainWindow = &panel;
    panel.showFullScreen();
    // A service manager that started the panel hears from it once the loop shows the window.
    CWatchdog watchdog;
    QTimer::singleShot(0, &watchdog, SLOT(start()));
    const int result = app.exec();

    // Events sent while the panel is torn down must not reach it through the hook.
    app.m_mainWindow = nullptr;
    return result;
}
