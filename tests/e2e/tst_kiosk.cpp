// The real brimopanel in a Wayland kiosk: cage on a headless output, run as an unprivileged user
// as on a wall, with simulated devices in the private network. Screenshots come from grim.
#include "E2eSupport.h"
#include "TestSupport.h"

#include <QtTest>

#include <csignal>
#include <unistd.h>

using namespace E2e;

namespace {

const QStringList DropRoot{"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};

// The pid of the first child of pid whose program is called name, or 0.
qint64 childNamed(qint64 pid, const QByteArray &name)
{
    QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(pid));
    if (!children.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &child : children.readAll().split(' ')) {
        QFile comm(QStringLiteral("/proc/%1/comm").arg(QString::fromLatin1(child)));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == name)
            return child.toLongLong();
    }
    return 0;
}

// Whether this cage rotates its output (-r): cage 0.1 does, 0.2 dropped the option.
bool cageRotates()
{
    QProcess cage;
    cage.setProcessChannelMode(QProcess::MergedChannels);
    cage.start("cage", {"-h"});
    cage.waitForFinished(5000);
    return QRegularExpression("^\\s*-r\\s", QRegularExpression::MultilineOption)
        .match(QString::fromLocal8Bit(cage.readAll()))
        .hasMatch();
}

int uidOf(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("Uid:"))
            return line.mid(4).simplified().split(' ').value(0).toInt();
    return -1;
}

} // namespace

