#include "BackgroundWriter.h"
#include "CDynLabel.h"
#include "CNodeWidget.h"
#include "CSettings.h"
#include "CTrendWidget.h"
#include "FakeDevice.h"
#include "SampleText.h"
#include "SensorAnswer.h"
#include "SettingsFixture.h"
#include "TestSupport.h"
#include "TrendFile.h"

#include <QGridLayout>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QScopedPointer>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <array>
#include <atomic>
#include <chrono>
#include <malloc.h>
#include <memory>
#include <thread>
#ifdef Q_OS_LINUX
#include <dlfcn.h>
#endif

class tst_CNodeWidget : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void labels_data();
    void labels();
    void initialDisplay();
    void polling();
    void answers_data();
    void answers();
    void oversizedAnswers_data();
    void oversizedAnswers();
    void coloursReadAtUpdate();
    void schemeChangeShowsWithNextAnswer();
    void pendingRequestDropped();
    void staleReplyShown();
    void caption_data();
    void caption();
    void trendCells_data();
    void trendCells();
    void trendSamples();
    void staleMarking_data();
    void staleMarking();
    void staleMarkingWhilePolling();
    void trendsSurviveARestart();
    void slowDiskHoldsNothingUp();

private:
    CNodeWidget *makeTile(bool stopTimer = true);
    CDynLabel *labelAt(int row, int column) const;
    void deliver(const QByteArray &body);
    QString state(int sensor) const;

    QScopedPointer<TestSupport::DebugLog> m_log;
    QScopedPointer<SettingsFixture> m_settings;
    QTemporaryDir m_data; // the tiles' trend files
    QScopedPointer<FakeDevice> m_device;
    QScopedPointer<CNodeWidget> m_tile;
};

// While g_syncDelayMs is set, every flush to the disk takes that long, as on an SD card, and
// flushes on the GUI thread are counted. The test executable's own fdatasync and fsync come before
// the C library's for Qt too (Linux: Windows flushes with FlushFileBuffers, which stays as it is).
static std::atomic<int> g_syncDelayMs{0};
static std::atomic<int> g_slowSyncs{0};
static std::atomic<int> g_guiThreadSyncs{0};
static std::atomic<int> g_syncing{0};
static std::atomic<bool> g_overlapped{false}; // two flushes were in progress at once
#ifdef Q_OS_LINUX

static int slowSync(const char *name, int fd)
{
    if (const int ms = g_syncDelayMs) {
        ++g_slowSyncs;
        g_guiThreadSyncs += QThread::currentThread() == qApp->thread();
        if (++g_syncing > 1)
            g_overlapped = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        --g_syncing;
    }
    using Sync = int (*)(int);
    return reinterpret_cast<Sync>(dlsym(RTLD_NEXT, name))(fd);
}

extern "C" int fdatasync(int fd)
{
    return slowSync("fdatasync", fd);
}

extern "C" int fsync(int fd)
{
    return slowSync("fsync", fd);
}
#endif

// Bytes of the C library's heap in use.
static qint64 heapInUse()
{
#ifdef Q_OS_LINUX
    return qint64(mallinfo2().uordblks + mallinfo2().hblkhd);
#else
    qint64 used = 0;
    _HEAPINFO entry = {};
    while (_heapwalk(&entry) == _HEAPOK) {
        if (entry._useflag == _USEDENTRY)
            used += qint64(entry._size);
    }
    return used;
#endif
}

// Where a tile keeps the trends of a slot's device (XDG_DATA_HOME on Linux, %APPDATA% on Windows).
static QString trendFile(const QString &group)
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/trends/" + group;
}

static const int Row = 1;
static const int Column = 2;
// How the tile writes an answer body to the debug stream: the text as it is, up to its first NUL.
static QString logged(const QByteArray &body)
{
    return QString::fromUtf8(QByteArray(body.constData()));
}

void tst_CNodeWidget::initTestCase()
{
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_data.path()));
    qunsetenv("BRIMO_HISTORY_INTERVAL_MS");
    m_settings.reset(new SettingsFixture); // lives as long as the test, like the panel's
    m_log.reset(new TestSupport::DebugLog);
}

void tst_CNodeWidget::init()
{
    g_settings->m_enableFlags[Row][Column] = 0xff;
    g_settings->m_displaySizes[Row][Column] = DisplaySize{2, 5, 1};
    g_settings->m_frameColor = QColor(10, 20, 30);
    g_settings->m_staleAfter = 0;
    // Trends sample at the History minutes, never at the Value setting.
    g_settings->m_refreshValue = 7;
    g_settings->m_refreshHistory = 3;
    TestSupport::paintDistinctColors(g_settings->m_colors[Row][Column], 1);
    m_device.reset(new FakeDevice);
    m_log->clear();
}

