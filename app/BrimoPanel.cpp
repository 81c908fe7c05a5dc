#include "BrimoPanel.h"

#include "CNodeWidget.h"
#include "CPanelLock.h"
#include "CPressAndHold.h"
#include "CSettings.h"
#include "CSetupDlg.h"
#include "CSleepController.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QGridLayout>
#include <QMenu>
#include <QRegularExpression>
#include <QShortcut>
#include <QVBoxLayout>

namespace {

// Keeps the release that ends a press and hold from the menu the hold opened: the finger or button
// rests on the menu, and a release there, after any movement (Qt 6 takes even a small one as a drag
// into the menu), would choose the entry under it.
class HoldReleaseFilter : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::MouseButtonRelease)
            return false;
        watched->removeEventFilter(this);
        return true;
    }
};

} // namespace

BrimoPanel::BrimoPanel(QWidget *parent) : QMainWindow(parent)
{
    m_centralWidget = new QWidget;
    setCentralWidget(m_centralWidget);

    const int tiles = buildGrid();

    m_actionSetup = new QAction(tr("&Setup"), this);
    connect(m_actionSetup, SIGNAL(triggered()), this, SLOT(on_actionSetup()));
    m_actionQuit = new QAction(tr("&Quit"), this);
    // With a PIN, quitting from the menu asks for it as Ctrl+Q does.
    m_lock = new CPanelLock(this);
    if (m_lock->isSet())
        connect(m_actionQuit, SIGNAL(triggered()), this, SLOT(DoExit()));
    else
        connect(m_actionQuit, SIGNAL(triggered()), qApp, SLOT(quit()));

    auto *setupShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), this, SLOT(DoSetup()));
    setupShortcut->setAutoRepeat(false);
    auto *quitShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this, SLOT(DoExit()));
    quitShortcut->setAutoRepeat(false);

    auto *pressAndHold = new CPressAndHold(this);
    connect(pressAndHold, SIGNAL(held(QPoint)), this, SLOT(onPressHeld(QPoint)));

    // After the press and hold, so its filter sees the waking input first and can swallow it.
    if (CSleepController::wanted()) {
        m_sleep = new CSleepController(this);
        m_sleep->m_anyCritical = [this] {
            return anyCritical();
        };
        connect(m_sleep, SIGNAL(darkChanged(bool)), this, SLOT(onDarkChanged(bool)));
    }

    // Nothing to show: ask for devices as soon as the event loop runs.
    if (tiles == 0)
        QTimer::singleShot(10, this, SLOT(DoSetup()));

    connect(&m_hideCursorTimer, SIGNAL(timeout()), this, SLOT(onHideCursorTimeout()));
    m_hideCursorTimer.setSingleShot(true);
    m_hideCursorTimer.start(HideCursorDelay);
}

BrimoPanel::~BrimoPanel() = default;

QString BrimoPanel::requestUrl(const QString &hostText)
{
    if (hostText.isEmpty())
        return QString();
    // Greedy: everything between the first "[" and the last "]", line breaks included.
    static const QRegularExpression address(QStringLiteral("\\[(.*)\\]"),
                                            QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = address.match(hostText);
    if (!match.hasMatch())
        return QString();
    return QStringLiteral("http://%1/tpl/document.cgi?tpl/j/panel.tpl&format=json")
        .arg(match.captured(1));
}

int BrimoPanel::buildGrid()
{
    QPalette framePalette = palette();
    framePalette.setBrush(QPalette::All, QPalette::Window, QBrush(g_settings->m_frameColor));
    m_centralWidget->setAutoFillBackground(true);
    m_centralWidget->setPalette(framePalette);

    // The old tiles go at once, so no stale tile polls on beside the new ones, and the central
    // widget must lose its layout before it can take the new one.
    if (m_boxLayout) {
        if (m_gridLayout) {
            for (auto &row : m_nodes) {
                for (CNodeWidget *&tile : row) {
                    if (!tile)
                        continue;
                    m_gridLayout->removeWidget(tile);
                    delete tile;
                    tile = nullptr;
                }
            }
            m_boxLayout->removeItem(m_gridLayout);
            delete m_gridLayout;
            m_gridLayout = nullptr;
        }
        delete m_boxLayout;
        m_boxLayout = nullptr;
    }

    m_gridLayout = new QGridLayout;
    int count = 0;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            m_nodes[r][c] = nullptr;
            const QString url = requestUrl(g_settings->m_host[r][c]);
            if (url.isEmpty())
                continue;
            auto *tile = new CNodeWidget(r, c, this);
            m_nodes[r][c] = tile;
            tile->setUrl(url);
            m_gridLayout->addWidget(tile, r, c);
            ++count;
        }
    }

    m_boxLayout = new QVBoxLayout(m_centralWidget);
    m_boxLayout->addLayout(m_gridLayout, 0);
    return count;
}

bool BrimoPanel::anyCritical() const
{
    for (const auto &row : m_nodes) {
        for (const CNodeWidget *tile : row) {
            if (tile && tile->isCritical())
                return true;
        }
    }
    return false;
}

// Dark: the tiles go hidden, so nothing of them is drawn while they poll on, and black covers the
// window.
void BrimoPanel::onDarkChanged(bool dark)
{
    if (!m_darkCover) {
        m_darkCover = new QWidget(this);
        QPalette black = m_darkCover->palette();
        black.setBrush(QPalette::All, QPalette::Window, QBrush(Qt::black));
        m_darkCover->setPalette(black);
        m_darkCover->setAutoFillBackground(true);
    }
    m_darkCover->setGeometry(rect());
    m_darkCover->raise();
    m_darkCover->setVisible(dark);
    m_centralWidget->setVisible(!dark);
}

void BrimoPanel::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    if (m_darkCover)
        m_darkCover->setGeometry(rect());
}

void BrimoPanel::contextMenuEvent(QContextMenuEvent *event)
{
    runContextMenu(event->globalPos());
}

void BrimoPanel::onPressHeld(const QPoint &globalPos)
{
    // Not over a menu or dialog that opened while the finger rested.
    if (!QApplication::activePopupWidget() && !QApplication::activeModalWidget())
        runContextMenu(globalPos, true);
}

void BrimoPanel::runContextMenu(const QPoint &globalPos, bool fromHold)
{
    holdCursor();
    HoldReleaseFilter holdRelease;
    QMenu menu(this);
    if (fromHold)
        menu.installEventFilter(&holdRelease);
    menu.addAction(m_actionSetup);
    menu.addAction(m_actionQuit);
    menu.exec(globalPos);
    releaseCursor();
}

void BrimoPanel::on_actionSetup()
{
    DoSetup();
}

void BrimoPanel::DoSetup()
{
    holdCursor();
    if (!m_lock->unlock()) {
        releaseCursor();
        return;
    }
    CSetupDlg dlg(this);
    dlg.loadRefreshValues();
    if (dlg.exec() == QDialog::Accepted) {
        dlg.applySettings();
        buildGrid();
    }
    releaseCursor();
}

void BrimoPanel::DoExit()
{
    if (m_lock->isSet()) {
        holdCursor();
        const bool open = m_lock->unlock();
        releaseCursor();
        if (!open)
            return;
    }
    QCoreApplication::quit();
}

void BrimoPanel::onHideCursorTimeout()
{
    setCursor(Qt::BlankCursor);
}

void BrimoPanel::holdCursor()
{
    setCursor(Qt::ArrowCursor);
    m_hideCursorTimer.stop();
}

void BrimoPanel::releaseCursor()
{
    m_hideCursorTimer.start(HideCursorDelay);
}
