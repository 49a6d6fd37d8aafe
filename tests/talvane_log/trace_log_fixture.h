#pragma once

// Real trace files for the tests: written by the console's trace logger into
// a folder of the test, with a file count and size limit of the test's
// choosing; and the talvane-log program run on them.

#include "program_run.h"
#include "registry_wrapper.h"
#include "test_timing.h"
#include "trace_logger.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <memory>
#include <string>

class Trace_writer
{
public:
    // Files "<folder>/log_talvane-NNN.xml" from index 0; `size_limit` 0
    // keeps the logger's default.
    Trace_writer(const QString& folder, std::uint32_t file_count = 5, std::uint32_t size_limit = 0)
    {
        vq::Registry_wrapper key;
        if (key.open(vq::Registry_root::local_machine,
                     std::string(vq::Trace_logger::shared_key) + "\\" + application, true)) {
            if (size_limit != 0) {
                key.write_dword("FileSizeLimit", size_limit);
            } else {
                key.delete_value("FileSizeLimit");
            }
        }
        logger = std::make_unique<vq::Trace_logger>(application);
        logger->set_file_log_level(0);
        logger->set_file_count(file_count);
        logger->set_file_name_base(QFile::encodeName(folder).constData(), "log_talvane-", 0);
    }

    void log(const QByteArray& message, std::uint32_t severity = 30, const char* module = "init",
             const char* details = "", const char* file = "talvane_init.cpp", int line = 82)
    {
        logger->log(file, line, message.constData(), module, severity, details, "");
    }

    vq::Trace_logger& trace_logger() { return *logger; }

private:
    static constexpr char application[] = "Talvane";
    std::unique_ptr<vq::Trace_logger> logger;
};

inline QString talvane_log_program()
{
    return qEnvironmentVariable("TALVANE_BINARY_DIR") + "/source/talvane_log/talvane-log";
}

// Runs talvane-log to its end.
inline Program_result run_talvane_log(const QStringList& arguments)
{
    return run_program(talvane_log_program(), arguments);
}

inline QByteArray read_file(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool write_file(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}
