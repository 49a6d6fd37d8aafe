#pragma once

// The simulated modem program, started on a pseudo-terminal behind a link in
// a folder of the test's own. Commands go to its standard input. When the
// program is killed, its link is removed at once: the pseudo-terminal number
// it pointed at is free for the kernel to hand to somebody else.

#include "test_timing.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTest>
#include <memory>

class Simulated_modem
{
public:
    static QString program()
    {
        return qEnvironmentVariable("TALVANE_BINARY_DIR") +
               "/source/modem_simulator/talvane-modem-sim";
    }
    // Tests that need the simulator fail when it is missing.
    static bool available() { return QFileInfo(program()).isExecutable(); }

    // Starts the simulator with `--pty --link LINK` and the extra options;
    // true once the link exists.
    bool start(const QString& link_path, const QStringList& extra = {})
    {
        link = link_path;
        process = std::make_unique<QProcess>();
        process->setProcessChannelMode(QProcess::SeparateChannels);
        process->start(program(), QStringList{"--pty", "--link", link} + extra);
        if (!process->waitForStarted(scaled_ms(5000))) {
            return false;
        }
        QElapsedTimer clock;
        clock.start();
        while (!process->canReadLine() && clock.elapsed() < scaled_ms(5000) &&
               process->state() == QProcess::Running) {
            process->waitForReadyRead(50);
        }
        if (!process->canReadLine()) {
            return false;
        }
        device = QString::fromLocal8Bit(process->readLine()).trimmed();
        return QTest::qWaitFor([this] { return QFileInfo::exists(link); }, scaled_ms(5000));
    }

    void command(const QByteArray& line)
    {
        process->write(line + "\n");
        process->waitForBytesWritten(scaled_ms(1000));
    }

    // Ends the simulator at once, as a crash or an unplugged adapter would,
    // and removes its link.
    void kill()
    {
        if (process && process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(scaled_ms(5000));
        }
        remove_link();
    }

    void stop()
    {
        if (process && process->state() != QProcess::NotRunning) {
            process->write("quit\n");
            process->closeWriteChannel();
            if (!process->waitForFinished(scaled_ms(2000))) {
                kill();
            }
        }
        remove_link();
    }

    ~Simulated_modem() { stop(); }

    std::unique_ptr<QProcess> process;
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
