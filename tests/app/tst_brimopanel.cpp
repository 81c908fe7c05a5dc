#include "BrimoPanel.h"
#include "CNodeWidget.h"
#include "CPanelLock.h"
#include "CPinKeypad.h"
#include "CPressAndHold.h"
#include "CSettings.h"
#include "CSetupDlg.h"
#include "CSleepController.h"
#include "PanelTestSupport.h"
#include "QtCompat.h"
#include "SettingsFixture.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopedPointer>
#include <QShortcut>
#include <QSignalSpy>
#include <QStyleHints>
#include <QTest>
#include <QVBoxLayout>

using Slot = QPair<int, int>;
using HostMap = QMap<Slot, QString>;

class tst_BrimoPanel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void requestUrl_data();
    void requestUrl();
    void grid_data();
    void grid();
    void tilePollsItsDevice();
    void rebuildReplacesEveryTile();
    void frameColor();
    void setupOnEmpty_data();
    void setupOnEmpty();
    void contextMenu();
    void pressAndHold_data();
    void pressAndHold();
    void shortcuts();
    void setupEntries_data();
    void setupEntries();
    void acceptedSetupRebuilds();
    void shortcutDoesNotRepeat();
    void quitting_data();
    void quitting();
    void lockedWays_data();
    void lockedWays();
    void lockOut();
    void sleeping();

private:
    BrimoPanel *makePanel(const HostMap &hosts);
    static QGridLayout *gridOf(BrimoPanel *panel);
    static bool showActive(BrimoPanel *panel);
    static void triggerAction(BrimoPanel *panel, const QString &text);

    QScopedPointer<SettingsFixture> m_settings;
    QScopedPointer<BrimoPanel> m_panel;
    QScopedPointer<ModalCloser> m_closer;
    QtCompat::TouchDevice *m_touchScreen = nullptr;
};

void tst_BrimoPanel::initTestCase()
{
    REQUIRE_PRIVATE_NETWORK();
    m_settings.reset(new SettingsFixture);
    m_touchScreen = QTest::createTouchDevice();
}

void tst_BrimoPanel::init()
{
    g_settings->clearDevices();
    g_settings->m_frameColor = Qt::black;
    g_settings->m_setupPin.clear();
    g_settings->m_sleepAfter = 0;
    m_closer.reset(new ModalCloser);
}

void tst_BrimoPanel::cleanup()
{
    m_panel.reset();
    m_closer.reset();
}

BrimoPanel *tst_BrimoPanel::makePanel(const HostMap &hosts)
{
    for (auto it = hosts.begin(); it != hosts.end(); ++it)
        g_settings->m_host[it.key().first][it.key().second] = it.value();
    m_panel.reset(new BrimoPanel(nullptr));
    return m_panel.data();
}

QGridLayout *tst_BrimoPanel::gridOf(BrimoPanel *panel)
{
    QLayout *box = panel->centralWidget()->layout();
    return box && box->count() == 1 ? qobject_cast<QGridLayout *>(box->itemAt(0)->layout())
                                    : nullptr;
}

// Shortcuts work in the active window only.
bool tst_BrimoPanel::showActive(BrimoPanel *panel)
{
    panel->show();
    panel->activateWindow();
    return QTest::qWaitForWindowActive(panel);
}

void tst_BrimoPanel::triggerAction(BrimoPanel *panel, const QString &text)
{
    const auto actions = panel->findChildren<QAction *>();
    for (QAction *action : actions) {
        if (action->text() == text)
            action->trigger();
    }
}

void tst_BrimoPanel::requestUrl_data()
{
    QTest::addColumn<QString>("hostText");
    QTest::addColumn<QString>("url");

    const QString tpl = QStringLiteral("http://%1/tpl/document.cgi?tpl/j/panel.tpl&format=json");
    QTest::newRow("name and address") << "name [10.0.0.7]" << tpl.arg("10.0.0.7");
    QTest::newRow("with port") << "sim [127.0.0.1:8080]" << tpl.arg("127.0.0.1:8080");
    QTest::newRow("text after the brackets") << "a [10.0.0.7] b" << tpl.arg("10.0.0.7");
    QTest::newRow("two bracketed parts") << "x [a] y [10.0.0.7]" << tpl.arg("a] y [10.0.0.7");
    QTest::newRow("no brackets") << "name 10.0.0.7" << QString();
    QTest::newRow("only an opening bracket") << "name [10.0.0.7" << QString();
    QTest::newRow("brackets the wrong way round") << "name ]10.0.0.7[" << QString();
    QTest::newRow("empty") << "" << QString();
}

