#pragma once

// A coloured light beside the connection status line: green while connected,
// amber while the link is being made (connecting, modem booting,
// initialising), red when the modem does not answer or the port failed,
// grey when not connected; and, while not connected, how long the link has
// been in that state ("for 12 s").

#include <QElapsedTimer>
#include <QWidget>

class QLabel;
class QTimer;

namespace vq_qt {

class Connection_indicator : public QWidget
{
    Q_OBJECT

public:
    // `status_line` is placed between the light and the duration.
    explicit Connection_indicator(QLabel* status_line, QWidget* parent = nullptr);

    // The colour of a connection state: "green", "orange", "red" or "gray".
    static QString state_colour(int state);

    void show_state(int state);
    QString colour() const { return shown_colour; }
    QString duration_text() const;

    QLabel* light = nullptr;
    QLabel* duration = nullptr;

private:
    void _show_duration();

    QTimer* tick = nullptr;
    QElapsedTimer in_state;
    int shown_state = -1;
    QString shown_colour;
};

} // namespace vq_qt
