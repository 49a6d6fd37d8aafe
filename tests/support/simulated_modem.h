#pragma once

// The simulated modem program, run by a test. `launch` starts it with any
// arguments and returns the device it printed first; `start` puts it on a
// pseudo-terminal behind a link in a folder of the test's own. Commands go
// to its standard input and its output lines are collected. When the
// program is killed its link is removed at once: the pseudo-terminal number
// it pointed at is free for the kernel to hand to somebody else.

#include "test_timing.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTest>

class Simulated_modem : public QObject
{
public:
    static QString program()
    {
        return qEnvironmentVariable("TALVANE_BINARY_DIR") +
               "/source/modem_simulator/talvane-modem-sim";
    }
    // Tests that need the simulator fail when it is missing.
    static bool available() { return QFileInfo(program()).isExecutable(); }

    ~Simulated_modem() override { stop(); }

    // Starts the simulator (through `wrapper`, a program and its first
    // arguments, when given); returns the device it printed first, or an
    // empty text when it did not start.
    QString launch(const QStringList& arguments, const QStringList& wrapper = {})
    {
        const int link_at = arguments.indexOf("--link");
        link = link_at >= 0 && link_at + 1 < arguments.size() ? arguments[link_at + 1] : QString();
        process.setProgram(wrapper.isEmpty() ? program() : wrapper.first());
        process.setArguments(
            wrapper.isEmpty() ? arguments : wrapper.mid(1) + QStringList(program()) + arguments);
        process.setProcessChannelMode(QProcess::SeparateChannels);
        QObject::connect(&process, &QProcess::readyReadStandardOutput, this, [this] {
            while (process.canReadLine()) {
                lines << QString::fromUtf8(process.readLine()).trimmed();
            }
        });
        QObject::connect(&process, &QProcess::readyReadStandardError, this,
                         [this] { errors += QString::fromUtf8(process.readAllStandardError()); });
        process.start();
        if (!process.waitForStarted(scaled_ms(5000))) {
            return {};
        }
        device = QTest::qWaitFor([this] { return !lines.isEmpty(); }, scaled_ms(5000))
                     ? lines.first()
                     : QString();
        return device;
    }

    // On a pseudo-terminal behind `link_path`; true once the link exists.
    bool start(const QString& link_path, const QStringList& extra = {})
    {
        if (launch(QStringList{"--pty", "--link", link_path} + extra).isEmpty()) {
            return false;
        }
        return QTest::qWaitFor([this] { return QFileInfo::exists(link); }, scaled_ms(5000));
    }

    void command(const QString& line) { process.write((line + "\n").toUtf8()); }

    // The JSON status line. The simulator takes its commands in order, so
    // every command given before has been carried out once it is here.
    QString status()
    {
        const int before = lines.size();
        command("status");
        QString found;
        const bool seen = QTest::qWaitFor(
            [&] {
                for (int k = before; k < lines.size() && found.isEmpty(); ++k) {
                    if (lines[k].startsWith("{\"device\"")) {
                        found = lines[k];
                    }
                }
                return !found.isEmpty();
            },
            scaled_ms(2000));
        return seen ? found : QString();
    }

    // A command, carried out when this returns true.
    bool command_done(const QString& line)
    {
        command(line);
        return !status().isEmpty();
    }

    // Asks the simulator to quit; kills it when it does not.
    bool stop()
    {
        if (process.state() == QProcess::NotRunning) {
            remove_link();
            return true;
        }
        command("quit");
        process.closeWriteChannel();
        if (!process.waitForFinished(scaled_ms(3000))) {
            kill();
            return false;
        }
        remove_link();
        return true;
    }

    // Ends the simulator at once, as a crash or an unplugged adapter would,
    // and removes its link.
    void kill()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(scaled_ms(5000));
        }
        remove_link();
    }

    QProcess process;
    QStringList lines;
    QString errors;
    QString link;
    QString device;

private:
    void remove_link()
    {
        if (!link.isEmpty() && QFileInfo(link).isSymLink()) {
            QFile::remove(link);
        }
    }
};
