#include "operator_commands.h"

#include "command_line.h"
#include "widget_actions.h"
#include "widget_tree.h"

#include <QDialog>
#include <QFileDevice>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QSocketNotifier>
#include <QWidget>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <unistd.h>

namespace vq_qt {

namespace {

Q_LOGGING_CATEGORY(lc_operator_commands, "operator_commands")

using widget_actions::Outcome;

// A line longer than this is refused as a whole rather than buffered on.
constexpr int longest_line = 64 * 1024;
constexpr int wait_poll_ms = 20;
constexpr double default_wait_seconds = 10;

struct Command
{
    const char* name;
    int least_args;
    int most_args;
    const char* usage;
    Outcome (*run)(QWidget* window, const QStringList& args); // nullptr: wait
    bool answers_questions = true;                            // acts on a question the window asks
};

const Command commands[] = {
    {"click", 1, 1, "click TEXT",
     [](QWidget* w, const QStringList& a) { return widget_actions::click(w, a[0]); }},
    {"choose", 2, 2, "choose CAPTION ENTRY",
     [](QWidget* w, const QStringList& a) { return widget_actions::choose(w, a[0], a[1]); }},
    {"set", 2, 2, "set CAPTION VALUE",
     [](QWidget* w, const QStringList& a) { return widget_actions::set(w, a[0], a[1]); }},
    {"show", 0, 0, "show",
     [](QWidget* w, const QStringList&) {
         const QJsonDocument snapshot(widget_tree::describe(w));
         return Outcome{"ok " + QString::fromUtf8(snapshot.toJson(QJsonDocument::Compact)), {}};
     }},
    {"wait", 1, 2, "wait TEXT [SECONDS]", nullptr},
    {"quit", 0, 0, "quit",
     [](QWidget* w, const QStringList&) {
         // The answer goes out first: the window may end the program as it closes.
         QPointer<QWidget> window(w);
         return Outcome{QStringLiteral("ok"), [window] {
                            if (window) {
                                window->close();
                            }
                        }};
     },
     false},
};

const Command* find_command(const QString& name)
{
    const auto* found = std::find_if(std::begin(commands), std::end(commands),
                                     [&](const Command& c) { return name == c.name; });
    return found == std::end(commands) ? nullptr : found;
}

} // namespace

bool Operator_commands::passed_over(const QString& line)
{
    const QString trimmed = line.trimmed();
    return trimmed.isEmpty() || trimmed.startsWith('#');
}

QStringList Operator_commands::usages()
{
    QStringList list;
    for (const Command& command : commands) {
        list << QString::fromLatin1(command.usage);
    }
    return list;
}

Operator_commands::Operator_commands(QWidget* window, int input_fd, FILE* output, QObject* parent)
    : Operator_commands(
          window, input_fd,
          [output](const QByteArray& bytes) {
              if (output) {
                  std::fwrite(bytes.constData(), 1, size_t(bytes.size()), output);
                  std::fflush(output);
              }
          },
          parent)
{}

Operator_commands::Operator_commands(QWidget* window, int input_fd, QIODevice* output,
                                     QObject* parent)
    : Operator_commands(
          window, input_fd,
          [device = QPointer<QIODevice>(output)](const QByteArray& bytes) {
              if (device) {
                  device->write(bytes);
                  if (auto* file = qobject_cast<QFileDevice*>(device.data())) {
                      file->flush();
                  }
              }
          },
          parent)
{}

Operator_commands::Operator_commands(QWidget* window, int input_fd,
                                     std::function<void(const QByteArray&)> write, QObject* parent)
    : QObject(parent), _window(window), _input_fd(input_fd), _write(std::move(write))
{
    _wait_poll.setInterval(wait_poll_ms);
    connect(&_wait_poll, &QTimer::timeout, this, &Operator_commands::_check_wait);
    if (_input_fd >= 0) {
        _input = new QSocketNotifier(_input_fd, QSocketNotifier::Read, this);
        connect(_input, &QSocketNotifier::activated, this, &Operator_commands::_read_input);
    }
}

Operator_commands::~Operator_commands() = default;

bool Operator_commands::reading() const
{
    return _input != nullptr;
}

QString Operator_commands::help_text()
{
    return QStringLiteral(
        "Operator commands (--control): one command a line on standard input, each\n"
        "answered by one line on standard output that begins with \"ok\" or \"error:\".\n"
        "  click TEXT            press the visible button whose text is TEXT\n"
        "  choose CAPTION ENTRY  pick ENTRY in the selector captioned CAPTION\n"
        "  set CAPTION VALUE     type VALUE into the field captioned CAPTION, press Return;\n"
        "                        \"ok \" and the text the field then holds\n"
        "  show                  \"ok \" and the window as one JSON line: its title, the\n"
        "                        visible labels and every visible control's name, kind,\n"
        "                        value, tool tip and whether it is enabled, and the\n"
        "                        newest 50 lines of the event list (time, kind, text)\n"
        "  wait TEXT [SECONDS]   \"ok\" once the title or a visible label contains TEXT,\n"
        "                        \"error: timeout\" after SECONDS (10 if not given)\n"
        "  quit                  close the window as its close button would\n"
        "A caption is the text of the label before a control, colon included. Quote\n"
        "words that hold spaces (\\\" and \\\\ inside quotes): click \"Tx Kill\",\n"
        "set \"Other Address:\" BASE2. Commands after a wait run once it is answered.\n"
        "Blank lines and lines starting with # are passed over. The end of the input\n"
        "leaves the window up. While the window asks a question (\"Load Defaults\"\n"
        "asks before it resets the modem), click, choose, set and show act on the\n"
        "question: click Yes or click No answers it.\n");
}

QString Operator_commands::execute(const QString& line)
{
    if (passed_over(line)) {
        return {};
    }
    return _submit({line, {}});
}

QString Operator_commands::_submit(const Queued_line& queued)
{
    if (_running || _wait || !_queue.empty()) {
        _queue.push_back(queued);
        return {};
    }
    QPointer<Operator_commands> self(this);
    const QString answer = _run(queued);
    if (self) {
        _run_queue();
    }
    return answer;
}

QString Operator_commands::_run(const Queued_line& queued)
{
    const Command_words split = split_command_line(queued.line);
    const Command* command = split.words.isEmpty() ? nullptr : find_command(split.words.first());
    const QStringList args = split.words.mid(1);
    QString answer;
    Outcome outcome;
    if (!queued.refusal.isEmpty()) {
        answer = "error: " + queued.refusal;
    } else if (!split.error.isEmpty()) {
        answer = "error: " + split.error;
    } else if (!command) {
        answer = QStringLiteral("error: unknown command \"%1\"").arg(split.words.value(0));
    } else if (args.size() < command->least_args || args.size() > command->most_args) {
        answer = QStringLiteral("error: usage: ") + command->usage;
    } else if (!_window) {
        answer = QStringLiteral("error: the window is gone");
    } else if (!_window->isVisible()) {
        answer = QStringLiteral("error: the window is not shown");
    } else if (!command->run) {
        answer = _start_wait(args);
    } else {
        outcome =
            command->run(command->answers_questions ? _question_or_window() : _window.data(), args);
        answer = outcome.answer;
    }
    if (answer.isNull()) {
        return answer; // a wait that answers later
    }
    _answer(answer);
    if (outcome.act) {
        _running = true;
        QPointer<Operator_commands> self(this);
        outcome.act();
        if (!self) {
            return answer;
        }
        _running = false;
    }
    return answer;
}

QWidget* Operator_commands::_question_or_window() const
{
    // While the window asks a question (a modal dialog), the question takes
    // the commands, as it takes the keyboard and the mouse.
    const QList<QDialog*> dialogs = _window->findChildren<QDialog*>();
    for (auto it = dialogs.rbegin(); it != dialogs.rend(); ++it) {
        if ((*it)->isVisible() && (*it)->isModal()) {
            return *it;
        }
    }
    return _window;
}

bool Operator_commands::_shows(const QString& text) const
{
    QWidget* question = _question_or_window();
    return widget_tree::shows_text(_window, text) ||
           (question != _window && widget_tree::shows_text(question, text));
}

void Operator_commands::_run_queue()
{
    QPointer<Operator_commands> self(this);
    while (self && !_running && !_wait && !_queue.empty()) {
        const Queued_line queued = _queue.front();
        _queue.pop_front();
        _run(queued);
    }
}

void Operator_commands::_answer(const QString& answer)
{
    if (_write) {
        _write(answer.toUtf8() + '\n');
    }
    emit answered(answer);
}

QString Operator_commands::_start_wait(const QStringList& args)
{
    double seconds = default_wait_seconds;
    if (args.size() > 1) {
        bool ok = false;
        seconds = args[1].toDouble(&ok);
        if (!ok || !std::isfinite(seconds) || seconds < 0) {
            return QStringLiteral("error: wait takes a number of seconds, not \"%1\"").arg(args[1]);
        }
    }
    if (_shows(args[0])) {
        return QStringLiteral("ok");
    }
    const qint64 ms = qint64(std::min(seconds, 1e9) * 1000);
    _wait = Pending_wait{args[0], QDeadlineTimer(ms)};
    _wait_poll.start();
    return {};
}

void Operator_commands::_check_wait()
{
    if (!_wait) {
        _wait_poll.stop();
        return;
    }
    QString answer;
    if (!_window) {
        answer = QStringLiteral("error: the window is gone");
    } else if (!_window->isVisible()) {
        answer = QStringLiteral("error: the window is not shown");
    } else if (_shows(_wait->text)) {
        answer = QStringLiteral("ok");
    } else if (_wait->deadline.hasExpired()) {
        answer = QStringLiteral("error: timeout");
    } else {
        return;
    }
    _wait_poll.stop();
    _wait.reset();
    QPointer<Operator_commands> self(this);
    _answer(answer);
    if (self) {
        _run_queue();
    }
}

void Operator_commands::_read_input()
{
    // One read a notification: the descriptor was readable, so this read
    // returns at once, and it may stay blocking for the terminal it shares.
    char buffer[4096];
    const ssize_t n = ::read(_input_fd, buffer, sizeof buffer);
    if (n < 0) {
        if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
            qCWarning(lc_operator_commands).noquote()
                << "Operator command input failed:" << std::strerror(errno);
            _end_input();
        }
        return;
    }
    if (n == 0) {
        _end_input();
        return;
    }
    _partial.append(buffer, int(n));
    QPointer<Operator_commands> self(this);
    int end;
    while (self && (end = _partial.indexOf('\n')) >= 0) {
        const QByteArray line = _partial.left(end);
        _partial.remove(0, end + 1);
        _take_line(line);
    }
    if (self && _partial.size() > longest_line) {
        // Refused as a whole; what follows, up to its newline, is dropped.
        _partial.clear();
        if (!_overlong) {
            _overlong = true;
            qCWarning(lc_operator_commands).noquote()
                << QStringLiteral("Operator command longer than %1 bytes refused")
                       .arg(longest_line);
            _submit({{}, QStringLiteral("line longer than %1 bytes").arg(longest_line)});
        }
    }
}

void Operator_commands::_take_line(const QByteArray& line)
{
    if (_overlong) {
        _overlong = false; // the end of a line already refused
        return;
    }
    execute(QString::fromUtf8(line));
}

void Operator_commands::_end_input()
{
    if (_input) {
        _input->setEnabled(false);
        _input->deleteLater();
        _input = nullptr;
    }
    QPointer<Operator_commands> self(this);
    if (!_partial.isEmpty() && !_overlong) {
        _take_line(_partial); // a last line without its newline
    }
    if (self) {
        _partial.clear();
        _overlong = false;
        emit input_ended();
    }
}

} // namespace vq_qt
