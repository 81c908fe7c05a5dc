#include "Application.h"
#include "BrimoPanel.h"
#include "CNodeWidget.h"
#include "CSettings.h"
#include "PanelTestSupport.h"
#include "SettingsFixture.h"

#include <QContextMenuEvent>
#include <QDialog>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QScopedPointer>
#include <QTest>

// The cursor over the panel: hidden after five seconds without mouse movement, shown again by any
// movement anywhere in the program, which the application object sees first.
class tst_Application : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void withoutMainWindowOnlyForwards();
    void hidesAfterFiveSeconds();
    void mouseMoveShowsArrow_data();
    void mouseMoveShowsArrow();
    void mouseMovePostponesHiding();
    void otherEventsLeaveTheCursor();
    void hidesAfterClose_data();
    void hidesAfterClose();

private:
    static Application *app() { return static_cast<Application *>(qApp); }
    static Qt::CursorShape shape(QWidget *w) { return w->cursor().shape(); }

    QScopedPointer<SettingsFixture> m_settings;
    QScopedPointer<ModalCloser> m_closer;
    QScopedPointer<BrimoPanel> m_panel;
    QElapsedTimer m_sinceConstruction;
};

void tst_Application::initTestCase()
{
    REQUIRE_PRIVATE_NETWORK();
    m_settings.reset(new SettingsFixture);
    // One tile, so setup does not open by itself; nothing listens on port 1.
    g_settings->m_host[1][1] = QStringLiteral("sim [127.0.0.1:1]");
}

void tst_Application::init()
{
    m_closer.reset(new ModalCloser);
    m_panel.reset(new BrimoPanel(nullptr));
    m_sinceConstruction.start();
    app()->m_mainWindow = m_panel.data();
    m_panel->resize(600, 400);
    m_panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_panel.data()));
}

void tst_Application::cleanup()
{
    app()->m_mainWindow = nullptr;
    m_panel.reset();
    m_closer.reset();
}

void tst_Application::withoutMainWindowOnlyForwards()
{
    app()->m_mainWindow = nullptr;
    m_panel->setCursor(Qt::BlankCursor);
    QTest::mouseMove(m_panel->windowHandle(), QPoint(10, 10));
    QTest::mouseMove(m_panel->windowHandle(), QPoint(20, 20));
    QCOMPARE(shape(m_panel.data()), Qt::BlankCursor);
}

void tst_Application::hidesAfterFiveSeconds()
{
    QCOMPARE(shape(m_panel.data()), Qt::ArrowCursor);
    QTRY_COMPARE_WITH_TIMEOUT(shape(m_panel.data()), Qt::BlankCursor, 10000);
    // The timer may fire a little early, never much.
    QVERIFY2(m_sinceConstruction.elapsed() >= 4500,
             qPrintable(QString::number(m_sinceConstruction.elapsed())));
    // Nothing moves: it stays hidden.
    QTest::qWait(1000);
    QCOMPARE(shape(m_panel.data()), Qt::BlankCursor);
}

void tst_Application::mouseMoveShowsArrow_data()
{
    QTest::addColumn<QString>("where");
    QTest::newRow("over the panel window") << "window";
    QTest::newRow("over a tile") << "tile";
    QTest::newRow("over another window") << "other";
}

void tst_Application::mouseMoveShowsArrow()
{
    QFETCH(QString, where);
    m_panel->setCursor(Qt::BlankCursor);

    if (where == QLatin1String("window")) {
        QTest::mouseMove(m_panel->windowHandle(), QPoint(30, 40));
    } else if (where == QLatin1String("tile")) {
        auto *tile = m_panel->findChild<CNodeWidget *>();
        QVERIFY(tile);
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), QPointF(tile->mapToGlobal(QPoint(5, 5))),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(tile, &move);
    } else {
        QWidget other;
        other.resize(200, 100);
        other.show();
        QVERIFY(QTest::qWaitForWindowExposed(&other));
        QTest::mouseMove(other.windowHandle(), QPoint(50, 50));
    }
    QCOMPARE(shape(m_panel.data()), Qt::ArrowCursor);
}

// The hiding comes 5000 ms after the last movement, not after construction.
void tst_Application::mouseMovePostponesHiding()
{
    QTest::qWait(3000);
    QTest::mouseMove(m_panel->windowHandle(), QPoint(30, 40));
    QElapsedTimer sinceMove;
    sinceMove.start();
    // Without the move it would come about 2000 ms from here. A busy machine can only make the
    // hiding late, never early, so the lower bound holds anywhere.
    QTRY_COMPARE_WITH_TIMEOUT(shape(m_panel.data()), Qt::BlankCursor, 10000);
    QVERIFY2(sinceMove.elapsed() >= 4500, qPrintable(QString::number(sinceMove.elapsed())));
}

// Key presses, clicks and paints neither show the cursor nor postpone its hiding.
void tst_Application::otherEventsLeaveTheCursor()
{
    QWindow *window = m_panel->windowHandle();
    const auto sendOthers = [&] {
        QTest::keyClick(window, Qt::Key_A);
        QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, QPoint(30, 40));
        QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, QPoint(30, 40));
        m_panel->repaint();
        QCoreApplication::processEvents();
    };
    // Moved once, so the press below lands without a movement of its own.
    QTest::mouseMove(window, QPoint(30, 40));
    QTest::qWait(3500);
    sendOthers();
    // Due 1500 ms later; restarted, it would come only 5000 ms after these events.
    QTRY_COMPARE_WITH_TIMEOUT(shape(m_panel.data()), Qt::BlankCursor, 3500);

    sendOthers();
    QTest::qWait(200);
    QCOMPARE(shape(m_panel.data()), Qt::BlankCursor);
}

void tst_Application::hidesAfterClose_data()
{
    QTest::addColumn<bool>("menu");
    QTest::newRow("setup dialog closed by Escape") << false;
    QTest::newRow("menu closed without movement") << true;
}

// The cursor shows while the menu or the setup dialog is open; closing either restarts the hiding
// even when the mouse never moves, so no arrow stays on the wall.
void tst_Application::hidesAfterClose()
{
    QFETCH(bool, menu);
    m_closer.reset(); // closed by key here
    m_panel->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_panel.data()));
    QTest::qWait(1000); // the hiding due since construction would now come before the new one

    QElapsedTimer sinceClose;
    const auto escape = [&sinceClose](QWidget *open) {
        QTest::keyClick(open, Qt::Key_Escape);
        sinceClose.start();
    };
    if (menu) {
        whenPopup(escape);
        QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(30, 40),
                                m_panel->mapToGlobal(QPoint(30, 40)));
        QApplication::sendEvent(m_panel.data(), &event);
    } else {
        whenModal<QDialog>([&](QDialog *dialog) { escape(dialog); });
        QTest::keyClick(m_panel->windowHandle(), Qt::Key_S, Qt::ControlModifier);
    }
    QVERIFY(sinceClose.isValid());
    QCOMPARE(shape(m_panel.data()), Qt::ArrowCursor);
    QTRY_COMPARE_WITH_TIMEOUT(shape(m_panel.data()), Qt::BlankCursor, 10000);
    QVERIFY2(sinceClose.elapsed() >= 4500, qPrintable(QString::number(sinceClose.elapsed())));
}

BRIMO_APPLICATION_TEST_MAIN(tst_Application)
#include "tst_application.moc"
