#pragma once

#include <QApplication>

class BrimoPanel;

// The application object. It sees every event of the program first and uses each mouse movement to
// bring the panel's cursor back and postpone its hiding.
class Application : public QApplication
{
public:
    Application(int &argc, char **argv);
    ~Application() override;

    bool notify(QObject *receiver, QEvent *event) override;

    BrimoPanel *m_mainWindow = nullptr; // not owned
};