void tst_CNodeWidget::cleanup()
{
    m_tile.reset(); // takes its access manager and any reply still open with it
    m_device.reset();
}

CNodeWidget *tst_CNodeWidget::makeTile(bool stopTimer)
{
    m_tile.reset(new CNodeWidget(Row, Column, nullptr));
    m_tile->setUrl(m_device->url());
    m_tile->resize(900, 600);
    m_tile->show();
    // Most tests drive the requests themselves rather than waiting for the poll timer.
    if (stopTimer)
        m_tile->findChild<QTimer *>()->stop();
    return m_tile.data();
}

CDynLabel *tst_CNodeWidget::labelAt(int row, int column) const
{
    const auto *grid = qobject_cast<QGridLayout *>(m_tile->layout());
    QLayoutItem *item = grid ? grid->itemAtPosition(row, column) : nullptr;
    return item ? qobject_cast<CDynLabel *>(item->widget()) : nullptr;
}

// Sends a request, lets the device answer it with `body` and waits until the tile has read it.
void tst_CNodeWidget::deliver(const QByteArray &body)
{
    m_device->body = body;
    m_log->clear();
    m_tile->onSendRequest();
    QTRY_VERIFY(m_log->lines().contains(logged(body)));
}

// "N|value|unit" or "C|value|unit": the colour pair of the sensor's labels and their texts.
QString tst_CNodeWidget::state(int sensor) const
{
    const CColorSettings &scheme = g_settings->m_colors[Row][Column];
    const CDynLabel *value = labelAt(sensor, 1);
    const CDynLabel *unit = labelAt(sensor, 2);
    const QString sensorKey = QStringList{"Temperature", "Humidity", "Dewpoint"}[sensor];
    auto level = [&](const CDynLabel *label, const QString &kind) {
        const QColor fore = label->palette().color(QPalette::WindowText);
        const QColor back = label->palette().color(QPalette::Window);
        for (const QString &name : {QStringLiteral("Normal"), QStringLiteral("Critical")}) {
            const QString key = sensorKey + kind + name;
            if (fore == TestSupport::storedColor(scheme, key + "Foreground") &&
                back == TestSupport::storedColor(scheme, key + "Background"))
                return name.left(1);
        }
        return QStringLiteral("?");
    };
    const QString valueLevel = level(value, QStringLiteral("Value"));
    const QString unitLevel = level(unit, QStringLiteral("Unit"));
    return (valueLevel == unitLevel ? valueLevel : valueLevel + '/' + unitLevel) + '|' +
           value->text() + '|' + unit->text();
}

void tst_CNodeWidget::labels_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<QStringList>("cells"); // "row,column" of each label

    QTest::newRow("none") << 0x00 << QStringList();
    QTest::newRow("history bits only")
        << (EnableTemperatureHistory | EnableHumidityHistory) << QStringList();
    QTest::newRow("temperature value only") << int(EnableTemperatureValue) << QStringList{"0,1"};
    QTest::newRow("units only") << (EnableTemperatureUnit | EnableHumidityUnit | EnableDewpointUnit)
                                << QStringList{"0,2", "1,2", "2,2"};
    QTest::newRow("values only") << (EnableTemperatureValue | EnableHumidityValue |
                                     EnableDewpointValue)
                                 << QStringList{"0,1", "1,1", "2,1"};
    QTest::newRow("all") << 0xff << QStringList{"0,1", "0,2", "1,1", "1,2", "2,1", "2,2"};
}

void tst_CNodeWidget::labels()
{
    QFETCH(int, flags);
    QFETCH(QStringList, cells);

    g_settings->m_enableFlags[Row][Column] = quint8(flags);
    makeTile();

    QStringList actual;
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            if (labelAt(row, column))
                actual << QStringLiteral("%1,%2").arg(row).arg(column);
    QCOMPARE(actual, cells);
    QCOMPARE(m_tile->findChildren<CDynLabel *>().size(), cells.size());

    // Answers reach only the labels that exist, and a unit without its value still gets its text.
    deliver(R"({"sensor":[{"status":"1","value":"1","unit":"a"},{"value":"2","unit":"b"},)"
            R"({"value":"3","unit":"c"}]})");
    const QString texts[3][3] = {{"", "1", "a"}, {"", "2", "b"}, {"", "3", "c"}};
    for (const QString &cell : cells) {
        const int row = cell.section(',', 0, 0).toInt();
        const int column = cell.section(',', 1, 1).toInt();
        QCOMPARE(labelAt(row, column)->text(), texts[row][column]);
    }
}

