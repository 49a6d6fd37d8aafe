#pragma once

// Runs a program of the build to its end and keeps what it printed.

#include "test_timing.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

struct Program_result
{
    int exit_code = -1; // -1 when it did not start, crashed or hung
    QByteArray out;
    QByteArray err;
};

inline Program_result
run_program(const QString& program, const QStringList& arguments,
            const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
            const QByteArray& input = QByteArray())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    Program_result result;
    if (!process.waitForStarted(scaled_ms(10000))) {
        result.err = process.errorString().toUtf8();
        return result;
    }
    process.write(input);
    process.closeWriteChannel();
    if (process.waitForFinished(scaled_ms(60000)) && process.exitStatus() == QProcess::NormalExit) {
        result.exit_code = process.exitCode();
    } else {
        process.kill();
        process.waitForFinished();
    }
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}
