// velquarin-simmodem: the simulated GSM modem as a program of its own.
//
//   velquarin-simmodem [--link PATH] [--maker TEXT] [--pin CODE]
//                      [--incoming-every SECONDS] [--restart-ms MS] [--silent]
//                      [--sample-phonebook]
//
// Prints the path to open (the link, or the pty slave) on the first line of
// standard output, logs the traffic to standard error, and runs until it is
// killed or told "quit". Control lines on standard input:
//   cmt <pdu>               deliver a "+CMT: " indication (SMSC prefix first)
//   text <number> <text>    deliver a 7-bit text from that number
//   cds <pdu>               a "+CDS: " status report
//   ring                    "RING"
//   urc <line>              any unsolicited line, e.g. "urc +CREG: 1"
//   csq <rssi> [ber]        signal quality
//   pb <index> <number> [name]  put an entry into the SIM phonebook
//   delay <ms>              every reply waits this long first
//   silent on|off           stop or resume answering
//   status                  counters on standard output
//   quit                    exit
// Each control line is answered with "ok" or "error: <why>" on standard
// output. End of input leaves the modem running.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

#include "simmodem/SimModem.h"
#include "support/Tpdu.h"

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char c = 1;
    [[maybe_unused]] const auto n = ::write(g_signalPipe[1], &c, 1);
}

