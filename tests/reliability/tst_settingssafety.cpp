#include "BackgroundWriter.h"
#include "CSettings.h"
#include "SettingsFixture.h"
#include "SettingsVersion.h"
#include "Trend.h"
#include "TrendFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopedPointer>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

#include <memory>

// The settings file must survive whatever happens while it is written: the process killed in the
// middle of a save, a full disk, a read-only file system; and a broken file must not take the
// program down. QSettings writes the INI file to an anonymous temporary file, syncs it and renames
// it over the old one (seen with strace: O_TMPFILE, fdatasync, linkat, rename), so a reader sees
// either the old or the new file whole. These tests hold the program to that.
class tst_SettingsSafety : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void killedWhileSaving();
    void diskFull();
    void fewPagesFree_data();
    void fewPagesFree();
    void killedAtEachStep_data();
    void killedAtEachStep();
    void trendsWrittenAtExit();
    void readOnlyFileSystem();
    void fileIsADirectory();
    void corruptFile_data();
    void corruptFile();

private:
    // Points the user-scope settings at dir and returns the path of the INI file there.
    static QString useConfigDir(const QString &dir);
    // The version the file at path holds, read through a fresh CSettings (-1: not one version).
    static int versionOnDisk(const QString &path, int inUse = 9);
    // Version 1 of the settings with inUse slots saved at ini, extra appended.
    static void saveFirstVersion(const QString &ini, const QByteArray &extra, int inUse);
    static QByteArray refusedValue()
    {
        return "[Foreign]\nK=@Variant(\\0\\0\\0G\\x7f\\xff\\xff\\xff)\n";
    }

    QScopedPointer<SettingsFixture> m_settings;
};

namespace {

// A small file system of its own in a temporary directory, unmounted again on destruction. Needs
// root in a private mount namespace, which the test runner gives.
struct Tmpfs
{
    explicit Tmpfs(const QString &size)
    {
        mounted = QProcess::execute(QStringLiteral("mount"),
                                    {QStringLiteral("-t"), QStringLiteral("tmpfs"),
                                     QStringLiteral("-o"), QStringLiteral("size=") + size,
                                     QStringLiteral("tmpfs"), dir.path()}) == 0;
    }
    ~Tmpfs()
    {
        if (mounted)
            QProcess::execute(QStringLiteral("umount"), {dir.path()});
    }
    QString path() const { return dir.path(); }

    QTemporaryDir dir;
    bool mounted = false;
};

} // namespace

// Inside tests/tools/netns-run (root, a mount namespace of its own) the tmpfs must mount; only a
// run by hand elsewhere may skip.
#define REQUIRE_MOUNTED(tmpfs)                                                                     \
    do {                                                                                           \
        if (!(tmpfs).mounted && qEnvironmentVariableIntValue("BRIMO_PRIVATE_NET") != 1)            \
            QSKIP("cannot mount a tmpfs (needs root in a private mount namespace)");               \
        QVERIFY2((tmpfs).mounted, "cannot mount a tmpfs in the private mount namespace");          \
    } while (false)

void tst_SettingsSafety::initTestCase()
{
    // The colour schemes log every construction; that is noise here.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (type != QtDebugMsg)
            fprintf(stderr, "%s\n", qPrintable(text));
    });
    m_settings.reset(new SettingsFixture(false));
}

QString tst_SettingsSafety::useConfigDir(const QString &dir)
{
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir);
    return TestSupport::settingsFileIn(dir);
}

int tst_SettingsSafety::versionOnDisk(const QString &path, int inUse)
{
    // A copy in a directory of its own: QSettings keeps parsed files cached by name.
    QTemporaryDir copy;
    const QString copied = useConfigDir(copy.path());
    QDir().mkpath(QFileInfo(copied).path());
    if (!QFile::copy(path, copied))
        return -2;
    const CSettings settings(QString{});
    return SettingsVersion::versionOf(settings, inUse);
}