// cage with the panel as its one client, both as the user "nobody". The panel binary and its
// settings lie in a directory that user can read; the runtime directory belongs to it.
class Kiosk
{
public:
    Kiosk()
    {
        QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                QFile::ReadOther | QFile::ExeOther);
        QDir(m_dir.path()).mkpath("config/Tovald GmbH");
        QDir(m_dir.path()).mkpath("runtime");
        m_runtimeOwned =
            ::chown(QFile::encodeName(m_dir.filePath("runtime")).constData(), 65534, 65534) == 0;
        QFile::setPermissions(m_dir.filePath("runtime"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    ~Kiosk()
    {
        // cage ends with its client; ending cage itself first makes it abort.
        if (const qint64 panel = panelPid())
            ::kill(pid_t(panel), SIGTERM);
        if (!m_cage.waitForFinished(10000))
            stopProcess(m_cage);
    }

    QString settingsFile() const { return TestSupport::settingsFileIn(m_dir.filePath("config")); }

    // A copy of the panel and the settings file, readable by the user; its runtime directory.
    bool prepare()
    {
        return m_runtimeOwned && QFile::copy(BRIMO_PANEL, m_dir.filePath("brimopanel")) &&
               QFile::setPermissions(settingsFile(),
                                     QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    }

    // Starts cage with the panel on the given Qt platform; false when cage gives no display.
    bool start(const QString &platform, const QStringList &cageOptions)
    {
        QProcessEnvironment env = environment();
        env.insert("WLR_BACKENDS", "headless");
        env.insert("WLR_RENDERER", "pixman");
        env.insert("WLR_LIBINPUT_NO_DEVICES", "1");
        env.insert("QT_QPA_PLATFORM", platform);
        env.insert("XDG_CONFIG_HOME", m_dir.filePath("config"));
        env.insert("HOME", m_dir.filePath("runtime"));
        env.insert("QT_LOGGING_RULES", "*.debug=false");
        env.remove("DISPLAY");
        m_cage.setProcessEnvironment(env);
        m_cage.setProcessChannelMode(QProcess::MergedChannels);
        m_cage.start(DropRoot.first(), DropRoot.mid(1) + QStringList{"cage"} + cageOptions +
                                           QStringList{"--", m_dir.filePath("brimopanel")});
        if (!m_cage.waitForStarted(5000))
            return false;
        QElapsedTimer timer;
        timer.start();
        const QString socket = m_dir.filePath("runtime/wayland-0");
        bool listening = false;
        while (!(listening = QFile::exists(socket)) && m_cage.state() == QProcess::Running &&
               timer.elapsed() < 20000)
            QTest::qWait(100);
        // Once cage listens it has started; a panel that dies after that fails the test, since
        // cage then ends with it.
        return listening;
    }

    QString log() { return QString::fromLocal8Bit(m_cage.readAll().right(4000)); }

    qint64 panelPid() const
    {
        return m_cage.state() == QProcess::Running ? childNamed(m_cage.processId(), "brimopanel")
                                                   : 0;
    }

    QImage grab() const
    {
        QProcess grim;
        grim.setProcessEnvironment(environment());
        grim.start(DropRoot.first(), DropRoot.mid(1) + QStringList{"grim", "-"});
        grim.waitForFinished(10000);
        return QImage::fromData(grim.readAllStandardOutput(), "PNG")
            .convertToFormat(QImage::Format_RGB32);
    }

private:
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", m_dir.filePath("runtime"));
        env.insert("WAYLAND_DISPLAY", "wayland-0");
        return env;
    }

    QTemporaryDir m_dir;
    bool m_runtimeOwned = false;
    QProcess m_cage;
};

class tst_Kiosk : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void panelFillsTheOutputWithLiveReadings_data();
    void panelFillsTheOutputWithLiveReadings();
};

void tst_Kiosk::initTestCase()
{
    REQUIRE_PRIVATE_NETWORK();
}

void tst_Kiosk::panelFillsTheOutputWithLiveReadings_data()
{
    QTest::addColumn<QString>("platform");
    QTest::addColumn<QStringList>("cageOptions");

    // On a headless output cage 0.1 hands a full-screen client's buffer straight to the output
    // when their transforms match, and screenshots then keep showing the last frame it composited
    // itself, the client's first. Turned by 180 degrees it composites every frame, so grim sees
    // what a screen would. cage 0.2 has no -r, and its screenshots are true without.
    const QStringList turned = cageRotates() ? QStringList{"-r", "-r"} : QStringList();
    // The recommended path: Qt's X11 platform through XWayland, which cage starts by itself.
    QTest::newRow("xcb through XWayland") << "xcb" << turned;
    // Natively, cage maximises rather than grants full screen; without -d Qt then draws a title
    // bar of its own above the panel.
    QTest::newRow("native Wayland") << "wayland" << QStringList{"-d"} + turned;
}

void tst_Kiosk::panelFillsTheOutputWithLiveReadings()
{
    QFETCH(QString, platform);
    QFETCH(QStringList, cageOptions);

    Device first(2, {"--no-drift", "--no-discovery", "--temperature", "21.5", "--humidity", "45"});
    Device second(3, {"--no-drift", "--no-discovery", "--temperature", "23.4", "--humidity", "50"});
    QVERIFY(first.start());
    QVERIFY(second.start());
    Kiosk kiosk;
    QVERIFY(writeSettings(kiosk.settingsFile(), {"lab-1 [10.77.0.2]", "lab-2 [10.77.0.3]"}));
    QVERIFY(kiosk.prepare());
    // A cage that is missing or refuses the options fails: a skip would pass unseen.
    QVERIFY2(kiosk.start(platform, cageOptions),
             qPrintable("cage did not start (scripts/deps.sh installs cage, xwayland and grim): " +
                        kiosk.log()));

    // Full screen on the frame colour, no title bar, every value drawn: the panel's first frame
    // at its first size shows none of this.
    QSize size;
    auto showsReadings = [&](const QImage &image) {
        size = image.size();
        if (size.width() < 640 || !edgesInFrameColour(image))
            return false;
        for (int column = 0; column < 2; ++column)
            for (int sensor = 0; sensor < 3; ++sensor)
                if (countColour(image, valueArea(sensorBand(tileArea(size, column), sensor)),
                                NormalForeground) < 200)
                    return false;
        return true;
    };
    QVERIFY2(showsReadings(waitForScreen(kiosk, showsReadings, 30000)), qPrintable(kiosk.log()));

    const qint64 panel = kiosk.panelPid();
    QVERIFY(panel > 0);
    QCOMPARE(uidOf(panel), 65534);

    // Later readings reach the screen too.
    QVERIFY(first.set("temperature=35"));
    const QRect temperature = sensorBand(tileArea(size, 0), 0);
    auto critical = [&](const QImage &image) {
        return countColour(image, temperature, CriticalBackground) >
                   temperature.width() * temperature.height() / 4 &&
               countColour(image, valueArea(temperature), CriticalForeground) > 200;
    };
    QVERIFY2(critical(waitForScreen(kiosk, critical, 15000)), qPrintable(kiosk.log()));
    QVERIFY(kiosk.panelPid() == panel);
}

QTEST_GUILESS_MAIN(tst_Kiosk)
#include "tst_kiosk.moc"
