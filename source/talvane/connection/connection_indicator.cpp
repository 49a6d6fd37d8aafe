// The connection light and the time spent outside a connection.

#include "connection_indicator.h"

#include "connection_controller.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>

namespace vq_qt {

namespace {

constexpr int tick_ms = 1000;

} // namespace

Connection_indicator::Connection_indicator(QLabel* status_line, QWidget* parent) : QWidget(parent)
{
    light = new QLabel(this);
    light->setFixedSize(12, 12);
    light->setToolTip("Connection: green connected, amber connecting, red no answer or port "
                      "error, grey not connected");
    duration = new QLabel(this);
    duration->setStyleSheet("color: gray");
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(light);
    status_line->setParent(this);
    row->addWidget(status_line);
    row->addWidget(duration);
    row->addStretch(1);
    tick = new QTimer(this);
    tick->setInterval(tick_ms);
    connect(tick, &QTimer::timeout, this, &Connection_indicator::_show_duration);
    show_state(CONNECTION_STATE_NOT_CONNECTED);
}

QString Connection_indicator::state_colour(int state)
{
    switch (state) {
    case CONNECTION_STATE_CONNECTED:
        return "green";
    case CONNECTION_STATE_CONNECTING:
    case CONNECTION_STATE_CONNECTING_MODEM_BOOTING:
    case CONNECTION_STATE_INITIALISING:
        return "orange";
    case CONNECTION_STATE_CONNECTING_NO_RESPONSE:
    case CONNECTION_STATE_ERROR_PORT_OPEN_FAIL:
        return "red";
    default:
        return "gray";
    }
}

void Connection_indicator::show_state(int state)
{
    if (state == shown_state) {
        return;
    }
    shown_state = state;
    shown_colour = state_colour(state);
    light->setStyleSheet(
        QString("background-color: %1; border-radius: 6px; border: 1px solid #404040")
            .arg(shown_colour));
    in_state.start();
    if (state == CONNECTION_STATE_CONNECTED) {
        tick->stop();
    } else {
        tick->start();
    }
    _show_duration();
}

QString Connection_indicator::duration_text() const
{
    if (shown_state == CONNECTION_STATE_CONNECTED) {
        return {};
    }
    return QString("for %1 s").arg(in_state.elapsed() / 1000);
}

void Connection_indicator::_show_duration()
{
    duration->setText(duration_text());
}

} // namespace vq_qt
