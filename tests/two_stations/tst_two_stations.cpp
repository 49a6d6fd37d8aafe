// Two stations on one simulated HF channel, end to end: ALPHA and BRAVO are
// each a console driven through --control on its own simulated modem, the
// modems share a channel, and real programs on the consoles' data ports move
// the user data from one station to the other at the air rate.

#include "../vsport/pty_app_end.h"
#include "console_program.h"
#include "simulated_modem.h"

#include <QCryptographicHash>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>

namespace {

// The highest data rate the console offers: 1600 bytes a second on the air.
const QString air_rate = "12800 Uncoded";

QByteArray random_bytes(int size)
{
    QByteArray bytes(size, '\0');
    std::generate(bytes.begin(), bytes.end(),
                  [] { return char(QRandomGenerator::global()->bounded(256)); });
    return bytes;
}

// True when `got` is `sent` with runs of bytes left out, and nothing else:
// no byte altered, added or out of its place.
bool gaps_only(const QByteArray& sent, const QByteArray& got)
{
    int at = 0;
    for (int i = 0; i < got.size();) {
        const int found = sent.indexOf(got.mid(i, 16), at);
        if (found < 0) {
            return false;
        }
        int same = 0;
        while (i + same < got.size() && found + same < sent.size() &&
               got[i + same] == sent[found + same]) {
            ++same;
        }
        at = found + same;
        i += same;
    }
    return true;
}

// A program run with the data port as its standard input and output, in
// raw mode as a data program sets its serial line.
void run_on_port(QProcess& process, const QString& port, const QStringList& command)
{
    process.start("sh", QStringList{"-c",
                                    "p=$1; shift; exec <\"$p\" >\"$p\" && stty raw -echo && "
                                    "exec \"$@\"",
                                    "sh", port} +
                            command);
}

// One station: its simulated modem on the channel, and its console with a
// configuration of its own.
struct Station
{
    explicit Station(const QString& name) : name(name) {}
    QString name;
    Simulated_modem modem;
    Console_program console;
    QString port; // the console's data port

    void start(const QString& folder, const QStringList& modem_options)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_RUNTIME_DIR", folder);
        modem.process.setProcessEnvironment(environment);
        QVERIFY2(modem.start(folder + "/" + name + "-modem", modem_options),
                 qPrintable(modem.errors));
        environment.insert("XDG_CONFIG_HOME", folder + "/" + name + "/config");
        environment.insert("XDG_DATA_HOME", folder + "/" + name + "/data");
        // Its ALE addresses: itself, and the other station.
        const QString data = folder + "/" + name + "/data/Velquin/Talvane/data";
        QFile ale_settings(data + "/2g_ale_settings.ini");
        QVERIFY(QDir().mkpath(data) && ale_settings.open(QIODevice::WriteOnly));
        ale_settings.write(QString("[General]\n2G_ALE_Self_Address=%1\n2G_ALE_Other_Address=%2\n")
                               .arg(name, name == "ALPHA" ? "BRAVO" : "ALPHA")
                               .toUtf8());
        ale_settings.close();
        QVERIFY(
            console.start({"--port", modem.link, "--connect", "--instance", name}, environment));
        QCOMPARE(console.ask("wait \"Connected to\" 20", 25000), QString("ok"));
        QCOMPARE(console.ask(QString("choose \"Data Rate [bps]\" \"%1\"").arg(air_rate)),
                 QString("ok"));
        QTRY_VERIFY_WITH_TIMEOUT(modem.status().contains("\"data_rate\":19,"), scaled_ms(5000));
        port = console.data_port();
        QVERIFY2(port.startsWith(folder + "/talvane/COM"), qPrintable(port));
    }

    // A value of the modem's status, as "counters.data_out".
    QJsonValue status_value(const QString& path)
    {
        QJsonObject object = QJsonDocument::fromJson(modem.status().toUtf8()).object();
        const QStringList keys = path.split('.');
        for (int k = 0; k + 1 < keys.size(); ++k) {
            object = object.value(keys[k]).toObject();
        }
        return object.value(keys.last());
    }
};

} // namespace