void tst_SettingsSafety::killedWhileSaving()
{
    QTemporaryDir config;
    const QString ini = TestSupport::settingsFileIn(config.path());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());

    const int runs = 40;
    int previous = -1;
    int emptyLocks = 0;
    for (int run = 1; run <= runs; ++run) {
        QProcess saver;
        saver.setProcessEnvironment(environment);
        saver.setStandardErrorFile(QProcess::nullDevice());
        saver.start(QStringLiteral(BRIMO_SETTINGS_SAVER), {QString::number(run * 1000000)});
        // The first save of a run must not wait for the lock the killed run left behind.
        QVERIFY2(saver.waitForReadyRead(10000),
                 qPrintable(QStringLiteral("the saver did not complete a save: %1, exit %2")
                                .arg(saver.errorString())
                                .arg(saver.exitCode())));
        QTest::qSleep(QRandomGenerator::global()->bounded(1, 40));
        saver.kill();
        QVERIFY(saver.waitForFinished(5000));

        const QList<QByteArray> printed = saver.readAllStandardOutput().trimmed().split('\n');
        const int lastSaved = printed.last().toInt();
        const int onDisk = versionOnDisk(ini);
        // Killed after the rename but before printing: the next version is complete on disk.
        QVERIFY2(onDisk == lastSaved || onDisk == lastSaved + 1,
                 qPrintable(QStringLiteral("run %1: last saved %2, file holds %3")
                                .arg(run)
                                .arg(lastSaved)
                                .arg(onDisk)));
        QVERIFY(onDisk > previous);
        previous = onDisk;

        // Killed between creating the lock file and writing its owner into it, a save leaves an
        // empty lock, which the next save takes for live until it is 30 s old and waits for. The
        // file is safe either way; age the lock rather than wait.
        QFile lock(ini + QStringLiteral(".lock"));
        if (lock.exists() && lock.size() == 0) {
            ++emptyLocks;
            QVERIFY(lock.open(QIODevice::ReadWrite));
            QVERIFY(lock.setFileTime(QDateTime::currentDateTime().addSecs(-60),
                                     QFileDevice::FileModificationTime));
        }
    }
    // Killed between linking the temporary file and renaming it, a save leaves the temporary
    // behind; harmless, but say how many.
    const QStringList left = QDir(QFileInfo(ini).path()).entryList(QDir::Files);
    qInfo("%d runs killed, %d of them left an empty lock file; files in the settings directory: %s",
          runs, emptyLocks, qPrintable(left.join(' ')));
}

void tst_SettingsSafety::diskFull()
{
    Tmpfs dir(QStringLiteral("128k"));
    REQUIRE_MOUNTED(dir);
    const QString ini = useConfigDir(dir.path());

    CSettings settings(QString{});
    SettingsVersion::stamp(settings, 1);
    settings.save();
    QCOMPARE(settings.m_store->status(), QSettings::NoError);
    QCOMPARE(versionOnDisk(ini), 1);

    // Fill what is left of the file system.
    QFile filler(dir.path() + QStringLiteral("/filler"));
    QVERIFY(filler.open(QIODevice::WriteOnly));
    const QByteArray block(4096, 'f');
    while (filler.write(block) == block.size() && filler.flush()) {
    }
    filler.close();

    useConfigDir(dir.path());
    SettingsVersion::stamp(settings, 2);
    settings.save();
    QCOMPARE(settings.m_store->status(), QSettings::AccessError);
    QCOMPARE(versionOnDisk(ini), 1);
    QCOMPARE(SettingsVersion::versionOf(settings), 2);

    // With room again, the next save writes what the program holds.
    QVERIFY(filler.remove());
    useConfigDir(dir.path());
    settings.save();
    QCOMPARE(versionOnDisk(ini), 2);
}

void tst_SettingsSafety::saveFirstVersion(const QString &ini, const QByteArray &extra, int inUse)
{
    {
        CSettings settings(QString{});
        SettingsVersion::stamp(settings, 1, inUse);
        settings.save();
    }
    QFile file(ini);
    QVERIFY(file.open(QIODevice::Append) && file.write(extra) == extra.size());
}

// The room a save finds decides how far QSettings gets, and where QSaveFile's last flush fails.
// Every row writes a trend file too.
void tst_SettingsSafety::fewPagesFree_data()
{
    QTest::addColumn<int>("inUse");        // slots
    QTest::addColumn<QByteArray>("extra"); // after the text of the first version
    QTest::addColumn<int>("pages");
    for (int pages : {0, 1, 2, 3, 5, 8}) {
        QTest::addRow("one slot, %d pages free", pages) << 1 << QByteArray() << pages;
        QTest::addRow("nine slots, %d pages free", pages) << 9 << QByteArray() << pages;
        QTest::addRow("refused value, %d pages free", pages) << 9 << refusedValue() << pages;
    }
}