void tst_CNodeWidget::initialDisplay()
{
    makeTile();
    const auto *grid = qobject_cast<QGridLayout *>(m_tile->layout());
    QVERIFY(grid);
    QCOMPARE(grid->columnStretch(0), 2);
    QCOMPARE(grid->columnStretch(1), 5);
    QCOMPARE(grid->columnStretch(2), 1);

    QVERIFY(m_tile->autoFillBackground());
    QCOMPARE(m_tile->palette().color(QPalette::Window), QColor(10, 20, 30));

    const QString deg = QStringLiteral("\u00b0C");
    QCOMPARE(state(0), "N||" + deg);
    QCOMPARE(state(1), QStringLiteral("N||% rF"));
    QCOMPARE(state(2), "N||" + deg);
    for (int sensor = 0; sensor < 3; ++sensor) {
        QCOMPARE(labelAt(sensor, 1)->alignment(), Qt::AlignRight | Qt::AlignTop);
        QCOMPARE(labelAt(sensor, 2)->alignment(), Qt::Alignment(Qt::AlignTop));
        QVERIFY(labelAt(sensor, 1)->autoFillBackground());
        QVERIFY(labelAt(sensor, 2)->autoFillBackground());
    }
    // Only the two colour roles differ from the tile's palette.
    QCOMPARE(labelAt(1, 1)->palette().color(QPalette::Button),
             m_tile->palette().color(QPalette::Button));
}

void tst_CNodeWidget::polling()
{
    m_device->body = R"({"sensor":[{"value":"7"}]})";
    makeTile(false);
    auto *timer = m_tile->findChild<QTimer *>();
    QVERIFY(timer && timer->isActive() && !timer->isSingleShot());
    QCOMPARE(timer->interval(), 1000);
    QSignalSpy ticks(timer, &QTimer::timeout);

    QTRY_COMPARE(m_device->requests.size(), 1);
    QCOMPARE(m_device->requests.first(),
             QStringLiteral("GET /tpl/document.cgi?tpl/j/panel.tpl&format=json HTTP/1.1"));
    QTRY_COMPARE(labelAt(0, 1)->text(), QStringLiteral("7"));
    QTRY_COMPARE(m_device->requests.size(), 2);
    QCOMPARE(m_device->requests.last(), m_device->requests.first());
    // One request for each tick and none at construction, however late the ticks came.
    timer->stop();
    QTRY_COMPARE(m_device->requests.size(), ticks.count());
}

void tst_CNodeWidget::answers_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QStringList>("expected"); // state() of each sensor afterwards

    const QString deg = QStringLiteral("\u00b0");
    const QStringList primed{"C|p0|u0", "C|p1|u1", "C|p2|u2"};

    QTest::newRow("normal") << QByteArray(
                                   R"({"sensor":[{"status":"0","value":"21.50","unit":"&deg;C"},)"
                                   R"({"status":"0","value":"45.2","unit":"% rF"},)"
                                   R"({"status":"0","value":"9.1","unit":"&DEG;C"}]})")
                            << QStringList{"N|21.50|" + deg + "C", "N|45.2|% rF", "N|9.1|&DEG;C"};
    QTest::newRow("critical") << QByteArray(R"({"sensor":[{"status":"1","value":"a","unit":"x"},)"
                                            R"({"status":"2","value":"b","unit":"y"},)"
                                            R"({"status":"-1","value":"c","unit":"z"}]})")
                              << QStringList{"C|a|x", "C|b|y", "C|c|z"};
    QTest::newRow("statuses that read as 0")
        << QByteArray(R"({"sensor":[{"status":"","value":"a","unit":"x"},)"
                      R"({"status":2,"value":"b","unit":"y"},{"value":"c","unit":"z"}]})")
        << QStringList{"N|a|x", "N|b|y", "N|c|z"};
    QTest::newRow("missing keys blank the labels")
        << QByteArray(R"({"sensor":[{"status":"0"},{},7]})") << QStringList{"N||", "N||", "N||"};
    QTest::newRow("one element") << QByteArray(R"({"sensor":[{"status":"0","value":"1"}]})")
                                 << QStringList{"N|1|", primed[1], primed[2]};
    QTest::newRow("empty sensor array") << QByteArray(R"({"sensor":[]})") << primed;
    QTest::newRow("empty body") << QByteArray() << primed;
    QTest::newRow("not JSON") << QByteArray("Not Found") << primed;
    QTest::newRow("no sensor") << QByteArray(R"({"status":"0"})") << primed;
}

