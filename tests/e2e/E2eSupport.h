#pragma once

// Helpers for driving the real brimopanel binary: a virtual X screen with a window manager,
// simulated devices in the "devices" namespace, a settings file, screenshots and key presses.
// The test process itself stays offscreen; only the panel talks to the X server.

#include "DevSim.h"
#include "SettingsFixture.h"

#include <QColor>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace E2e {

// The colours of every slot, picked so a pixel tells which one it is.
const QColor FrameColor("#305030");
const QColor NormalForeground("#e0e0e0");
const QColor NormalBackground("#204060");
const QColor CriticalForeground("#ffff00");
const QColor CriticalBackground("#a02020");
const QColor WarningForeground("#00ff00"); // no tile ever shows these
const QColor WarningBackground("#008000");

inline void stopProcess(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(3000);
    }
}

// A virtual screen (Xvfb on a free display) with a window manager, which grants the panel its
// full-screen request.
class Screen
{
public:
    ~Screen()
    {
        stopProcess(m_windowManager);
        stopProcess(m_xvfb);
    }

    bool start(const QSize &size)
    {
        m_size = size;
        m_xvfb.start("Xvfb", {"-displayfd", "1", "-screen", "0",
                              QStringLiteral("%1x%2x24").arg(size.width()).arg(size.height()),
                              "-nolisten", "tcp"});
        if (!m_xvfb.waitForStarted(5000))
            return false;
        while (!m_xvfb.canReadLine() && m_xvfb.waitForReadyRead(10000)) {
        }
        const QString number = QString::fromLatin1(m_xvfb.readLine()).trimmed();
        if (number.isEmpty())
            return false;
        m_display = ':' + number;
        m_windowManager.setProcessEnvironment(environment());
        m_windowManager.setStandardOutputFile(QProcess::nullDevice());
        m_windowManager.setStandardErrorFile(QProcess::nullDevice());
        m_windowManager.start("matchbox-window-manager", {"-use_titlebar", "no"});
        return m_windowManager.waitForStarted(5000);
    }

    QSize size() const { return m_size; }

