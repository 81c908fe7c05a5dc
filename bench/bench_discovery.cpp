// Discovery growth: N, then 2N distinct announcements followed by one update of each, merged into
// the setup dialog's device list (model, sort proxy and tree view, shown offscreen) through the
// real datagram path: UDP to 127.0.0.1. Prints "discovery <column> <n> <ms>" per run and the
// ratio T(2N)/T(N). Must run in a private network namespace: the dialog broadcasts.
//
//   bench_discovery [--n N] [--column C] [--debug] [--proxy | --model]
//   --debug keeps the model's and the proxy's debug lines (default: a handler drops them, after
//           they were built).
//   --proxy the model and its sort proxy alone, without the dialog and its tree view;
//   --model the model alone.
#include "Announcement.h"
#include "CDevListModel.h"
#include "CDevListProxyModel.h"
#include "CSettings.h"
#include "CSetupDlg.h"
#include "SettingsFixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QUdpSocket>
#include <cstdio>

namespace {

void quietDebug(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type != QtDebugMsg)
        qt_message_output(type, context, message);
}

// The announcement of device i; an update moves it to another address and renames it.
QByteArray announcement(int i, bool update)
{
    // Spread over the address space, so that sorting has work to do.
    const quint32 spread = quint32(i) * 2654435761u + (update ? 977u : 0u);
    return TestSupport::announcement(TestSupport::testMac(quint32(i)),
                                     (10u << 24) | (spread & 0xffffff),
                                     QByteArray(update ? "node-" : "dev-") + QByteArray::number(i));
}

// Sends n announcements and then n updates, in batches small enough for the socket's receive
// buffer, waiting for each batch to be merged. Returns the wall time in ms.
enum class Setup
{
    Dialog,
    Proxy,
    Model
};

double run(int n, Setup setup)
{
    // Proxy: the model and a sort proxy set up as the dialog sets them, without a view.
    QScopedPointer<CSetupDlg> dialog;
    QScopedPointer<CDevListModel> bareModel;
    QScopedPointer<CDevListProxyModel> proxy;
    CDevListModel *model = nullptr;
    if (setup == Setup::Dialog) {
        dialog.reset(new CSetupDlg(nullptr));
        dialog->show();
        model = dialog->findChild<CDevListModel *>();
        if (!model)
            qFatal("no device list model in the dialog");
    } else {
        bareModel.reset(model = new CDevListModel(nullptr));
        if (setup == Setup::Proxy) {
            proxy.reset(new CDevListProxyModel(nullptr));
            proxy->setDynamicSortFilter(true);
            proxy->setSourceModel(model);
            proxy->sort(g_settings->m_sortColumn);
        }
    }
    int updates = 0;
    QObject::connect(model, &QAbstractItemModel::dataChanged, [&updates] { ++updates; });
    QCoreApplication::processEvents();

    QUdpSocket sender;
    const QHostAddress target(QHostAddress::LocalHost);
    const int batch = 100;
    QElapsedTimer clock;
    clock.start();
    for (int pass = 0; pass < 2; ++pass) {
        for (int first = 0; first < n; first += batch) {
            const int last = qMin(n, first + batch);
            for (int i = first; i < last; ++i)
                sender.writeDatagram(announcement(i, pass == 1), target, g_settings->m_scanPort);
            const int expected = last;
            QElapsedTimer stuck;
            stuck.start();
            while ((pass == 0 ? model->rowCount() : updates) < expected) {
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
                if (stuck.elapsed() > 20000)
                    qFatal("datagrams lost: %d of %d merged",
                           pass == 0 ? model->rowCount() : updates, expected);
            }
        }
    }
    // Let the view catch up with what it was told.
    QCoreApplication::processEvents();
    return clock.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QStringList args = app.arguments();
    int n = 10000;
    int column = 0;
    bool debug = false;
    Setup setup = Setup::Dialog;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--n") && i + 1 < args.size())
            n = args[++i].toInt();
        else if (args[i] == QLatin1String("--column") && i + 1 < args.size())
            column = args[++i].toInt();
        else if (args[i] == QLatin1String("--debug"))
            debug = true;
        else if (args[i] == QLatin1String("--proxy"))
            setup = Setup::Proxy;
        else if (args[i] == QLatin1String("--model"))
            setup = Setup::Model;
    }

    const QStringList unexpected = TestSupport::unexpectedInterfaces();
    if (qEnvironmentVariableIntValue("BRIMO_PRIVATE_NET") != 1 || !unexpected.isEmpty()) {
        fprintf(stderr, "bench_discovery: refusing to run outside a private network namespace\n");
        return 2;
    }

    SettingsFixture settings;
    g_settings->m_scanPort = 19806;
    g_settings->m_sortColumn = column;
    if (!debug)
        qInstallMessageHandler(quietDebug);

    const double single = run(n, setup);
    printf("discovery column %d n %d ms %.1f\n", column, n, single);
    fflush(stdout);
    const double twice = run(2 * n, setup);
    printf("discovery column %d n %d ms %.1f\n", column, 2 * n, twice);
    printf("discovery column %d ratio %.2f\n", column, twice / single);
    return 0;
}