void tst_BrimoPanel::requestUrl()
{
    QFETCH(QString, hostText);
    QFETCH(QString, url);
    QCOMPARE(BrimoPanel::requestUrl(hostText), url);
}

void tst_BrimoPanel::grid_data()
{
    QTest::addColumn<HostMap>("hosts");
    QTest::addColumn<QList<Slot>>("tiles");

    QTest::newRow("no slot in use") << HostMap() << QList<Slot>();
    QTest::newRow("one slot") << HostMap{{{1, 2}, "name [127.0.0.7]"}} << QList<Slot>{{1, 2}};
    QTest::newRow("hosts without address")
        << HostMap{{{0, 0}, "plain name"}, {{2, 1}, "dev [127.0.0.5]"}, {{1, 1}, "[open"}}
        << QList<Slot>{{2, 1}};
    QTest::newRow("two bracketed parts still make a tile")
        << HostMap{{{0, 2}, "x [a] y [127.0.0.3]"}} << QList<Slot>{{0, 2}};

    HostMap all;
    QList<Slot> allSlots;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            all[{r, c}] = QStringLiteral("dev%1%2 [127.0.0.%3]").arg(r).arg(c).arg(r * 3 + c + 2);
            allSlots << Slot{r, c};
        }
    }
    QTest::newRow("all nine") << all << allSlots;
}

void tst_BrimoPanel::grid()
{
    QFETCH(HostMap, hosts);
    QFETCH(QList<Slot>, tiles);

    BrimoPanel *panel = makePanel(hosts);
    QCOMPARE(panel->findChildren<CNodeWidget *>().size(), tiles.size());
    QGridLayout *grid = gridOf(panel);
    QVERIFY(grid);
    QCOMPARE(grid->count(), tiles.size());
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            QLayoutItem *item = grid->itemAtPosition(r, c);
            QCOMPARE(item && qobject_cast<CNodeWidget *>(item->widget()), tiles.contains({r, c}));
        }
    }
    QCOMPARE(panel->buildGrid(), tiles.size());
}

// The tile asks the address between the brackets for the panel document.
void tst_BrimoPanel::tilePollsItsDevice()
{
    FakeDevice device("{}");
    QVERIFY(device.isListening());
    BrimoPanel *panel = makePanel({{{1, 2}, device.hostText()}});
    QVERIFY(qobject_cast<CNodeWidget *>(gridOf(panel)->itemAtPosition(1, 2)->widget()));
    QTRY_VERIFY_WITH_TIMEOUT(!device.requests.isEmpty(), 5000);
    QCOMPARE(device.requests.first(),
             QStringLiteral("GET /tpl/document.cgi?tpl/j/panel.tpl&format=json HTTP/1.1"));
}

void tst_BrimoPanel::rebuildReplacesEveryTile()
{
    BrimoPanel *panel = makePanel({{{0, 0}, "a [127.0.0.2]"}, {{1, 1}, "b [127.0.0.3]"}});
    panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(panel));
    const QList<CNodeWidget *> before = panel->findChildren<CNodeWidget *>();
    QCOMPARE(before.size(), 2);
    QPointer<CNodeWidget> old0(before[0]), old1(before[1]);

    // (1, 1) is unchanged and is replaced all the same.
    g_settings->m_host[0][0].clear();
    g_settings->m_host[2][2] = QStringLiteral("c [127.0.0.4]");
    QCOMPARE(panel->buildGrid(), 2);
    QVERIFY(!old0);
    QVERIFY(!old1);

    QGridLayout *grid = gridOf(panel);
    QVERIFY(grid);
    QCOMPARE(grid->count(), 2);
    QVERIFY(!grid->itemAtPosition(0, 0));
    auto *b = qobject_cast<CNodeWidget *>(grid->itemAtPosition(1, 1)->widget());
    auto *c = qobject_cast<CNodeWidget *>(grid->itemAtPosition(2, 2)->widget());
    QVERIFY(b && c);
    QCOMPARE(panel->findChildren<CNodeWidget *>().size(), 2);
    QCOMPARE(panel->findChildren<QVBoxLayout *>().size(), 1);
    QTRY_VERIFY(b->isVisible() && c->isVisible());

    // Emptied settings leave an empty grid.
    g_settings->clearDevices();
    QCOMPARE(panel->buildGrid(), 0);
    QCOMPARE(panel->findChildren<CNodeWidget *>().size(), 0);
    QCOMPARE(gridOf(panel)->count(), 0);
}