void tst_CNodeWidget::answers()
{
    QFETCH(QByteArray, body);
    QFETCH(QStringList, expected);

    makeTile();
    deliver(R"({"sensor":[{"status":"2","value":"p0","unit":"u0"},)"
            R"({"status":"2","value":"p1","unit":"u1"},{"status":"2","value":"p2","unit":"u2"}]})");
    deliver(body);
    QCOMPARE((QStringList{state(0), state(1), state(2)}), expected);
}

// A valid answer padded with blanks to `size` bytes; 0 for a body that never ends.
void tst_CNodeWidget::oversizedAnswers_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("deflated"); // sent compressed although the tile did not ask for it
    QTest::newRow("the limit") << MaxAnswerBytes << false;
    QTest::newRow("one byte over") << MaxAnswerBytes + 1 << false;
    QTest::newRow("8 MiB") << qint64(8 << 20) << false;
    QTest::newRow("endless") << qint64(0) << false;
    QTest::newRow("8 MiB deflated to 8 KiB") << qint64(8 << 20) << true;
}

void tst_CNodeWidget::oversizedAnswers()
{
    QFETCH(qint64, size);
    QFETCH(bool, deflated);

    makeTile();
    deliver(R"({"sensor":[{"status":"2","value":"p0","unit":"u0"}]})");
    const QString before = state(0);
    const QByteArray document = R"({"sensor":[{"status":"0","value":"big","unit":"u"}]})";
    m_device->body = document.leftJustified(int(size), ' ');
    m_device->endless = size == 0;
    if (deflated) {
        m_device->body = qCompress(m_device->body).mid(4); // a zlib stream
        m_device->headers = "Content-Encoding: deflate\r\n";
    }
    const qint64 heapBefore = heapInUse();

    for (int poll = 0; poll < 3; ++poll) {
        m_log->clear();
        m_tile->onSendRequest();
        // Read as it came: compressed, it is no JSON to the tile.
        if (size == MaxAnswerBytes || deflated) {
            QTRY_COMPARE(m_log->lines(), QStringList{logged(m_device->body)});
            QCOMPARE(state(0), deflated ? before : QStringLiteral("N|big|u"));
            return;
        }
        // One line instead of the body, and the tile as it was.
        QTRY_VERIFY(!m_log->lines().isEmpty());
        QCOMPARE(m_log->lines(), QStringList{QStringLiteral("Answer of %1 too large: over %2 bytes")
                                                 .arg(m_device->url())
                                                 .arg(MaxAnswerBytes)});
        QCOMPARE(state(0), before);
    }
    // Nothing of the endless body was kept (the other device holds its whole answer itself).
    const qint64 heapAfter = heapInUse();
    if (m_device->endless)
        QVERIFY2(heapAfter - heapBefore < 1 << 20,
                 qPrintable(QString::number(heapAfter - heapBefore)));

    // The next poll reads a good answer again.
    m_device->endless = false;
    deliver(document);
    QCOMPARE(state(0), QStringLiteral("N|big|u"));
}

void tst_CNodeWidget::coloursReadAtUpdate()
{
    makeTile();
    // A new scheme after the tile was built.
    TestSupport::paintDistinctColors(g_settings->m_colors[Row][Column], 2);
    QCOMPARE(state(0).left(1), QStringLiteral("?"));
    deliver(R"({"sensor":[{"status":"0","value":"1"},{"status":"3","value":"2"}]})");
    QCOMPARE(state(0), QStringLiteral("N|1|"));
    QCOMPARE(state(1), QStringLiteral("C|2|"));
}

// The labels and the caption keep their palettes while the statuses stay; a new scheme still shows
// with the next answer.
void tst_CNodeWidget::schemeChangeShowsWithNextAnswer()
{
    g_settings->m_showNames = true;
    g_settings->m_host[Row][Column] = QStringLiteral("Lab [10.0.0.7]");
    makeTile();
    g_settings->m_showNames = false;
    g_settings->m_host[Row][Column].clear();
    const QByteArray body = R"({"sensor":[{"status":"0"},{"status":"3"}]})";
    deliver(body);
    TestSupport::paintDistinctColors(g_settings->m_colors[Row][Column], 2);
    deliver(body);

    const CColorSettings &scheme = g_settings->m_colors[Row][Column];
    auto colours = [](const CDynLabel *label) {
        return QStringList{label->palette().color(QPalette::WindowText).name(),
                           label->palette().color(QPalette::Window).name()};
    };
    QCOMPARE(colours(labelAt(0, 0)),
             (QStringList{scheme.m_temperatureValueCriticalForeground.name(),
                          scheme.m_temperatureValueCriticalBackground.name()}));
    QCOMPARE(colours(labelAt(1, 1)),
             (QStringList{scheme.m_temperatureValueNormalForeground.name(),
                          scheme.m_temperatureValueNormalBackground.name()}));
    QCOMPARE(colours(labelAt(2, 2)), (QStringList{scheme.m_humidityUnitCriticalForeground.name(),
                                                  scheme.m_humidityUnitCriticalBackground.name()}));
}

