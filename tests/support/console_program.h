#pragma once

// The console program run by a test with --control: each operator command
// is answered by one line on its standard output.

#include "test_timing.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

class Console_program
{
public:
    static QString program()
    {
        return qEnvironmentVariable("TALVANE_BINARY_DIR") + "/source/talvane/talvane";
    }

    // This process's environment as on a machine with no display at all.
    static QProcessEnvironment without_display()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
            environment.remove(name);
        }
        return environment;
    }

    // Starts `talvane --control` with the arguments (and the environment,
    // when given).
    bool start(const QStringList& arguments,
               const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
    {
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.start(program(), QStringList{"--control"} + arguments);
        return process.waitForStarted(scaled_ms(5000));
    }

    // Sends one command and returns its answer line ("no answer" when none
    // came within the time-out).
    QString ask(const QString& command, int timeout_ms = 20000)
    {
        process.write(command.toUtf8() + '\n');
        QElapsedTimer clock;
        clock.start();
        while (!process.canReadLine() && clock.elapsed() < scaled_ms(timeout_ms) &&
               process.state() == QProcess::Running) {
            process.waitForReadyRead(20);
        }
        return process.canReadLine() ? QString::fromUtf8(process.readLine()).trimmed()
                                     : QString("no answer");
    }

    // The window as `show` gives it.
    QJsonObject show()
    {
        const QString shown = ask("show");
        return shown.startsWith("ok ") ? QJsonDocument::fromJson(shown.mid(3).toUtf8()).object()
                                       : QJsonObject();
    }

    // The data port's path, from the event that named it ("" before it).
    QString data_port()
    {
        QString port;
        for (const QJsonValue& event : show().value("events").toArray()) {
            const QString text = event["text"].toString();
            if (text.startsWith("Data port: ")) {
                port = text.mid(11, text.lastIndexOf(" (") - 11);
            }
        }
        return port;
    }

    // The visible labels, as plain text.
    QStringList labels()
    {
        QStringList texts;
        for (const QJsonValue& label : show().value("labels").toArray()) {
            texts << label.toString();
        }
        return texts;
    }

    // The visible control with this name (caption or button text).
    QJsonObject control(const QString& name)
    {
        for (const QJsonValue& control : show().value("controls").toArray()) {
            if (control.toObject().value("name").toString() == name) {
                return control.toObject();
            }
        }
        return QJsonObject();
    }

    ~Console_program()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(scaled_ms(5000));
        }
    }

    QProcess process;
};
