// Loading the settings file from arbitrary bytes, and saving what was loaded.
#include "CSettings.h"
#include "FuzzSupport.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <algorithm>

namespace {

QTemporaryDir *g_config = nullptr;

QString iniPath(const QString &applicationName)
{
    return g_config->path() + QStringLiteral("/Tovald GmbH/") + applicationName +
           QStringLiteral(".ini");
}

// The UTF-8 bytes of text read as Latin-1.
QString asLatin1(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    return QString::fromLatin1(bytes.constData(), bytes.size());
}

bool sameRgb(const QColor &a, const QColor &b)
{
    return !a.isValid() || a.rgb() == b.rgb();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Stored values may hold pixmaps and other GUI types, as in the panel itself.
    silenceQtMessages();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QGuiApplication(*argc, *argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tovald GmbH"));
    g_config = new QTemporaryDir;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, g_config->path());
    QDir().mkpath(g_config->path() + QStringLiteral("/Tovald GmbH"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // QSettings caches parsed files by name, size and time stamp: every run gets file names of
    // its own, removed afterwards.
    static int run = 0;
    const QString name = QStringLiteral("run%1").arg(++run);
    const QString savedName = name + QStringLiteral("-saved");
    {
        QFile file(iniPath(name));
        FUZZ_CHECK(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }

    {
        CSettings loaded(name);
        // Values that cannot be read safely are left out; the store, read from a copy without
        // them, can be asked for anything.
        int refused = 0;
        withoutUnsafeValues(
            QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size)), &refused);
        // Qt writes any group spelt "general" in whatever case as [%General], which reads back as
        // "General": such a file (hand-edited) merges with the panel's own group on the next load.
        const QStringList groups = loaded.m_store->childGroups();
        const bool generalAlias = std::any_of(groups.begin(), groups.end(), [](const QString &g) {
            return g != QLatin1String("General") &&
                   g.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0;
        });
        // Qt 5 reads a file that starts with a UTF-8 byte order mark as UTF-8, and writes it as
        // UTF-8 but without the mark, so the next load reads non-ASCII text as Latin-1 (Qt 6 reads
        // UTF-8 always); it also writes a date and time's binary data unescaped then.
        const bool utf8Mark =
            QT_VERSION < QT_VERSION_CHECK(6, 0, 0) &&
            QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size))
                .startsWith("\xef\xbb\xbf");
        loaded.save();
        QFile::copy(iniPath(name), iniPath(savedName));

        // What save() wrote holds nothing to refuse and loads back the same; a file with refused
        // values was kept as .bad.
        QFile saved(iniPath(savedName));
        int refusedAgain = -1;
        FUZZ_CHECK(saved.open(QIODevice::ReadOnly));
        withoutUnsafeValues(saved.readAll(), &refusedAgain);
        FUZZ_CHECK(refusedAgain == 0 || utf8Mark);
        FUZZ_CHECK(!refused || QFile::exists(iniPath(name) + QStringLiteral(".bad")));
        CSettings again(savedName);
        FUZZ_CHECK(again.m_refreshValue == loaded.m_refreshValue);
        FUZZ_CHECK(again.m_refreshHistory == loaded.m_refreshHistory);
        FUZZ_CHECK(generalAlias || sameRgb(loaded.m_frameColor, again.m_frameColor));
        FUZZ_CHECK(generalAlias ||
                   again.m_staleAfter == loaded.m_staleAfter); // kept, never written
        FUZZ_CHECK(generalAlias || (again.m_setupPin == loaded.m_setupPin &&
                                    again.m_sleepAfter == loaded.m_sleepAfter &&
                                    again.m_sleepBetween.from == loaded.m_sleepBetween.from &&
                                    again.m_sleepBetween.to == loaded.m_sleepBetween.to &&
                                    again.m_wakeOnCritical == loaded.m_wakeOnCritical &&
                                    again.m_sleepCommand == loaded.m_sleepCommand &&
                                    again.m_wakeCommand == loaded.m_wakeCommand));
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                FUZZ_CHECK(again.m_host[r][c] == loaded.m_host[r][c] ||
                           (utf8Mark && again.m_host[r][c] == asLatin1(loaded.m_host[r][c])));
                if (loaded.m_host[r][c].isEmpty())
                    continue;
                FUZZ_CHECK(again.m_enableFlags[r][c] == loaded.m_enableFlags[r][c]);
                const DisplaySize &a = again.m_displaySizes[r][c];
                const DisplaySize &b = loaded.m_displaySizes[r][c];
                FUZZ_CHECK(a.history == b.history && a.value == b.value && a.unit == b.unit);
                for (const CColorKey &entry : g_colorKeys)
                    FUZZ_CHECK(sameRgb(loaded.m_colors[r][c].*entry.member,
                                       again.m_colors[r][c].*entry.member));
            }
        }
    }
    QFile::remove(iniPath(name));
    QFile::remove(iniPath(name) + QStringLiteral(".bad"));
    QFile::remove(iniPath(savedName));
    return 0;
}
