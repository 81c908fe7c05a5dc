// settings-saver FIRST [COUNT]: saves the settings again and again (COUNT times, or for ever),
// stamped with FIRST, FIRST+1, ..., and prints each number once its save has returned. The settings
// test kills it at random moments, and at each step of one save.
// settings-saver --trends DIR: queues a trend file for each of nine slots in DIR and exits at once.
#include "BackgroundWriter.h"
#include "CSettings.h"
#include "SettingsVersion.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tovald GmbH"));
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    if (argc == 3 && QByteArray(argv[1]) == "--trends") {
        for (int slot = 0; slot < 9; ++slot)
            writeFileInBackground(QStringLiteral("%1/%2").arg(argv[2]).arg(slot), "trend");
        return 0;
    }
    if (argc != 2 && argc != 3)
        return 2;

    CSettings settings(QString{});
    const int first = QByteArray(argv[1]).toInt();
    for (int k = first; argc == 2 || k < first + QByteArray(argv[2]).toInt(); ++k) {
        SettingsVersion::stamp(settings, k);
        settings.save();
        std::printf("%d\n", k);
        std::fflush(stdout);
    }
    return 0;
}