void tst_SettingsSafety::fewPagesFree()
{
    QFETCH(int, inUse);
    QFETCH(QByteArray, extra);
    QFETCH(int, pages);
    Tmpfs dir(QStringLiteral("256k"));
    QVERIFY2(dir.mounted, "cannot mount a tmpfs (needs root in a private mount namespace)");
    const QString ini = useConfigDir(dir.path());
    const QString trend = dir.path() + QStringLiteral("/trend");
    auto writeTrend = [&](int k) {
        TrendHistory history;
        history.newestMs = k;
        history.intervalMs = 1000;
        history.samples[0] = QVector<float>(HistoryCapacity, float(k));
        writeFileInBackground(trend, encodeTrendHistory(history));
        waitForBackgroundWrites();
    };
    writeTrend(1);
    saveFirstVersion(ini, extra, inUse);
    useConfigDir(dir.path());
    CSettings settings(QString{});

    QFile filler(dir.path() + QStringLiteral("/filler"));
    QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    while (filler.write(QByteArray(4096, 'f')) == 4096) {
    }
    QVERIFY(filler.resize(filler.size() - 4096 * pages));
    useConfigDir(dir.path());
    SettingsVersion::stamp(settings, 2, inUse);
    settings.save();
    writeTrend(2);
    QVERIFY(filler.remove());

    const int version = versionOnDisk(ini, inUse);
    QVERIFY2(version == 1 || version == 2, qPrintable(QString::number(version)));
    QVERIFY(!QFile::exists(ini + QStringLiteral(".kept")));
    QFile written(trend);
    QVERIFY(written.open(QIODevice::ReadOnly));
    const std::optional<TrendHistory> history = decodeTrendHistory(written.readAll());
    QVERIFY(history && history->samples[0].size() == HistoryCapacity);
}

// Killed at each file system call in turn, a save leaves a file that loads the old settings whole
// or the new ones.
void tst_SettingsSafety::killedAtEachStep_data()
{
    QTest::addColumn<QByteArray>("extra"); // after the first version's text
    QTest::newRow("nine slots") << QByteArray();
    QTest::newRow("refused value") << refusedValue();
}

void tst_SettingsSafety::killedAtEachStep()
{
    QFETCH(QByteArray, extra);
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("strace")).isEmpty(),
             "strace is not installed (scripts/deps.sh)");
    QTemporaryDir config;
    const QString ini = useConfigDir(config.path());
    saveFirstVersion(ini, extra, 9);
    QFile file(ini);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray first = file.readAll();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    const QString calls = QStringLiteral("openat,write,fdatasync,fsync,link,linkat,rename,"
                                         "renameat,renameat2,unlink,unlinkat");

    bool finished = false;
    int step = 0;
    while (!finished && ++step < 5000) {
        QDir(QFileInfo(ini).path()).removeRecursively();
        QVERIFY(TestSupport::writeSettingsFile(ini, first));
        QProcess saver;
        saver.setProcessEnvironment(environment);
        saver.start(QStringLiteral("strace"),
                    {"-f", "-qq", "-o", "/dev/null", "-e", "trace=" + calls, "-e",
                     QStringLiteral("inject=%1:signal=SIGKILL:when=%2").arg(calls).arg(step),
                     BRIMO_SETTINGS_SAVER, "2", "1"});
        QVERIFY(saver.waitForFinished(20000));
        finished = saver.exitStatus() == QProcess::NormalExit && saver.exitCode() == 0;
        useConfigDir(config.path());
        const CSettings loaded(QString{});
        const int version = SettingsVersion::versionOf(loaded);
        QVERIFY2(version == 1 || version == 2,
                 qPrintable(QStringLiteral("killed at step %1: %2").arg(step).arg(version)));
        QVERIFY(version == 2 || !finished);
    }
    QVERIFY(finished);
    qInfo("%d steps", step);
}

// The writes still queued when the program ends reach the disk before it is gone.
void tst_SettingsSafety::trendsWrittenAtExit()
{
    QTemporaryDir dir;
    QCOMPARE(QProcess::execute(BRIMO_SETTINGS_SAVER, {"--trends", dir.path()}), 0);
    for (int slot = 0; slot < 9; ++slot) {
        QFile file(dir.filePath(QString::number(slot)));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("trend"));
    }
}