void tst_BrimoPanel::frameColor()
{
    g_settings->m_frameColor = QColor(0x12, 0x34, 0x56);
    BrimoPanel *panel = makePanel({{{0, 0}, "a [127.0.0.2]"}});
    QWidget *central = panel->centralWidget();
    QVERIFY(central->autoFillBackground());
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        QCOMPARE(central->palette().color(group, QPalette::Window), QColor(0x12, 0x34, 0x56));

    // The frame shows in the layout margins, around the tile.
    panel->resize(600, 400);
    panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(panel));
    QCOMPARE(central->grab().toImage().pixelColor(1, 1), QColor(0x12, 0x34, 0x56));

    g_settings->m_frameColor = Qt::darkGreen;
    panel->buildGrid();
    QCOMPARE(central->palette().color(QPalette::Window), QColor(Qt::darkGreen));
}

// Setup opens by itself only when no tile could be built. Running setup shows the arrow cursor,
// whether or not a dialog comes up (the closer rejects it).
void tst_BrimoPanel::setupOnEmpty_data()
{
    QTest::addColumn<HostMap>("hosts");
    QTest::addColumn<bool>("opensSetup");

    QTest::newRow("no slot in use") << HostMap() << true;
    QTest::newRow("hosts without address")
        << HostMap{{{0, 0}, "plain"}, {{2, 2}, "also plain"}} << true;
    QTest::newRow("one tile") << HostMap{{{1, 0}, "a [127.0.0.2]"}} << false;
}

void tst_BrimoPanel::setupOnEmpty()
{
    QFETCH(HostMap, hosts);
    QFETCH(bool, opensSetup);

    BrimoPanel *panel = makePanel(hosts);
    panel->setCursor(Qt::BlankCursor);
    if (opensSetup)
        QTRY_COMPARE(m_closer->closed(), 1);
    QTest::qWait(300);
    QCOMPARE(m_closer->closed(), opensSetup ? 1 : 0);
    QCOMPARE(panel->cursor().shape(), opensSetup ? Qt::ArrowCursor : Qt::BlankCursor);
}

void tst_BrimoPanel::contextMenu()
{
    BrimoPanel *panel = makePanel({{{0, 0}, "a [127.0.0.2]"}});
    panel->resize(600, 400);
    panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(panel));
    panel->setCursor(Qt::BlankCursor);

    QStringList texts;
    QPoint menuPos;
    Qt::CursorShape shapeWhileOpen = Qt::BlankCursor;
    whenPopup([&](QWidget *popup) {
        const auto actions = popup->actions();
        for (QAction *action : actions)
            texts << action->text();
        menuPos = popup->pos();
        shapeWhileOpen = panel->cursor().shape();
        popup->close();
    });
    const QPoint global = panel->mapToGlobal(QPoint(120, 80));
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(120, 80), global);
    QApplication::sendEvent(panel, &event);

    QCOMPARE(texts, QStringList({"&Setup", "&Quit"}));
    QCOMPARE(menuPos, global);
    QCOMPARE(shapeWhileOpen, Qt::ArrowCursor);
    QCOMPARE(panel->cursor().shape(), Qt::ArrowCursor);
    // The menu was made for this one run.
    QTRY_COMPARE(panel->findChildren<QMenu *>().size(), 0);
}

// Watches a tile's events; in "take" mode it accepts touch as a widget with touch gestures would.
class TileEvents : public QObject
{
public:
    bool take = false;
    int touches = 0;
    int mouseFromTouch = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
            ++touches;
            event->accept();
            return true;
        case QEvent::MouseButtonPress:
        // Qt 6 turns a press it takes for the second of a double click into this event alone: a
        // touch tap where the previous row tapped with the mouse is one (QTest's mouse events keep
        // a clock of their own).
        case QEvent::MouseButtonDblClick:
            mouseFromTouch +=
                static_cast<QMouseEvent *>(event)->source() == Qt::MouseEventSynthesizedByQt;
            return false;
        default:
            return false;
        }
    }
};