void tst_CNodeWidget::pendingRequestDropped()
{
    makeTile();
    m_device->hold = true;
    m_tile->onSendRequest();
    QTRY_COMPARE(m_device->held.size(), 1);
    m_tile->onSendRequest(); // the next tick gives up the first request
    QTRY_COMPARE(m_device->held.size(), 2);

    FakeDevice::answer(m_device->held[1], R"({"sensor":[{"value":"fresh"}]})");
    QTRY_COMPARE(labelAt(0, 1)->text(), QStringLiteral("fresh"));
    // The tile hung up on the first request, so its answer can never arrive.
    QTRY_VERIFY(m_device->held[0].isNull());
    QCOMPARE(labelAt(0, 1)->text(), QStringLiteral("fresh"));
}

void tst_CNodeWidget::staleReplyShown()
{
    makeTile();
    m_device->hold = true;
    m_tile->onSendRequest();
    QTRY_COMPARE(m_device->held.size(), 1);

    // The answer is on its way when the next request goes out: the access manager has read it in
    // its own thread while this one sleeps, and its end is queued ahead of the reply's deletion.
    FakeDevice::answer(m_device->held[0], R"({"sensor":[{"value":"late"}]})");
    QThread::msleep(500);
    m_tile->onSendRequest();
    QTRY_COMPARE(m_device->held.size(), 2);
    QTRY_COMPARE(labelAt(0, 1)->text(), QStringLiteral("late"));

    // The late answer cleared the pending reply, so the next tick leaves the newer request be.
    m_tile->onSendRequest();
    QTRY_COMPARE(m_device->held.size(), 3);
    FakeDevice::answer(m_device->held[1], R"({"sensor":[{"value":"newer"}]})");
    QTRY_COMPARE(labelAt(0, 1)->text(), QStringLiteral("newer"));
}

void tst_CNodeWidget::caption_data()
{
    QTest::addColumn<bool>("shown");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("name"); // empty: no caption

    const QString longName = QStringLiteral("Refrigerated warehouse north wing ").repeated(4);
    QTest::newRow("normal") << true << "Server room [10.0.0.7]"
                            << "Server room";
    QTest::newRow("bracket in the name") << true << " Lab [A] [10.0.0.7]"
                                         << "Lab [A]";
    QTest::newRow("empty name") << true << " [10.0.0.7]"
                                << "";
    QTest::newRow("very long name") << true << longName + "[10.0.0.7]" << longName.trimmed();
    QTest::newRow("names off") << false << "Server room [10.0.0.7]"
                               << "";
}

void tst_CNodeWidget::caption()
{
    QFETCH(bool, shown);
    QFETCH(QString, host);
    QFETCH(QString, name);

    g_settings->m_showNames = shown;
    g_settings->m_host[Row][Column] = host;
    makeTile();
    g_settings->m_showNames = false;
    g_settings->m_host[Row][Column].clear();

    const int firstRow = name.isEmpty() ? 0 : 1; // the sensors sit below a caption
    QCOMPARE(m_tile->findChildren<CDynLabel *>().size(), 6 + firstRow);
    QVERIFY(labelAt(firstRow + 2, 2));
    if (name.isEmpty())
        return;

    CDynLabel *caption = labelAt(0, 0);
    QVERIFY(caption);
    QCOMPARE(caption->text(), name);
    QCOMPARE(labelAt(0, 2), caption); // across the tile
    QTRY_VERIFY(caption->font().pixelSize() > 0);
    const int ink = QFontMetrics(caption->font()).boundingRect(name).width();
    QVERIFY2(ink <= caption->contentsRect().width(), qPrintable(QString::number(ink)));
    // A band of about a sixth of the tile.
    const double share = double(caption->height()) / m_tile->contentsRect().height();
    QVERIFY2(share > 0.12 && share < 0.2, qPrintable(QString::number(share)));

    auto colours = [caption] {
        return QStringList{caption->palette().color(QPalette::WindowText).name(),
                           caption->palette().color(QPalette::Window).name()};
    };
    const CColorSettings &scheme = g_settings->m_colors[Row][Column];
    const QStringList normal{scheme.m_temperatureValueNormalForeground.name(),
                             scheme.m_temperatureValueNormalBackground.name()};
    const QStringList critical{scheme.m_temperatureValueCriticalForeground.name(),
                               scheme.m_temperatureValueCriticalBackground.name()};
    QCOMPARE(colours(), normal);
    deliver(R"({"sensor":[{"status":"0"},{"status":"0"},{"status":"3"}]})");
    QCOMPARE(colours(), critical);
    deliver(R"({"sensor":[{"status":"0"},{"status":"0"},{"status":"0"}]})");
    QCOMPARE(colours(), normal);
}

