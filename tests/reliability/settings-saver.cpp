// settings-saver FIRST: saves the settings again and again, stamped with FIRST, FIRST+1, ...,
// and prints each number once its save has returned. The settings test kills it at random moments.
#include "CSettings.h"
#include "SettingsVersion.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tovald GmbH"));
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    if (argc != 2)
        return 2;

    CSettings settings(QString{});
    for (int k = QByteArray(argv[1]).toInt();; ++k) {
        SettingsVersion::stamp(settings, k);
        settings.save();
        std::printf("%d\n", k);
        std::fflush(stdout);
    }
}