void tst_BrimoPanel::pressAndHold_data()
{
    QTest::addColumn<QString>("input"); // "mouse", "touch", or "touch taken": a tile accepts touch
    QTest::addColumn<QString>("gesture");
    QTest::addColumn<bool>("overTile"); // else over the frame
    QTest::addColumn<bool>("opensMenu");

    for (const char *input : {"mouse", "touch", "touch taken"}) {
        const QString in = QLatin1String(input);
        QTest::addRow("%s: hold", input) << in << "hold" << true << true;
        QTest::addRow("%s: tap", input) << in << "tap" << true << false;
        QTest::addRow("%s: move", input) << in << "move" << true << false;
        if (in != QLatin1String("touch taken"))
            QTest::addRow("%s: hold over the frame", input) << in << "hold" << false << true;
        if (in != QLatin1String("touch taken"))
            QTest::addRow("%s: hold, then choose", input) << in << "choose" << true << true;
    }
    QTest::newRow("touch taken: second finger") << "touch taken"
                                                << "second finger" << true << false;
    // A finger trembles within the start-drag distance, and a slow slide goes beyond it upwards.
    QTest::newRow("touch: hold with a tremble") << "touch"
                                                << "tremble" << true << true;
    QTest::newRow("touch: slow slide up") << "touch"
                                          << "slide up" << true << false;
    QTest::newRow("mouse: hold with a jitter") << "mouse"
                                               << "jitter" << true << true;
    QTest::newRow("mouse: right-click") << "mouse"
                                        << "right-click" << true << true;
}