void tst_CNodeWidget::trendCells_data()
{
    QTest::addColumn<bool>("shown");
    QTest::addColumn<int>("flags");
    QTest::addColumn<QStringList>("cells"); // "row,column" of each trend

    QTest::newRow("history off") << false << 0xff << QStringList();
    QTest::newRow("both history bits") << true << 0xff << QStringList{"0,0", "1,0"};
    QTest::newRow("humidity only") << true << 0x08 << QStringList{"1,0"};
    QTest::newRow("no history bit") << true << 0xf6 << QStringList();
}

void tst_CNodeWidget::trendCells()
{
    QFETCH(bool, shown);
    QFETCH(int, flags);
    QFETCH(QStringList, cells);

    g_settings->m_showHistory = shown;
    g_settings->m_enableFlags[Row][Column] = quint8(flags);
    makeTile();
    g_settings->m_showHistory = false;

    const auto *grid = qobject_cast<QGridLayout *>(m_tile->layout());
    QStringList actual;
    for (int row = 0; row < 3; ++row) {
        QLayoutItem *item = grid->itemAtPosition(row, 0);
        if (item && qobject_cast<CTrendWidget *>(item->widget()))
            actual << QStringLiteral("%1,0").arg(row);
    }
    QCOMPARE(actual, cells);
    QCOMPARE(m_tile->findChildren<CTrendWidget *>().size(), cells.size());
    QCOMPARE(m_tile->findChildren<QTimer *>().size(), cells.isEmpty() ? 1 : 2);
    if (!cells.isEmpty())
        QCOMPARE(m_tile->findChildren<QTimer *>().last()->interval(), 3 * 60000);
}

