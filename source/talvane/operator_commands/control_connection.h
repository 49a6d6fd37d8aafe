// One client of the control socket: its command lines are read without
// blocking, run one after the other by operator commands of its own (so a
// pending wait holds back only this client), and answered on its own
// connection, one line each. `watch` and `help` are answered here.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

class QSocketNotifier;
class QWidget;

namespace vq_qt {

class Operator_commands;

class Control_connection : public QObject
{
    Q_OBJECT
public:
    // Takes over the connected socket `fd` (non-blocking).
    Control_connection(int fd, int number, QWidget* window, QObject* parent = nullptr);
    ~Control_connection() override;

    bool watching() const { return _watching; }
    // Queues bytes for the client and sends what the socket takes now; a
    // client that leaves too much unread is dropped.
    void send(const QByteArray& bytes);

signals:
    // The connection is over; the object deletes itself later.
    void closed(Control_connection* connection);

private:
    void _read();
    void _pump();
    void _post_pump();
    void _take_line(const QByteArray& line);
    void _answer(const QString& answer);
    void _flush();
    void _check_hangup();
    void _update_reading();
    void _drop(const QString& why, const QString& last_answer = {});
    void _close(const QString& why);

    int _fd;
    QString _name; // "control client N (pid P)" for the log
    QSocketNotifier* _reader;
    QSocketNotifier* _writer;
    QTimer _hangup_poll; // while not reading: notices a client that went away
    Operator_commands* _commands;
    QByteArray _input;
    QByteArray _output;
    int _asked = 0;
    int _answered = 0;
    bool _watching = false;
    bool _input_ended = false; // the client sends no more
    bool _closing = false;     // everything answered: close once sent
    bool _closed = false;
    bool _pump_posted = false;
    bool _pumping = false;
};

} // namespace vq_qt