// Press and hold opens the right-click menu at the press; the release that follows does not choose
// an entry. A short tap does nothing and leaves a hidden cursor hidden; moving away cancels.
void tst_BrimoPanel::pressAndHold()
{
    QFETCH(QString, input);
    QFETCH(QString, gesture);
    QFETCH(bool, overTile);
    QFETCH(bool, opensMenu);

    BrimoPanel *panel = makePanel({{{0, 0}, "a [127.0.0.2]"}});
    panel->resize(600, 400);
    panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(panel));
    QWindow *window = panel->windowHandle();
    auto *tile = panel->findChild<CNodeWidget *>();
    TileEvents tileEvents;
    tileEvents.take = input == QLatin1String("touch taken");
    if (tileEvents.take)
        tile->setAttribute(Qt::WA_AcceptTouchEvents);
    tile->installEventFilter(&tileEvents);

    const bool mouse = input == QLatin1String("mouse");
    const Qt::MouseButton button =
        gesture == QLatin1String("right-click") ? Qt::RightButton : Qt::LeftButton;
    const QPoint at = overTile ? tile->mapTo(panel, tile->rect().center()) : QPoint(3, 3);
    auto press = [&] {
        if (mouse)
            QTest::mousePress(window, button, Qt::NoModifier, at);
        else
            QTest::touchEvent(window, m_touchScreen).press(0, at, window);
    };
    auto moveBy = [&](QPoint by) {
        if (mouse)
            QTest::mouseMove(window, at + by);
        else
            QTest::touchEvent(window, m_touchScreen).move(0, at + by, window);
    };
    auto release = [&] {
        if (mouse)
            QTest::mouseRelease(window, button, Qt::NoModifier, at);
        else
            QTest::touchEvent(window, m_touchScreen).release(0, at, window);
    };

    QList<QSignalSpy *> triggered;
    QAction *quit = nullptr;
    QSignalSpy *quitSpy = nullptr;
    for (QAction *action : panel->findChildren<QAction *>()) {
        triggered << new QSignalSpy(action, &QAction::triggered);
        if (action->text() == QLatin1String("&Quit"))
            quit = action, quitSpy = triggered.last();
    }
    QVERIFY(quit && QObject::disconnect(quit, SIGNAL(triggered()), qApp, SLOT(quit())));
    const bool choose = gesture == QLatin1String("choose");
    QStringList texts;
    QPoint menuPos;
    Qt::CursorShape shapeWhileOpen = Qt::BlankCursor;
    bool openAfterRelease = false;
    int menus = 0;
    QTimer watcher;
    connect(&watcher, &QTimer::timeout, [&] {
        QWidget *popup = QApplication::activePopupWidget();
        if (!popup)
            return;
        ++menus;
        for (QAction *action : popup->actions())
            texts << action->text();
        menuPos = popup->pos();
        shapeWhileOpen = panel->cursor().shape();
        release(); // the finger or button still rests on the menu's corner
        QTest::qWait(100);
        openAfterRelease = popup->isVisible();
        if (choose) // a click on an entry after the hold chooses it
            QTest::mouseClick(popup, Qt::LeftButton, {},
                              static_cast<QMenu *>(popup)->actionGeometry(quit).center());
        popup->close();
    });
    watcher.start(20);

    // Rests where it was moved last, so the gesture itself brings no movement.
    QTest::mouseMove(window, at);
    panel->setCursor(Qt::BlankCursor);
    press();
    if (gesture == QLatin1String("tap")) {
        release();
    } else if (gesture == QLatin1String("move")) {
        moveBy({30, 0});
    } else if (gesture == QLatin1String("jitter")) {
        moveBy({3, 0});
    } else if (gesture == QLatin1String("tremble")) {
        const int d = QGuiApplication::styleHints()->startDragDistance();
        for (const QPoint by : {QPoint(1, -1), QPoint(-d / 2, d - d / 2), QPoint(0, -d)})
            moveBy(by);
    } else if (gesture == QLatin1String("second finger")) {
        // The first finger "moves" to where it rests: a stationary point has no position here.
        QTest::touchEvent(window, m_touchScreen).move(0, at, window).press(1, at, window);
        QTest::touchEvent(window, m_touchScreen).move(0, at, window).release(1, at, window);
    } else if (gesture == QLatin1String("slide up")) {
        for (int y = -4; y >= -40; y -= 4)
            moveBy({y / 4, y});
    }
    if (opensMenu) {
        QTRY_COMPARE_WITH_TIMEOUT(menus, 1, 5000);
        QCOMPARE(texts, QStringList({"&Setup", "&Quit"}));
        QCOMPARE(menuPos, panel->mapToGlobal(at));
        QCOMPARE(shapeWhileOpen, Qt::ArrowCursor);
        QVERIFY(openAfterRelease);
        QCOMPARE(panel->cursor().shape(), Qt::ArrowCursor);
    } else {
        QTest::qWait(CPressAndHold::HoldDelay + 400);
        if (gesture != QLatin1String("tap"))
            release();
        QCOMPARE(menus, 0);
        if (gesture == QLatin1String("tap"))
            QCOMPARE(panel->cursor().shape(), Qt::BlankCursor);
    }
    QTest::qWait(50);
    QCOMPARE(menus, opensMenu ? 1 : 0);
    for (QSignalSpy *spy : triggered)
        QCOMPARE(spy->count(), int(choose && spy == quitSpy));
    qDeleteAll(triggered);

    // Each delivery path was the one meant.
    if (overTile && !mouse) {
        QCOMPARE(tileEvents.touches > 0, tileEvents.take);
        QCOMPARE(tileEvents.mouseFromTouch > 0, !tileEvents.take);
    }
}

void tst_BrimoPanel::shortcuts()
{
    BrimoPanel *panel = makePanel({{{0, 0}, "a [127.0.0.2]"}});
    const auto shortcuts = panel->findChildren<QShortcut *>();
    QStringList keys;
    for (QShortcut *shortcut : shortcuts) {
        keys << shortcut->key().toString();
        QVERIFY(!shortcut->autoRepeat());
        QCOMPARE(shortcut->context(), Qt::WindowShortcut);
    }
    keys.sort();
    QCOMPARE(keys, QStringList({"Ctrl+Q", "Ctrl+S"}));
}

void tst_BrimoPanel::setupEntries_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Ctrl+S") << "key";
    QTest::newRow("&Setup action") << "action";
}