// Counts the paint events of a widget.
class PaintCounter : public QObject
{
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

void tst_CNodeWidget::trendSamples()
{
    g_settings->m_showHistory = true;
    makeTile();
    g_settings->m_showHistory = false;
    for (QTimer *timer : m_tile->findChildren<QTimer *>())
        timer->stop(); // the test takes the samples itself
    CTrendWidget *trend[2] = {m_tile->findChildren<CTrendWidget *>()[0],
                              m_tile->findChildren<CTrendWidget *>()[1]};
    auto samples = [&trend](int sensor) {
        return TestSupport::samplesText(trend[sensor]->samples().latest(HistoryCapacity));
    };
    auto tick = [this] {
        QVERIFY(QMetaObject::invokeMethod(m_tile.data(), "onHistoryTick"));
    };
    PaintCounter painted;
    trend[0]->installEventFilter(&painted);
    QTRY_VERIFY(painted.paints > 0);

    // Answers alone repaint no trend; a sample takes the last readings of the interval.
    deliver(R"({"sensor":[{"status":"0","value":"21.5"},{"status":"0","value":"40"}]})");
    deliver(R"({"sensor":[{"status":"0","value":"22.5"},{"status":"0","value":"--"}]})");
    deliver("not an answer");
    QTest::qWait(100);
    painted.paints = 0;
    deliver(R"({"sensor":[{"status":"0","value":"23"}]})");
    QTest::qWait(100);
    QCOMPARE(painted.paints, 0);
    tick();
    QTRY_VERIFY(painted.paints > 0);
    QCOMPARE(samples(0), QStringLiteral("23"));
    QCOMPARE(samples(1), QStringLiteral("40"));

    // An interval without answers leaves a gap.
    tick();
    QCOMPARE(samples(0), QStringLiteral("23 _"));

    // The History Critical pair while the sensor is critical.
    const CColorSettings &scheme = g_settings->m_colors[Row][Column];
    deliver(R"({"sensor":[{"status":"2","value":"30"},{"status":"0","value":"41"}]})");
    QCOMPARE(trend[0]->palette().color(QPalette::WindowText),
             scheme.m_temperatureHistoryCriticalForeground);
    QCOMPARE(trend[0]->palette().color(QPalette::Window),
             scheme.m_temperatureHistoryCriticalBackground);
    QCOMPARE(trend[1]->palette().color(QPalette::WindowText),
             scheme.m_humidityHistoryNormalForeground);
    deliver(R"({"sensor":[{"status":"0","value":"30"}]})");
    QCOMPARE(trend[0]->palette().color(QPalette::WindowText),
             scheme.m_temperatureHistoryNormalForeground);
}

// Each row: StaleAfter, then steps: "answer" (all three sensors, temperature critical), "silence"
// (more than a second without readings, then a tick), or any other text delivered as an answer.
void tst_CNodeWidget::staleMarking_data()
{
    QTest::addColumn<int>("staleAfter");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("expected"); // state() of each sensor after the last step

    const QString deg = QStringLiteral("\u00b0C");
    const QStringList live{"C|t|" + deg, "N|h|% rF", "N|d|" + deg};
    const QStringList stale{"N/C|--|" + deg, "N|--|% rF", "N|--|" + deg};

    QTest::newRow("off: readings stay") << 0 << QStringList{"answer", "silence"} << live;
    QTest::newRow("silent device") << 1 << QStringList{"answer", "silence"} << stale;
    QTest::newRow("never answered")
        << 1 << QStringList{"silence"} << QStringList{"N|--|" + deg, "N|--|% rF", "N|--|" + deg};
    QTest::newRow("an answer without readings keeps the marking")
        << 1 << QStringList{"answer", "silence", "Not Found"} << stale;
    QTest::newRow("readings come back") << 1 << QStringList{"answer", "silence", "answer"} << live;
    QTest::newRow("a partial answer brings the others back as they were")
        << 1 << QStringList{"answer", "silence", R"({"sensor":[{"status":"0","value":"n"}]})"}
        << QStringList{"N|n|", live[1], live[2]};
    QTest::newRow("a second outage is marked too")
        << 1 << QStringList{"answer", "silence", "answer", "silence"} << stale;
    QTest::newRow("counted from the last readings, not the last tick or answer")
        << 2 << QStringList{"answer", "silence", "silence"} << stale;
    QTest::newRow("a critical sensor comes back critical")
        << 1
        << QStringList{R"({"sensor":[{"value":"t"},{"value":"h"},{"status":"3","value":"d"}]})",
                       "silence", R"({"sensor":[{"status":"0","value":"n"}]})"}
        << QStringList{"N|n|", "N|h|", "C|d|"};
}

void tst_CNodeWidget::staleMarking()
{
    QFETCH(int, staleAfter);
    QFETCH(QStringList, steps);
    QFETCH(QStringList, expected);

    g_settings->m_staleAfter = staleAfter;
    makeTile();
    for (const QString &step : steps) {
        if (step == QLatin1String("answer")) {
            deliver(R"({"sensor":[{"status":"2","value":"t","unit":"&deg;C"},)"
                    R"({"status":"0","value":"h","unit":"% rF"},)"
                    R"({"status":"0","value":"d","unit":"&deg;C"}]})");
        } else if (step == QLatin1String("silence")) {
            m_device->body.clear(); // an answer without readings, as good as none
            QTest::qWait(1100);
            m_tile->onSendRequest(); // the tick that finds the device silent
        } else {
            deliver(step.toUtf8());
        }
    }
    QCOMPARE((QStringList{state(0), state(1), state(2)}), expected);
}

// With the poll timer running: a device that stops answering is marked, and its first answer
// afterwards shows the readings again.
void tst_CNodeWidget::staleMarkingWhilePolling()
{
    g_settings->m_staleAfter = 1;
    m_device->body = R"({"sensor":[{"status":"0","value":"20.5"}]})";
    makeTile(false);
    QTRY_COMPARE_WITH_TIMEOUT(labelAt(0, 1)->text(), QStringLiteral("20.5"), 5000);
    m_device->hold = true;
    QTRY_COMPARE_WITH_TIMEOUT(labelAt(0, 1)->text(), QStringLiteral("--"), 10000);
    QCOMPARE(labelAt(1, 1)->text(), QStringLiteral("--"));
    m_device->body = R"({"sensor":[{"status":"0","value":"21.0"}]})";
    m_device->hold = false;
    QTRY_COMPARE_WITH_TIMEOUT(labelAt(0, 1)->text(), QStringLiteral("21.0"), 5000);
    QCOMPARE(labelAt(1, 1)->text(), QString());
}

void tst_CNodeWidget::trendsSurviveARestart()
{
    g_settings->m_showHistory = true;
    g_settings->m_host[Row][Column] = QStringLiteral("lab [127.0.0.1:1]");
    auto restart = [this] {
        makeTile();
        for (QTimer *timer : m_tile->findChildren<QTimer *>())
            timer->stop();
        return m_tile->findChildren<CTrendWidget *>();
    };
    auto samples = [](CTrendWidget *trend) {
        return TestSupport::samplesText(trend->samples().latest(HistoryCapacity));
    };

    QList<CTrendWidget *> trends = restart();
    deliver(R"({"sensor":[{"status":"0","value":"21.5"},{"status":"0","value":"40"}]})");
    QVERIFY(QMetaObject::invokeMethod(m_tile.data(), "onHistoryTick"));
    QVERIFY(QMetaObject::invokeMethod(m_tile.data(), "onHistoryTick"));
    trends = restart();
    QCOMPARE(samples(trends[0]), QStringLiteral("21.5 _"));
    QCOMPARE(samples(trends[1]), QStringLiteral("40 _"));

    // Another device in the slot does not take them over, nor does a corrupt file.
    g_settings->m_host[Row][Column] = QStringLiteral("store [127.0.0.1:2]");
    QCOMPARE(samples(restart()[0]), QString());
    const QString path = trendFile(QStringLiteral("Device12"));
    waitForBackgroundWrites();
    QVERIFY(QFile::exists(path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a trend file");
    file.close();
    QCOMPARE(samples(restart()[0]), QString());

    g_settings->m_showHistory = false;
    g_settings->m_host[Row][Column].clear();
}

// Nine tiles sample together on a disk whose every flush takes 200 ms: the event loop keeps
// turning, and every trend file is whole afterwards.
void tst_CNodeWidget::slowDiskHoldsNothingUp()
{
#ifndef Q_OS_LINUX
    QSKIP("slows the disk through the C library's fdatasync, which only Linux flushes with");
#endif
    g_settings->m_showHistory = true;
    qputenv("BRIMO_HISTORY_INTERVAL_MS", "400");
    QWidget panel;
    auto *grid = new QGridLayout(&panel);
    CNodeWidget *tiles[9] = {};
    for (int slot = 0; slot < 9; ++slot) {
        const int row = slot / 3, column = slot % 3;
        g_settings->m_host[row][column] = QStringLiteral("slot %1 [127.0.0.1:1]").arg(slot);
        g_settings->m_enableFlags[row][column] = 0xff;
        tiles[slot] = new CNodeWidget(row, column, &panel);
        tiles[slot]->setUrl(m_device->url());
        grid->addWidget(tiles[slot], row, column);
    }
    panel.resize(1200, 800);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    m_device->body = R"({"sensor":[{"status":"0","value":"-18.5"},{"status":"0","value":"80"}]})";

    g_syncDelayMs = 200;
    const int slowdown = TestSupport::sanitizerSlowdown();
    const TestSupport::RunQueueWait runQueue;
    QElapsedTimer clock;
    clock.start();
    // The longest turn: the GUI thread's own CPU time, and the wall time it did not spend waiting
    // for a CPU (a flush it waited for counts, other processes on the machine do not).
    qint64 lastWall = clock.nsecsElapsed(), lastWait = runQueue.ns();
    qint64 lastCpu = TestSupport::threadCpuNs(), maxCpuNs = 0, maxWallNs = 0;
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 wall = clock.nsecsElapsed(), wait = runQueue.ns();
        const qint64 cpu = TestSupport::threadCpuNs();
        maxWallNs = std::max(maxWallNs, (wall - lastWall) - (wait - lastWait));
        maxCpuNs = std::max(maxCpuNs, cpu - lastCpu);
        lastWall = wall;
        lastWait = wait;
        lastCpu = cpu;
    });
    heartbeat.start(10);
    QTest::qWait(2000); // four samples of every tile
    heartbeat.stop();
    waitForBackgroundWrites();
    g_syncDelayMs = 0;

    qInfo("%d slow flushes; the longest turn took %.1f ms of CPU and %.1f ms of wall time",
          g_slowSyncs.load(), maxCpuNs / 1e6, maxWallNs / 1e6);
    QVERIFY(g_slowSyncs > 0);
    QCOMPARE(g_guiThreadSyncs.load(), 0);
    QVERIFY(!g_overlapped);
    QVERIFY2(maxCpuNs < 25000000 * slowdown, qPrintable(QString::number(maxCpuNs / 1e6)));
    QVERIFY2(maxWallNs < 50000000 * slowdown, qPrintable(QString::number(maxWallNs / 1e6)));
    for (int slot = 0; slot < 9; ++slot) {
        const QVector<float> shown =
            tiles[slot]->findChildren<CTrendWidget *>()[0]->samples().latest(HistoryCapacity);
        QFile file(trendFile(deviceGroup(slot / 3, slot % 3)));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const std::optional<TrendHistory> history = decodeTrendHistory(file.readAll());
        QVERIFY(history);
        QCOMPARE(TestSupport::samplesText(history->samples[0]), TestSupport::samplesText(shown));
        QVERIFY(shown.size() >= 3);
        g_settings->m_host[slot / 3][slot % 3].clear();
    }
    qunsetenv("BRIMO_HISTORY_INTERVAL_MS");
    g_settings->m_showHistory = false;
}

QTEST_MAIN(tst_CNodeWidget)
#include "tst_cnodewidget.moc"