QString printable(const QByteArray& bytes)
{
    QString out;
    for (char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u == '\r')
            out += QLatin1String("\\r");
        else if (u == '\n')
            out += QLatin1String("\\n");
        else if (u < 0x20 || u >= 0x7F)
            out += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
        else
            out += QLatin1Char(c);
    }
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velquarin-simmodem"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A simulated GSM modem on a pseudo-terminal."));
    parser.addHelpOption();
    const QCommandLineOption linkOpt(QStringLiteral("link"), QStringLiteral("Make a symlink to the pty at PATH."), QStringLiteral("PATH"));
    const QCommandLineOption makerOpt(QStringLiteral("maker"), QStringLiteral("The AT+CGMI reply."), QStringLiteral("TEXT"));
    const QCommandLineOption pinOpt(QStringLiteral("pin"), QStringLiteral("Lock the SIM with this PIN."), QStringLiteral("CODE"));
    const QCommandLineOption everyOpt(QStringLiteral("incoming-every"), QStringLiteral("Deliver a sample text every SECONDS."), QStringLiteral("SECONDS"));
    const QCommandLineOption restartOpt(QStringLiteral("restart-ms"), QStringLiteral("Silent period after AT+CFUN=1,1."), QStringLiteral("MS"));
    const QCommandLineOption silentOpt(QStringLiteral("silent"), QStringLiteral("Answer nothing."));
    const QCommandLineOption phonebookOpt(QStringLiteral("sample-phonebook"),
                                          QStringLiteral("Start with a few entries in the SIM phonebook."));
    parser.addOptions({linkOpt, makerOpt, pinOpt, everyOpt, restartOpt, silentOpt, phonebookOpt});
    parser.process(app);

    QTextStream out(stdout);
    QTextStream err(stderr);

    SimModem modem;
    if (parser.isSet(makerOpt))
        modem.setMaker(parser.value(makerOpt));
    if (parser.isSet(pinOpt))
        modem.setPin(parser.value(pinOpt));
    if (parser.isSet(restartOpt))
        modem.setRestartMs(parser.value(restartOpt).toInt());
    modem.setSilent(parser.isSet(silentOpt));
    if (parser.isSet(phonebookOpt)) {
        modem.setPhonebookEntry(1, QStringLiteral("+447700900601"), QStringLiteral("Alice"));
        modem.setPhonebookEntry(2, QStringLiteral("07700900602"), QStringLiteral("Smith, J"));
        modem.setPhonebookEntry(4, QStringLiteral("+447700900604"), QStringLiteral("Dentist"));
        modem.setPhonebookEntry(7, QStringLiteral("*#06#"), QStringLiteral("IMEI"));
    }
    if (!modem.start(parser.value(linkOpt))) {
        err << "velquarin-simmodem: " << modem.errorString() << Qt::endl;
        return 1;
    }
    out << modem.portPath() << Qt::endl;
    err << "simulated modem on " << modem.slavePath() << Qt::endl;

    QObject::connect(&modem, &SimModem::bytesReceived, [&](const QByteArray& b) {
        err << QString::number(modem.elapsedMs()) << " <- " << printable(b) << Qt::endl;
    });
    QObject::connect(&modem, &SimModem::bytesSent, [&](const QByteArray& b) {
        err << QString::number(modem.elapsedMs()) << " -> " << printable(b) << Qt::endl;
    });
    QObject::connect(&modem, &SimModem::submitReceived, [&](const SimModem::SubmitRecord& r) {
        if (r.decoded)
            err << "message to " << r.decoded->da.number << " (MR " << r.decoded->mr << "): "
                << (r.decoded->ud.text.isEmpty() ? tpdu::toHex(r.decoded->ud.payload) : r.decoded->ud.text) << Qt::endl;
        else
            err << "refused message body: " << r.error << Qt::endl;
    });

    int sample = 0;
    QTimer incoming;
    // Sample texts are delivered only once the program has routed new
    // messages to itself (+CNMI mt 2); before that a real modem would keep
    // them on the SIM, and nobody may be reading the port yet.
    auto deliverSample = [&] {
        if (modem.currentProfile().cnmi[1] != 2 || modem.isRestarting())
            return;
        // Stamped with the time it arrives, as the service centre does.
        modem.injectCmt(SimModem::samplePdu(sample++, QDateTime::currentDateTime()));
    };
    if (parser.isSet(everyOpt)) {
        const double seconds = parser.value(everyOpt).toDouble();
        if (seconds > 0) {
            QObject::connect(&incoming, &QTimer::timeout, deliverSample);
            incoming.start(static_cast<int>(seconds * 1000));
        }
    }

    // Control lines on standard input.
    QByteArray pending;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    auto command = [&](const QString& line) {
        const QString verb = line.section(QLatin1Char(' '), 0, 0).toLower();
        const QString rest = line.section(QLatin1Char(' '), 1).trimmed();
        if (verb == QLatin1String("cmt")) {
            if (!tpdu::fromHex(rest))
                return QStringLiteral("error: not a hex PDU");
            modem.injectCmt(rest.toUpper());
        } else if (verb == QLatin1String("text")) {
            const QString number = rest.section(QLatin1Char(' '), 0, 0);
            const QString pdu = tpdu::deliverText(number, rest.section(QLatin1Char(' '), 1));
            if (number.isEmpty() || pdu.isEmpty())
                return QStringLiteral("error: cannot build that message");
            modem.injectCmt(pdu);
        } else if (verb == QLatin1String("cds")) {
            if (!tpdu::fromHex(rest))
                return QStringLiteral("error: not a hex PDU");
            modem.injectCds(rest.toUpper());
        } else if (verb == QLatin1String("ring")) {
            modem.injectRing();
        } else if (verb == QLatin1String("urc")) {
            modem.injectUrc(rest);
        } else if (verb == QLatin1String("csq")) {
            bool ok = false;
            const int rssi = rest.section(QLatin1Char(' '), 0, 0).toInt(&ok);
            if (!ok)
                return QStringLiteral("error: csq <rssi> [ber]");
            modem.setSignalQuality(rssi, rest.section(QLatin1Char(' '), 1, 1).toInt());
        } else if (verb == QLatin1String("pb")) {
            bool ok = false;
            const int index = rest.section(QLatin1Char(' '), 0, 0).toInt(&ok);
            const QString number = rest.section(QLatin1Char(' '), 1, 1);
            if (!ok || index < 1 || number.isEmpty())
                return QStringLiteral("error: pb <index> <number> [name]");
            modem.setPhonebookEntry(index, number, rest.section(QLatin1Char(' '), 2));
        } else if (verb == QLatin1String("delay")) {
            bool ok = false;
            const int ms = rest.toInt(&ok);
            if (!ok || ms < 0)
                return QStringLiteral("error: delay <ms>");
            modem.setReplyDelay(ms);
        } else if (verb == QLatin1String("silent")) {
            modem.setSilent(rest == QLatin1String("on"));
        } else if (verb == QLatin1String("status")) {
            return QStringLiteral("ok commands=%1 messages=%2 unacknowledged=%3")
                .arg(modem.commands().size()).arg(modem.sentMessages().size()).arg(modem.unacknowledgedCount());
        } else if (verb == QLatin1String("quit")) {
            QCoreApplication::quit();
        } else if (!verb.isEmpty()) {
            return QStringLiteral("error: unknown command %1").arg(verb);
        } else {
            return QString();
        }
        return QStringLiteral("ok");
    };
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buf[1024];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) {
            input.setEnabled(false);   // end of input: keep running
            return;
        }
        pending.append(buf, static_cast<int>(n));
        int nl;
        while ((nl = pending.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(pending.left(nl)).trimmed();
            pending.remove(0, nl + 1);
            const QString answer = command(line);
            if (!answer.isEmpty())
                out << answer << Qt::endl;
        }
    });

    // SIGTERM and SIGINT end the event loop so the symlink is removed.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) == 0) {
        std::signal(SIGTERM, onSignal);
        std::signal(SIGINT, onSignal);
        std::signal(SIGHUP, onSignal);
    }
    QSocketNotifier signalNotifier(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);

    return app.exec();
}
