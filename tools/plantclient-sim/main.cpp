// plantclient-sim: the plant client's side of the plant link, for tests and demos.
#include "PlantClient.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cstdio>
#include <cstdlib>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {
void Usage()
{
    std::fprintf(stderr,
        "usage: plantclient-sim [options]\n"
        "  --port N          monitor's port on 127.0.0.1 (8890)\n"
        "  --heart-ms N      send /heart/ every N ms (0: only on the command heart)\n"
        "  --no-ack          do not acknowledge frames\n"
        "  --products JSON   answer to the product-name request (type 14)\n"
        "  --reminds JSON    answer to the memo request (type 17)\n"
        "  --grab-dir DIR    where grab writes share<camera>.i420\n"
        "Commands on standard input: heart, reline, ack on|off, reply <base64>, grab, status, quit\n"
        "Standard output: CONNECTED, DISCONNECTED, RX <type> <length> <base64 body>,\n"
        "GRAB <camera> <bytes> <file> | GRAB <camera> FAIL, STATUS <frames>\n");
}
}  // namespace

int main(int argc, char** argv)
{
    // Never outlive the test or demo that started us.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    QCoreApplication app(argc, argv);
    PlantClient::Options opt;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        const auto next = [&]() -> QString {
            if (i + 1 >= args.size()) {
                Usage();
                std::exit(2);
            }
            return args[++i];
        };
        if (a == QLatin1String("--port")) opt.port = quint16(next().toUInt());
        else if (a == QLatin1String("--heart-ms")) opt.heartMs = next().toInt();
        else if (a == QLatin1String("--no-ack")) opt.ack = false;
        else if (a == QLatin1String("--products")) opt.products = next().toUtf8();
        else if (a == QLatin1String("--reminds")) opt.reminds = next().toUtf8();
        else if (a == QLatin1String("--grab-dir")) opt.grabDir = next();
        else if (a == QLatin1String("-h") || a == QLatin1String("--help")) { Usage(); return 0; }
        else { Usage(); return 2; }
    }
    PlantClient client(opt);
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buf[4096];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) {
            input.setEnabled(false);  // standard input closed: keep serving
            return;
        }
        pending.append(buf, int(n));
        int nl;
        while ((nl = pending.indexOf('\n')) >= 0) {
            client.command(pending.left(nl));
            pending.remove(0, nl + 1);
        }
    });
    return app.exec();
}
