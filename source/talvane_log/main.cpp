// talvane-log: prints the console's trace logs as aligned text lines or JSON,
// filtered by module, severity and time, and follows them as they are written.
#include "log_options.h"
#include "log_output.h"
#include "trace_files.h"
#include "trace_follower.h"
#include "trace_reader.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <vector>

using namespace vq_qt;

namespace {

// A file being written may be read between two of its writes; a file that
// ends early and has changed meanwhile is read again.
constexpr int read_attempts = 3;

void report(const QString& text)
{
    std::fprintf(stderr, "talvane-log: %s\n", qUtf8Printable(text));
}

// Prints the entries of `file` and reports its damage; false when it could
// not be read or is damaged.
bool print_file(const QString& file, Entry_printer& printer)
{
    for (int attempt = 1;; ++attempt) {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly)) {
            report(QStringLiteral("%1: cannot read it: %2").arg(file, f.errorString()));
            return false;
        }
        const QByteArray data = f.readAll();
        Trace_reader reader(data, file);
        std::vector<Trace_entry> entries;
        while (auto entry = reader.next()) {
            entries.push_back(std::move(*entry));
        }
        if (reader.cut_short() && attempt < read_attempts &&
            QFileInfo(file).size() != data.size()) {
            continue;
        }
        for (const Trace_entry& entry : entries) {
            printer.add(entry);
        }
        for (const QString& problem : reader.problems()) {
            report(problem);
        }
        return reader.problems().isEmpty();
    }
}

// The file --follow waits for when there is none yet.
QString first_file_awaited(const Log_options& options, const QStringList& inputs)
{
    const QString input = inputs.first();
    if (input.endsWith(QLatin1String(".xml")) && !QFileInfo(input).isDir()) {
        return input;
    }
    return input + QChar('/') + options.prefix + QStringLiteral("000.xml");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const Log_options options =
        parse_log_options(app.arguments().mid(1), QDateTime::currentDateTime());
    if (!options.error.isEmpty()) {
        report(options.error + QStringLiteral("\n(--help lists the options)"));
        return 2;
    }
    if (options.help) {
        std::fputs(qPrintable(log_help_text()), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("talvane-log %s\n", TALVANE_VERSION);
        return 0;
    }

    const QStringList inputs =
        options.inputs.isEmpty() ? QStringList{default_trace_folder()} : options.inputs;
    bool ok = true;
    QStringList files;
    for (const QString& input : inputs) {
        QString error;
        for (const QString& file : trace_files_of(input, options.prefix, error)) {
            if (!files.contains(file)) {
                files << file;
            }
        }
        if (!error.isEmpty() && !options.follow) {
            report(error);
            ok = false;
        }
    }
    files = order_by_age(files);

    Entry_printer printer(options, stdout);
    if (!options.follow) {
        for (const QString& file : files) {
            ok = print_file(file, printer) && ok;
        }
        printer.flush();
        return ok ? 0 : 1;
    }

    const QString newest = files.isEmpty() ? first_file_awaited(options, inputs) : files.takeLast();
    for (const QString& file : files) {
        print_file(file, printer);
    }
    Trace_follower follower(newest);
    QObject::connect(&follower, &Trace_follower::entry_read,
                     [&printer](const Trace_entry& entry) { printer.add(entry); });
    QObject::connect(&follower, &Trace_follower::problem, &report);
    follower.poll();
    printer.flush();
    follower.start();
    return app.exec();
}
