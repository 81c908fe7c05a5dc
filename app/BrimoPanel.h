#pragma once

#include <QMainWindow>
#include <QTimer>

class CNodeWidget;
class CPanelLock;
class CSleepController;
class QGridLayout;
class QVBoxLayout;

// The full-screen wall of up to nine device tiles on the frame colour. It has no bars; a context
// menu (right-click, or press and hold on a touch screen) and two shortcuts lead to the setup
// dialog and to quitting. It hides the mouse cursor after five seconds without movement; the
// application object shows it again (Application::notify). On a public wall setup and quitting may
// ask for a PIN first (CPanelLock), and the screen may sleep (CSleepController).
class BrimoPanel : public QMainWindow
{
    Q_OBJECT

public:
    // Time without mouse movement after which the cursor is hidden, in ms.
    static constexpr int HideCursorDelay = 5000;

    explicit BrimoPanel(QWidget *parent);
    ~BrimoPanel() override;

    // Builds the tiles afresh from the settings, replacing any earlier ones; returns how many.
    int buildGrid();

    // The request URL of the device named by a slot's host text ("name [address]"), or an empty
    // string when the text carries no bracketed address.
    static QString requestUrl(const QString &hostText);

    // Whether any tile shows a Critical sensor now.
    bool anyCritical() const;

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private slots:
    void on_actionSetup();
    void DoSetup();
    void DoExit();
    void onHideCursorTimeout();
    void onPressHeld(const QPoint &globalPos);
    void onDarkChanged(bool dark);

private:
    // fromHold: opened by press and hold, while the finger or button still rests.
    void runContextMenu(const QPoint &globalPos, bool fromHold = false);

    // Shows the arrow and holds the hiding back while a menu or dialog is open.
    void holdCursor();
    void releaseCursor();

    CNodeWidget *m_nodes[3][3] = {};
    QWidget *m_centralWidget = nullptr;
    QVBoxLayout *m_boxLayout = nullptr;
    QGridLayout *m_gridLayout = nullptr;
    QAction *m_actionSetup = nullptr;
    QAction *m_actionQuit = nullptr;
    QTimer m_hideCursorTimer;
    CPanelLock *m_lock = nullptr;
    // Only where the settings ask for sleep; the black over everything while dark.
    CSleepController *m_sleep = nullptr;
    QWidget *m_darkCover = nullptr;

    // Restarts m_hideCursorTimer on every mouse movement.
    friend class Application;
};