class Tst_two_stations : public QObject
{
    Q_OBJECT

private slots:
    void data_across_the_channel_data();
    void data_across_the_channel();

private:
    void send_with_cat(Station& from, Station& to, int size, bool damaged);
    void send_with_zmodem(Station& from, Station& to, int size);
    void call_and_terminate(Station& caller, Station& called);
    QTemporaryDir* folder = nullptr;
};

void Tst_two_stations::data_across_the_channel_data()
{
    QTest::addColumn<QString>("program"); // what carries the data: cat or zmodem; or an ALE call
    QTest::addColumn<QString>("ber");     // the air's bit error rate
    QTest::addColumn<int>("there");       // bytes ALPHA sends BRAVO,
    QTest::addColumn<int>("back");        // then BRAVO sends ALPHA
    QTest::newRow("cat, 20 000 bytes there and 5 000 back") << "cat"
                                                            << "0" << 20000 << 5000;
    QTest::newRow("zmodem, 20 000 bytes") << "zmodem"
                                          << "0" << 20000 << 0;
    QTest::newRow("bit errors leave gaps") << "cat"
                                           << "2e-4" << 10000 << 0;
    QTest::newRow("ALE call links both, terminate ends both") << "ale"
                                                              << "0" << 0 << 0;
}

void Tst_two_stations::data_across_the_channel()
{
    QFETCH(QString, program);
    QFETCH(QString, ber);
    QFETCH(int, there);
    QFETCH(int, back);
    QVERIFY2(Simulated_modem::available(), qPrintable(Simulated_modem::program()));
    if (program == "zmodem" && (QStandardPaths::findExecutable("sz").isEmpty() ||
                                QStandardPaths::findExecutable("rz").isEmpty())) {
        QSKIP("sz and rz (lrzsz) are not installed");
    }
    // The channel's sockets live below the runtime folder: a short path (the
    // test's own home is too deep for a socket address).
    QTemporaryDir runtime(QDir::tempPath() + "/talvane-stations-XXXXXX");
    folder = &runtime;
    const QStringList modem_options{"--channel", "stations", "--boot-ms",
                                    "0",         "--air",    "ber=" + ber};
    Station alpha("ALPHA"), bravo("BRAVO");
    alpha.start(runtime.path(), modem_options);
    if (!QTest::currentTestFailed()) {
        bravo.start(runtime.path(), modem_options);
    }
    if (QTest::currentTestFailed()) {
        return;
    }
    if (program == "zmodem") {
        send_with_zmodem(alpha, bravo, there);
        return;
    }
    if (program == "ale") {
        call_and_terminate(alpha, bravo);
        return;
    }
    const QString alpha_pty = QFileInfo(alpha.port).symLinkTarget(),
                  bravo_pty = QFileInfo(bravo.port).symLinkTarget();
    send_with_cat(alpha, bravo, there, ber != "0");
    if (back > 0 && !QTest::currentTestFailed()) {
        // A port is the next program's once its link leads to a fresh
        // pseudo-terminal after the last one closed it.
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(alpha.port).symLinkTarget() != alpha_pty &&
                                     QFileInfo(bravo.port).symLinkTarget() != bravo_pty,
                                 scaled_ms(5000));
        send_with_cat(bravo, alpha, back, false);
    }
}