    // The environment of a process on this screen.
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", m_display);
        return env;
    }

    // Runs an X client (xdotool, import) to its end and returns its standard output.
    QByteArray run(const QString &program, const QStringList &arguments, bool *ok = nullptr) const
    {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.start(program, arguments);
        const bool finished = process.waitForFinished(10000);
        if (ok)
            *ok =
                finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
        return process.readAllStandardOutput();
    }

    QImage grab() const
    {
        QImage image = QImage::fromData(run("import", {"-window", "root", "png:-"}), "PNG");
        return image.convertToFormat(QImage::Format_RGB32);
    }

    bool key(const QString &keys) const
    {
        bool ok = false;
        run("xdotool", {"key", keys}, &ok);
        return ok;
    }

    bool click(const QPoint &at) const
    {
        bool ok = false;
        run("xdotool",
            {"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "1"}, &ok);
        return ok;
    }

    // The geometry of the visible window with this exact title, or a null rectangle.
    QRect window(const QString &title) const
    {
        const QList<QRect> found = windows({"--name", '^' + title + '$'});
        return found.isEmpty() ? QRect() : found.first();
    }

    // The geometries of every visible window of a process (its panel, menus and dialogs).
    QList<QRect> windowsOf(qint64 pid) const { return windows({"--pid", QString::number(pid)}); }
    // ... and of a program by its window class (under Wine: its .exe's name).
    QList<QRect> windowsOfClass(const QString &name) const
    {
        return windows({"--class", '^' + QRegularExpression::escape(name) + '$'});
    }

    // Presses or releases a mouse button where the pointer is ("mousedown 1", "mouseup 1").
    bool mouse(const QString &action, int button = 1) const
    {
        bool ok = false;
        run("xdotool", {action, QString::number(button)}, &ok);
        return ok;
    }

private:
    QList<QRect> windows(const QStringList &match) const
    {
        bool ok = false;
        const QByteArray ids = run("xdotool", QStringList{"search", "--onlyvisible"} + match, &ok);
        QList<QRect> found;
        for (const QByteArray &id : ids.split('\n')) {
            if (!ok || id.trimmed().isEmpty())
                continue;
            const QByteArray shell = run("xdotool", {"getwindowgeometry", "--shell", id});
            QHash<QByteArray, int> values;
            for (const QByteArray &line : shell.split('\n')) {
                const int equals = line.indexOf('=');
                if (equals > 0)
                    values.insert(line.left(equals), line.mid(equals + 1).toInt());
            }
            found << QRect(values.value("X"), values.value("Y"), values.value("WIDTH"),
                           values.value("HEIGHT"));
        }
        return found;
    }

    QSize m_size;
    QString m_display;
    QProcess m_xvfb;
    QProcess m_windowManager;
};

// One simulated device on 10.77.0.host in the "devices" namespace, HTTP on port 80.
class Device
{
public:
    Device(int host, const QStringList &arguments)
        : m_address(QStringLiteral("10.77.0.%1").arg(host)), m_arguments(arguments)
    {}
    ~Device() { stopProcess(m_process); }

    QString address() const { return m_address; }

    bool start()
    {
        TestSupport::DevSimPorts ports;
        return TestSupport::startListening(
                   m_process,
                   QStringList{"--address", m_address, "--http-port", "80"} + m_arguments,
                   "devices", &ports) &&
               ports.http == 80;
    }

    // /sim/set with the given query, e.g. "temperature=35" or "fault=hang".
    bool set(const QString &query)
    {
        QNetworkAccessManager manager;
        std::unique_ptr<QNetworkReply> reply(
            manager.get(QNetworkRequest(QUrl("http://" + m_address + "/sim/set?" + query))));
        QSignalSpy finished(reply.get(), &QNetworkReply::finished);
        return (reply->isFinished() || finished.wait(5000)) && reply->readAll() == "ok";
    }

private:
    QString m_address;
    QStringList m_arguments;
    QProcess m_process;
};

// Writes the panel's settings file: the frame colour and all nine slots with the colours above,
// every value and unit label enabled; hosts[i] is the host text of slot i (empty: free).
inline bool writeSettings(const QString &file, const QStringList &hosts)
{
    QByteArray text = TestSupport::generalGroup(FrameColor);
    for (int i = 0; i < 9; ++i)
        text += TestSupport::slotGroup(i / 3, i % 3, hosts.value(i),
                                       {NormalForeground, NormalBackground, WarningForeground,
                                        WarningBackground, CriticalForeground, CriticalBackground},
                                       quint8(~(EnableTemperatureHistory | EnableHumidityHistory)));
    return TestSupport::writeSettingsFile(file, text);
}

// BRIMO_PANEL_WINE names the Windows panel (brimopanel.exe in the folder the Windows build
// deploys): the tests then drive it under Wine (tests/tools/wine-run) instead of the Linux one.
inline QString windowsPanel()
{
    return qEnvironmentVariable("BRIMO_PANEL_WINE");
}

// Under a Wine that lists no network interfaces to the Windows panel's Qt, which therefore cannot
// broadcast: asked of brimo-testcommand.exe (BRIMO_TESTCOMMAND_WINE) in this private network.
inline bool wineListsNoInterfaces()
{
    const QString probe = qEnvironmentVariable("BRIMO_TESTCOMMAND_WINE");
    if (windowsPanel().isEmpty() || probe.isEmpty())
        return false;
    QProcess process;
    process.start(BRIMO_WINE_RUN, {probe, "interfaces"});
    return process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 3;
}

// The real panel on the screen, with a settings file of its own.
class Panel
{
public:
    explicit Panel(const Screen &screen) : m_screen(screen)
    {
        QDir(m_config.path()).mkpath("Tovald GmbH");
        QDir(m_config.path()).mkpath("runtime");
        QFile::setPermissions(m_config.filePath("runtime"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (!windowsPanel().isEmpty()) {
            // A Wine prefix of its own, made now so that the settings file can go in first.
            QProcess prepare;
            prepare.setProcessEnvironment(
                wineEnvironment(QProcessEnvironment::systemEnvironment()));
            prepare.start(BRIMO_WINE_RUN, {"--prepare"});
            prepare.waitForFinished(120000);
        }
    }
    ~Panel() { stopProcess(m_process); }

    // Under Wine: %APPDATA%\Tovald GmbH\brimopanel.ini of the Wine user in the prefix.
    QString settingsFile() const
    {
        if (windowsPanel().isEmpty())
            return TestSupport::settingsFileIn(m_config.path());
        QDir users(m_config.filePath("wine/drive_c/users"));
        const QStringList names = users.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        QString user;
        for (const QString &name : names)
            if (name != QLatin1String("Public"))
                user = name;
        return TestSupport::settingsFileIn(users.filePath(user + "/AppData/Roaming"));
    }
    QProcess &process() { return m_process; }
    // The geometries of the panel's visible windows. Under Wine by their class: the process that
    // owns them is a descendant of wine-run, started only once its prefix is made.
    QList<QRect> windows() const
    {
        if (windowsPanel().isEmpty())
            return m_screen.windowsOf(m_process.processId());
        return m_screen.windowsOfClass(QFileInfo(windowsPanel()).fileName().toLower());
    }
    // Further environment of the panel, for the next start.
    void setEnvironment(const QString &name, const QString &value) { m_extra.insert(name, value); }

    bool start()
    {
        QProcessEnvironment env = m_screen.environment();
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("QT_XCB_GL_INTEGRATION", "none");
        env.insert("XDG_CONFIG_HOME", m_config.path());
        env.insert("XDG_DATA_HOME", m_config.filePath("data")); // the trend files
        env.insert("XDG_RUNTIME_DIR", m_config.filePath("runtime"));
        // Every answer body goes to the debug stream; the huge ones would flood the log.
        env.insert("QT_LOGGING_RULES", "*.debug=false");
        env.insert(m_extra);
        m_process.setProcessEnvironment(wineEnvironment(env));
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.setStandardOutputFile(m_config.filePath("panel.log"));
        if (windowsPanel().isEmpty())
            m_process.start(BRIMO_PANEL, QStringList());
        else
            m_process.start(BRIMO_WINE_RUN, {windowsPanel()});
        return m_process.waitForStarted(5000);
    }

    bool running() const { return m_process.state() == QProcess::Running; }

    QString log() const
    {
        QFile file(m_config.filePath("panel.log"));
        file.open(QIODevice::ReadOnly);
        return QString::fromLocal8Bit(file.readAll().right(4000));
    }

    // Ctrl+Q; true when the panel then ends by itself with exit code 0.
    bool quit()
    {
        if (!running() || !m_screen.key("ctrl+q"))
            return false;
        return m_process.waitForFinished(10000) && m_process.exitStatus() == QProcess::NormalExit &&
               m_process.exitCode() == 0;
    }

private:
    QProcessEnvironment wineEnvironment(QProcessEnvironment env) const
    {
        if (windowsPanel().isEmpty())
            return env;
        env.insert("WINE_RUN_KEEP", m_config.filePath("wine"));
        env.insert("QT_QPA_PLATFORM", "windows");
        env.insert("QT_FORCE_STDERR_LOGGING", "1"); // a GUI program's messages, into panel.log
        return env;
    }

    const Screen &m_screen;
    QTemporaryDir m_config;
    QProcess m_process;
    QProcessEnvironment m_extra;
};

// Pixels of exactly this colour within the rectangle.
inline int countColour(const QImage &image, const QRect &area, const QColor &colour)
{
    const QRgb wanted = colour.rgb() | 0xff000000u;
    const QRect clipped = area & image.rect();
    int count = 0;
    for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = clipped.left(); x <= clipped.right(); ++x)
            count += (line[x] | 0xff000000u) == wanted;
    }
    return count;
}

inline bool allColour(const QImage &image, const QRect &area, const QColor &colour)
{
    const QRect clipped = area & image.rect();
    return !clipped.isEmpty() &&
           countColour(image, clipped, colour) == clipped.width() * clipped.height();
}

// The outermost pixels of the screen are all in the frame colour: the panel fills it.
inline bool edgesInFrameColour(const QImage &image)
{
    const QSize size = image.size();
    for (const QRect &edge :
         {QRect(0, 0, size.width(), 4), QRect(0, size.height() - 4, size.width(), 4),
          QRect(0, 0, 4, size.height()), QRect(size.width() - 4, 0, 4, size.height())})
        if (!allColour(image, edge, FrameColor))
            return false;
    return true;
}

// Waits up to timeoutMs for the screen (anything with grab()) to satisfy the condition; returns the
// last screenshot.
template <typename AnyScreen, typename Condition>
QImage waitForScreen(const AnyScreen &screen, Condition condition, int timeoutMs = 5000)
{
    QElapsedTimer timer;
    timer.start();
    QImage image = screen.grab();
    while (!condition(image) && timer.elapsed() < timeoutMs) {
        QTest::qWait(100);
        image = screen.grab();
    }
    return image;
}

// Where things are on the screen when only slots 00 and 01 hold a device: row 0 then takes the
// whole height and each tile about half the width. The areas keep clear of the frame's margins.
inline QRect tileArea(const QSize &screen, int column)
{
    const int width = screen.width() / 2;
    return QRect(column * width + 16, 16, width - 32, screen.height() - 32);
}

// The row of one sensor (0 temperature, 1 humidity, 2 dew point) within a tile area.
inline QRect sensorBand(const QRect &tile, int sensor)
{
    const int height = tile.height() / 3;
    return QRect(tile.left(), tile.top() + sensor * height + 8, tile.width(), height - 16);
}

// The part of a band where the value text stands (columns stretched 1:3:1, value right-aligned).
inline QRect valueArea(const QRect &band)
{
    return QRect(band.left() + band.width() / 4, band.top(), band.width() * 53 / 100,
                 band.height());
}

} // namespace E2e