// Both ways into setup show the cursor and run the dialog; cancelled, it leaves the tiles alone.
void tst_BrimoPanel::setupEntries()
{
    QFETCH(QString, how);
    BrimoPanel *panel = makePanel({{{0, 0}, "a [127.0.0.2]"}});
    QVERIFY(showActive(panel));
    panel->setCursor(Qt::BlankCursor);
    QPointer<CNodeWidget> tile = panel->findChild<CNodeWidget *>();

    if (how == QLatin1String("key")) {
        QTest::keyClick(panel->windowHandle(), Qt::Key_S, Qt::ControlModifier);
    } else {
        triggerAction(panel, QStringLiteral("&Setup"));
    }
    QTRY_COMPARE(m_closer->closed(), 1);
    QCOMPARE(panel->cursor().shape(), Qt::ArrowCursor);
    QVERIFY(tile);
}

void tst_BrimoPanel::acceptedSetupRebuilds()
{
    m_closer.reset(new ModalCloser(QDialog::Accepted));
    BrimoPanel *panel = makePanel({{{0, 0}, "a [127.0.0.2]"}, {{2, 1}, "b [127.0.0.3]"}});
    const QList<CNodeWidget *> before = panel->findChildren<CNodeWidget *>();
    QCOMPARE(before.size(), 2);
    QPointer<CNodeWidget> old0(before[0]), old1(before[1]);

    QMetaObject::invokeMethod(panel, "DoSetup");
    QCOMPARE(m_closer->closed(), 1);
    QVERIFY(!old0 && !old1);
    QGridLayout *grid = gridOf(panel);
    QVERIFY(qobject_cast<CNodeWidget *>(grid->itemAtPosition(0, 0)->widget()));
    QVERIFY(qobject_cast<CNodeWidget *>(grid->itemAtPosition(2, 1)->widget()));
}

// Holding Ctrl+S runs setup once, not once per repeated key press.
void tst_BrimoPanel::shortcutDoesNotRepeat()
{
    BrimoPanel *panel = makePanel({{{0, 0}, "a [127.0.0.2]"}});
    QVERIFY(showActive(panel));
    QWindow *window = panel->windowHandle();

    panel->setCursor(Qt::BlankCursor);
    QTest::simulateEvent(window, true, Qt::Key_S, Qt::ControlModifier, QString(), false);
    QTRY_COMPARE(panel->cursor().shape(), Qt::ArrowCursor);

    // The dialog that came and went may have taken the activation along.
    QVERIFY(showActive(panel));
    panel->setCursor(Qt::BlankCursor);
    for (int i = 0; i < 3; ++i)
        QTest::simulateEvent(window, true, Qt::Key_S, Qt::ControlModifier, QString(), true);
    QTest::simulateEvent(window, false, Qt::Key_S, Qt::ControlModifier, QString(), false);
    QTest::qWait(200);
    QCOMPARE(panel->cursor().shape(), Qt::BlankCursor);
}

void tst_BrimoPanel::quitting_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Ctrl+Q") << "key";
    QTest::newRow("DoExit") << "slot";
    QTest::newRow("&Quit action") << "action";
}