// `cat` writes the bytes into one station's data port; the test reads the
// other one's. What the air drops is counted by the receiving modem.
void Tst_two_stations::send_with_cat(Station& from, Station& to, int size, bool damaged)
{
    const QByteArray sent = random_bytes(size);
    QFile file(folder->path() + "/" + from.name + ".bin");
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(sent) == size && file.flush());
    Pty_app_end reader(to.port);
    QVERIFY(reader.is_open());
    termios raw = reader.settings();
    ::cfmakeraw(&raw);
    QVERIFY(reader.apply(raw));
    reader.serve();
    const int delivered_before = to.status_value("counters.data_out").toInt();
    QProcess writer;
    run_on_port(writer, from.port, {"cat", file.fileName()});
    int lost = 0;
    QTRY_VERIFY_WITH_TIMEOUT(
        (lost = to.status_value("air.data_lost_air").toInt()) + reader.received.size() >= size,
        scaled_ms(60000));
    QCOMPARE(to.status_value("counters.data_out").toInt() - delivered_before,
             reader.received.size());
    QTRY_COMPARE_WITH_TIMEOUT(writer.state(), QProcess::NotRunning, scaled_ms(5000));
    QCOMPARE(writer.exitCode(), 0);
    if (!damaged) {
        QCOMPARE(reader.received.size(), sent.size());
        QVERIFY(reader.received == sent);
        return;
    }
    QVERIFY2(
        lost > 0 && reader.received.size() > 0,
        qPrintable(QString("%1 bytes lost, %2 received").arg(lost).arg(reader.received.size())));
    QCOMPARE(lost + reader.received.size(), size);
    QVERIFY(gaps_only(sent, reader.received));
}

// sz on one station's data port sends a file to rz on the other's.
void Tst_two_stations::send_with_zmodem(Station& from, Station& to, int size)
{
    const QByteArray sent = random_bytes(size);
    QFile file(folder->path() + "/transfer.bin");
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(sent) == size && file.flush());
    const QString received_folder = folder->path() + "/received";
    QVERIFY(QDir().mkpath(received_folder));
    // On a half-duplex channel the two must take turns. sz speaks first;
    // once its words have crossed (the far modem holds them for the port's
    // next user) and the air is free again, rz takes the port and answers.
    QProcess receiver, sender;
    run_on_port(sender, from.port, {"sz", "-q", file.fileName()});
    QTRY_VERIFY_WITH_TIMEOUT(to.status_value("held").toInt() > 0 &&
                                 to.status_value("rx_status") == "HUNT",
                             scaled_ms(10000));
    receiver.setWorkingDirectory(received_folder);
    run_on_port(receiver, to.port, {"rz", "-y", "-q"});
    for (QProcess* program : {&sender, &receiver}) {
        QTRY_COMPARE_WITH_TIMEOUT(program->state(), QProcess::NotRunning, scaled_ms(90000));
        QVERIFY2(program->exitCode() == 0, program->readAllStandardError().constData());
    }
    QFile copy(received_folder + "/transfer.bin");
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QCOMPARE(QCryptographicHash::hash(copy.readAll(), QCryptographicHash::Sha256).toHex(),
             QCryptographicHash::hash(sent, QCryptographicHash::Sha256).toHex());
}

// An ALE call from one station to the other links both; the caller's
// Terminate ends the link on both sides (the called station lists the
// report in its events).
void Tst_two_stations::call_and_terminate(Station& caller, Station& called)
{
    for (Station* station : {&caller, &called}) {
        QCOMPARE(station->console.ask("click Enable"), QString("ok"));
        QCOMPARE(station->console.ask("wait Enabled 15"), QString("ok"));
    }
    const QStringList steps{"caller click Call", "caller wait \"Linked to " + called.name + "\" 30",
                            "called wait \"Linked via an incoming call\" 15",
                            "caller click Terminate", "caller wait \"Link terminated by user\" 15"};
    for (const QString& step : steps) {
        Station& station = step.startsWith("caller ") ? caller : called;
        QVERIFY2(station.console.ask(step.section(' ', 1), 35000) == "ok",
                 qPrintable(step + ":\n" + station.console.labels().join('\n')));
    }
    QTRY_VERIFY_WITH_TIMEOUT(QJsonDocument(called.console.show().value("events").toArray())
                                 .toJson()
                                 .contains("Link is terminated"),
                             scaled_ms(15000));
}

QTEST_GUILESS_MAIN(Tst_two_stations)
#include "tst_two_stations.moc"
