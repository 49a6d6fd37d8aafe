// Operator commands: a station controller, a script or a bug report operates
// the console's window through lines of text, each answered by one line.
#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <cstdio>
#include <deque>
#include <functional>
#include <optional>

class QIODevice;
class QSocketNotifier;
class QWidget;

namespace vq_qt {

class Operator_commands : public QObject
{
    Q_OBJECT
public:
    // Operates window with the commands read from input_fd (-1: none) and
    // writes each answer as one line to output (nullptr: none), flushed at
    // once. The descriptor is read only when it is readable, one read at a
    // time, so the GUI thread never blocks; it is neither owned nor closed.
    explicit Operator_commands(QWidget* window, int input_fd = 0, FILE* output = stdout,
                               QObject* parent = nullptr);
    Operator_commands(QWidget* window, int input_fd, QIODevice* output, QObject* parent = nullptr);
    ~Operator_commands() override;

    // Runs one command line, or queues it behind a wait that has not been
    // answered yet. Returns the answer when it is known at once; otherwise a
    // null string, and the answer comes later through answered() (and the
    // output). Blank lines and lines starting with # are passed over and get
    // no answer.
    QString execute(const QString& line);

    // Whether the input is still being read.
    bool reading() const;

    // The command summary, for --help and the README.
    static QString help_text();
    // The usage of each command ("click TEXT", ...), in the order of help_text().
    static QStringList usages();
    // Blank lines and lines starting with # get no answer.
    static bool passed_over(const QString& line);

signals:
    // Every answer, in the order of the commands.
    void answered(const QString& answer);
    // The input has ended (or failed); the window stays up.
    void input_ended();

private:
    struct Pending_wait
    {
        QString text;
        QDeadlineTimer deadline;
    };
    struct Queued_line
    {
        QString line;
        QString refusal; // not empty: answered with this error instead of run
    };

    Operator_commands(QWidget* window, int input_fd, std::function<void(const QByteArray&)> write,
                      QObject* parent);
    void _read_input();
    void _end_input();
    void _take_line(const QByteArray& line);
    QString _submit(const Queued_line& queued);
    QString _run(const Queued_line& queued);
    void _run_queue();
    void _answer(const QString& answer);
    QString _start_wait(const QStringList& args);
    QWidget* _question_or_window() const;
    bool _shows(const QString& text) const;
    void _check_wait();

    QPointer<QWidget> _window;
    int _input_fd;
    QSocketNotifier* _input = nullptr;
    QByteArray _partial;
    bool _overlong = false; // discarding the rest of a line that grew too long
    std::function<void(const QByteArray&)> _write;
    std::deque<Queued_line> _queue;
    std::optional<Pending_wait> _wait;
    QTimer _wait_poll;
    bool _running = false;
};

} // namespace vq_qt