// Quitting ends the event loop with 0, the program's exit code.
void tst_BrimoPanel::quitting()
{
    QFETCH(QString, how);
    BrimoPanel *panel = makePanel({{{0, 0}, "a [127.0.0.2]"}});
    QVERIFY(showActive(panel));

    QTimer::singleShot(0, panel, [panel, how] {
        if (how == QLatin1String("key")) {
            QTest::keyClick(panel->windowHandle(), Qt::Key_Q, Qt::ControlModifier);
        } else if (how == QLatin1String("slot")) {
            QMetaObject::invokeMethod(panel, "DoExit");
        } else {
            triggerAction(panel, QStringLiteral("&Quit"));
        }
    });
    QTimer safety;
    safety.setSingleShot(true);
    connect(&safety, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    safety.start(5000);
    QCOMPARE(QCoreApplication::exec(), 0);
}

// Types `keys` on the keypad when it comes: digits, "<" for back, tapped, or pressed on the
// keyboard when `finish` is "enter"; else it ends with "ok", "cancel", "wait" or, typed slowly,
// "slow". Fails on a digit shown. *asked: whether a keypad came.
static void whenKeypad(const QString &keys, const QString &finish, int *asked)
{
    whenModal<CPinKeypad>(
        [=](CPinKeypad *pad) {
            ++*asked;
            for (const QChar key : keys) {
                if (finish == QLatin1String("enter"))
                    QTest::keyClick(pad, key == '<' ? Qt::Key_Backspace : Qt::Key(key.unicode()));
                else
                    pad->findChild<QPushButton *>(key == '<' ? "keyBack" : "key" + QString(key))
                        ->click();
                if (finish == QLatin1String("slow"))
                    QTest::qWait(120); // more than the keypad's timeout in all
                for (const QLabel *label : pad->findChildren<QLabel *>())
                    QVERIFY(!label->text().contains(QRegularExpression("\\d")));
            }
            if (!pad->isVisible())
                return; // timed out meanwhile
            if (finish == QLatin1String("enter"))
                QTest::keyClick(pad, Qt::Key_Return);
            else if (finish != QLatin1String("wait"))
                pad->findChild<QPushButton *>(finish == "cancel" ? "keyCancel" : "keyOk")->click();
        },
        500);
}

void tst_BrimoPanel::lockedWays_data()
{
    QTest::addColumn<QString>("way");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("finish");
    QTest::addColumn<QString>("pin");
    QTest::addColumn<bool>("right");
    auto row = [](const char *name, const char *keys, const char *finish, const char *pin,
                  bool right) {
        QTest::newRow(name) << "key"
                            << "&Setup" << keys << finish << pin << right;
    };
    row("from the keyboard", "23<468", "enter", "2468", true);
    row("a prefix", "2468", "ok", "24680", false);
    row("cut at twelve digits", "0123456789012", "ok", "012345678901", true);
    row("cancelled", "2468", "cancel", "2468", false);
    row("timed out", "2468", "wait", "2468", false);
    row("typing keeps it open", "2468", "slow", "2468", true);
    // The quitting rows last: under Qt 6 a setup row after a quit from the menu finds no keypad.
    for (const char *entry : {"&Setup", "&Quit"}) {
        if (entry[1] == 'Q')
            row("no PIN asks nothing", "", "ok", "", true);
        for (const char *way : {"key", "menu", "hold"}) {
            for (const char *keys : {"2468", "1357"})
                QTest::addRow("%s %s, %s", way, entry, keys) << way << entry << keys << "ok"
                                                             << "2468" << (keys[0] == '2');
        }
    }
}

// With a PIN set, every way into setup and out of the panel asks for it, and only the right one
// goes on.
void tst_BrimoPanel::lockedWays()
{
    QFETCH(QString, way);
    QFETCH(QString, entry);
    QFETCH(QString, keys);
    QFETCH(QString, finish);
    QFETCH(QString, pin);
    QFETCH(bool, right);
    m_closer.reset(); // it would close the keypad
    g_settings->m_setupPin = pin;
    BrimoPanel *panel = makePanel({{{0, 0}, "a [127.0.0.2]"}});
    panel->findChild<CPanelLock *>()->m_keypadTimeout = 300;
    QVERIFY(showActive(panel));

    int keypads = 0, setups = 0;
    whenKeypad(keys, finish, &keypads);
    QTimer setupCloser; // gone with the row
    connect(&setupCloser, &QTimer::timeout, [&] {
        if (auto *dlg = qobject_cast<CSetupDlg *>(QApplication::activeModalWidget()))
            dlg->reject(), ++setups;
    });
    setupCloser.start(20);
    const bool quit = entry == QLatin1String("&Quit");
    auto goThrough = [&] {
        if (way == QLatin1String("key"))
            return QTest::keyClick(panel->windowHandle(), quit ? Qt::Key_Q : Qt::Key_S,
                                   Qt::ControlModifier);
        // The entry is chosen once the menu is gone: Qt 6 leaves nested loops that would end at
        // once after a quit from inside the menu's loop.
        whenPopup([&](QWidget *popup) {
            popup->close();
            QTimer::singleShot(0, panel, [panel, entry] { triggerAction(panel, entry); });
        });
        const QPoint global = panel->mapToGlobal(QPoint(20, 20));
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(20, 20), global);
        if (way == QLatin1String("hold"))
            QMetaObject::invokeMethod(panel, "onPressHeld", Q_ARG(QPoint, global));
        else
            QApplication::sendEvent(panel, &event);
    };
    if (quit) {
        QTimer::singleShot(0, panel, goThrough);
        QTimer safety; // gone with the row, so it ends no later loop
        connect(&safety, &QTimer::timeout, [] { QCoreApplication::exit(99); });
        safety.start(2000);
        QCOMPARE(QCoreApplication::exec(), right ? 0 : 99);
    } else {
        goThrough();
    }
    QTest::qWait(pin.isEmpty() ? 600 : 100);
    QCOMPARE(setups, right && !quit ? 1 : 0);
    QCOMPARE(keypads, pin.isEmpty() ? 0 : 1);
}