void tst_SettingsSafety::readOnlyFileSystem()
{
    Tmpfs dir(QStringLiteral("1m"));
    REQUIRE_MOUNTED(dir);
    const QString ini = useConfigDir(dir.path());
    CSettings settings(QString{});
    SettingsVersion::stamp(settings, 1);
    settings.save();
    QCOMPARE(versionOnDisk(ini), 1);

    // Root ignores file modes, so the file system itself has to refuse the write.
    QCOMPARE(QProcess::execute(QStringLiteral("mount"),
                               {QStringLiteral("-o"), QStringLiteral("remount,ro"), dir.path()}),
             0);
    useConfigDir(dir.path());
    SettingsVersion::stamp(settings, 2);
    settings.save();
    QCOMPARE(settings.m_store->status(), QSettings::AccessError);
    QCOMPARE(SettingsVersion::versionOf(settings), 2);
    QCOMPARE(versionOnDisk(ini), 1);
}

void tst_SettingsSafety::fileIsADirectory()
{
    QTemporaryDir dir;
    const QString ini = useConfigDir(dir.path());
    QVERIFY(QDir().mkpath(ini));

    CSettings settings(QString{});
    QCOMPARE(settings.m_scanPort, quint16(9806));
    QCOMPARE(settings.m_frameColor, QColor(Qt::black));
    SettingsVersion::stamp(settings, 5);
    settings.save();
    QCOMPARE(SettingsVersion::versionOf(settings), 5);
    QVERIFY(QFileInfo(ini).isDir());
}

void tst_SettingsSafety::corruptFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("defaults");

    auto random = [](quint32 seed, int size) {
        QRandomGenerator generator(seed);
        QByteArray bytes(size, '\0');
        for (char &byte : bytes)
            byte = char(generator.bounded(256));
        return bytes;
    };
    QTest::newRow("random bytes 1") << random(1, 4096) << true;
    QTest::newRow("random bytes 2") << random(2, 65536) << true;
    QTest::newRow("random bytes 3") << random(3, 17) << true;
    QTest::newRow("zero bytes") << QByteArray(8192, '\0') << true;
    QTest::newRow("0xff bytes") << QByteArray(8192, '\xff') << true;
    QTest::newRow("one long line") << QByteArray(4 << 20, 'x') << true;
    QTest::newRow("unbalanced groups")
        << QByteArray("[Device00\nHost=a [1.2.3.4]\n[[[]]]\n=\n==\n") << false;

    // A complete file of version 7, then cut, spliced with noise and given hostile values.
    QTemporaryDir dir;
    const QString ini = useConfigDir(dir.path());
    {
        CSettings settings(QString{});
        SettingsVersion::stamp(settings, 7);
        settings.save();
    }
    QFile file(ini);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray whole = file.readAll();
    QTest::newRow("cut at a third") << whole.left(whole.size() / 3) << false;
    QTest::newRow("cut mid line") << whole.left(whole.indexOf("Host=v7", whole.size() / 2) + 6)
                                  << false;
    QByteArray spliced = whole;
    spliced.replace(whole.size() / 2, 64, random(4, 64));
    QTest::newRow("noise in the middle") << spliced << false;
    QTest::newRow("hostile values")
        << QByteArray("[%General]\nFrameColor=@Variant(\\0\\0\\0\\x7f\\xff\\xff)\n"
                      "[Refresh]\nValue=@ByteArray(\\xff)\nHistory=99999999999999999999\n"
                      "[Device11]\nHost=@Invalid()\nDisplaySizeValue=\"\\\n"
                      "TemperatureValueNormalForeground=@Rect(1 2 3 4)\n[Scan]\nPort=-1\n")
        << false;
}

void tst_SettingsSafety::corruptFile()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, defaults);

    QTemporaryDir dir;
    const QString ini = useConfigDir(dir.path());
    QDir().mkpath(QFileInfo(ini).path());
    QFile file(ini);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();

    CSettings settings(QString{});
    if (defaults) {
        QCOMPARE(settings.m_frameColor, QColor(Qt::black));
        QCOMPARE(settings.m_scanPort, quint16(9806));
        QCOMPARE(settings.m_refreshValue, 10);
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c)
                QVERIFY(settings.m_host[r][c].isEmpty());
        }
    }

    // Whatever the broken file held, the next save leaves a file that loads what the program has.
    SettingsVersion::stamp(settings, 8);
    settings.save();
    QCOMPARE(versionOnDisk(ini), 8);
}

QTEST_GUILESS_MAIN(tst_SettingsSafety)
#include "tst_settingssafety.moc"