// Five wrong PINs in a row, each asked, and the panel asks nothing until the lock-out is over; a
// right PIN in between starts the count again, and cancelling is no try.
void tst_BrimoPanel::lockOut()
{
    g_settings->m_setupPin = QStringLiteral("2468");
    auto *lock = makePanel({{{0, 0}, "a [127.0.0.2]"}})->findChild<CPanelLock *>();
    lock->m_lockOut = 1000;
    m_closer.reset();
    auto tryPin = [lock](const QString &keys, const QString &finish = "ok") {
        int asked = 0;
        whenKeypad(keys, finish, &asked);
        const bool open = lock->unlock();
        if (!asked)
            QTest::qWait(600);
        return QStringLiteral("%1 %2").arg(asked).arg(open);
    };
    for (int i = 1; i < CPanelLock::MaxTries; ++i)
        QCOMPARE(tryPin("1111"), QStringLiteral("1 0"));
    QCOMPARE(tryPin("2468", "cancel"), QStringLiteral("1 0"));
    QCOMPARE(tryPin("2468"), QStringLiteral("1 1"));
    for (int i = 0; i < CPanelLock::MaxTries; ++i)
        QCOMPARE(tryPin("1111"), QStringLiteral("1 0"));
    QCOMPARE(tryPin("2468"), QStringLiteral("0 0"));
    QTest::qWait(lock->m_lockOut);
    QCOMPARE(tryPin("2468"), QStringLiteral("1 1"));
}

// Dark after the idle time: black all over, the tiles poll on but are not drawn; a Critical sensor
// wakes the panel, and when it is Normal again the panel goes dark again.
void tst_BrimoPanel::sleeping()
{
    const QByteArray normal = R"({"sensor":[{"status":"0","value":"%1","unit":"C"}]})";
    FakeDevice device(QByteArray(normal).replace("%1", "20.0"));
    g_settings->m_sleepAfter = 30;
    g_settings->m_enableFlags[1][1] = EnableTemperatureValue | EnableTemperatureUnit;
    BrimoPanel *panel = makePanel({{{1, 1}, device.hostText()}});
    panel->resize(600, 400);
    panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(panel));
    auto *sleep = panel->findChild<CSleepController *>();
    QVERIFY(sleep);
    qint64 now = 0;
    sleep->m_now = [&now] {
        return now;
    };
    sleep->noteInput();
    auto *tile = panel->findChild<CNodeWidget *>();
    QTRY_VERIFY(!device.requests.isEmpty());

    now = 29999;
    sleep->evaluate();
    QVERIFY(!sleep->isDark());
    now = 30000;
    sleep->evaluate();
    QVERIFY(sleep->isDark());
    const QImage shot = panel->grab().toImage();
    for (const QPoint at : {QPoint(0, 0), QPoint(300, 200), QPoint(599, 399)})
        QCOMPARE(shot.pixelColor(at), QColor(Qt::black));

    struct PaintCounter : QObject
    {
        int paints = 0;
        bool eventFilter(QObject *, QEvent *event) override
        {
            paints += event->type() == QEvent::Paint;
            return false;
        }
    } counter;
    const QList<QWidget *> labels = tile->findChildren<QWidget *>();
    QVERIFY(!labels.isEmpty());
    for (QWidget *widget : labels)
        widget->installEventFilter(&counter);
    const int polls = device.requests.size();
    device.body = QByteArray(normal).replace("%1", "21.0");
    QTRY_VERIFY(device.requests.size() >= polls + 2);
    QCOMPARE(counter.paints, 0);

    device.body = QByteArray(normal).replace("%1", "35.0").replace("\"0\"", "\"2\"");
    QTRY_VERIFY(!sleep->isDark());
    QTRY_VERIFY(counter.paints > 0);
    device.body = QByteArray(normal).replace("%1", "22.0");
    QTRY_VERIFY(sleep->isDark());
}

BRIMO_APPLICATION_TEST_MAIN(tst_BrimoPanel)
#include "tst_brimopanel.moc"
