#include "qserial_io.h"

#include <QDeadlineTimer>
#include <QSerialPortInfo>
#include <QThread>
#include <algorithm>
#include <cstddef>
#include <map>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>

namespace vq_qt {

Q_LOGGING_CATEGORY(lc_qserial_io, "qserial_io")

namespace {

template <typename E>
struct Text_row
{
    E value;
    const char* text;
};

#define VQ_SERIAL_TEXT(t) QT_TRANSLATE_NOOP("vq_qt::QSerial_io", t)

const Text_row<QSerialPort::DataBits> data_bits_texts[] = {
    {QSerialPort::Data5, VQ_SERIAL_TEXT("5")},
    {QSerialPort::Data6, VQ_SERIAL_TEXT("6")},
    {QSerialPort::Data7, VQ_SERIAL_TEXT("7")},
    {QSerialPort::Data8, VQ_SERIAL_TEXT("8")},
};

const Text_row<QSerialPort::StopBits> stop_bits_texts[] = {
    {QSerialPort::OneStop, VQ_SERIAL_TEXT("1")},
    {QSerialPort::OneAndHalfStop, VQ_SERIAL_TEXT("1.5")},
    {QSerialPort::TwoStop, VQ_SERIAL_TEXT("2")},
};

const Text_row<QSerialPort::Parity> parity_texts[] = {
    {QSerialPort::NoParity, VQ_SERIAL_TEXT("N")},   {QSerialPort::EvenParity, VQ_SERIAL_TEXT("E")},
    {QSerialPort::OddParity, VQ_SERIAL_TEXT("O")},  {QSerialPort::SpaceParity, VQ_SERIAL_TEXT("S")},
    {QSerialPort::MarkParity, VQ_SERIAL_TEXT("M")},
};

const Text_row<QSerialPort::FlowControl> flow_control_texts[] = {
    {QSerialPort::NoFlowControl, VQ_SERIAL_TEXT("No flow control")},
    {QSerialPort::HardwareControl, VQ_SERIAL_TEXT("RTS/CTS flow control")},
    {QSerialPort::SoftwareControl, VQ_SERIAL_TEXT("XON/XOFF flow control")},
};

#undef VQ_SERIAL_TEXT

// The one scheme of the four enumerated setters: equal is accepted quietly,
// Qt's "unknown" (-1) is refused, anything else is stored and logged. A value
// without a row keeps the previous display text.
template <typename E, std::size_t N>
bool store_setting(E& field, QString& text, E value, const Text_row<E> (&rows)[N],
                   const char* label)
{
    if (value == field) {
        return true;
    }
    if (static_cast<int>(value) == -1) {
        return false;
    }
    field = value;
    for (const auto& row : rows) {
        if (row.value == value) {
            text = QSerial_io::tr(row.text);
            break;
        }
    }
    qCDebug(lc_qserial_io) << label << text;
    return true;
}

// Line settings in the order open() applies them; the first that fails stops.
using Apply_step = bool (*)(QSerialPort&, const QSerial_io::Port_settings&);
const Apply_step apply_steps[] = {
    [](QSerialPort& p, const QSerial_io::Port_settings& s) {
        return p.setBaudRate(s.baud_rate, QSerialPort::AllDirections);
    },
    [](QSerialPort& p, const QSerial_io::Port_settings& s) { return p.setDataBits(s.data_bits); },
    [](QSerialPort& p, const QSerial_io::Port_settings& s) { return p.setParity(s.parity); },
    [](QSerialPort& p, const QSerial_io::Port_settings& s) { return p.setStopBits(s.stop_bits); },
    [](QSerialPort& p, const QSerial_io::Port_settings& s) {
        return p.setFlowControl(s.flow_control);
    },
};

} // namespace

QSerial_io::QSerial_io(QObject* parent) : QObject(parent), _port(new QSerialPort(this))
{
    qRegisterMetaType<vq_qt::QSerial_io::Port_settings>("vq_qt::QSerial_io::Port_settings");
    restore_defaults();
    connect(_port, &QSerialPort::readyRead, this, &QSerial_io::_read_data);
    connect(_port, &QSerialPort::errorOccurred, this, &QSerial_io::_port_error);
}

QSerial_io::~QSerial_io()
{
    close();
    delete _port;
}

void QSerial_io::restore_defaults()
{
    // Start from "nothing set" so that every default below counts as a change.
    _settings.baud_rate = 0;
    _settings.data_bits = QSerialPort::UnknownDataBits;
    _settings.parity = QSerialPort::UnknownParity;
    _settings.stop_bits = QSerialPort::UnknownStopBits;
    _settings.flow_control = QSerialPort::UnknownFlowControl;
    set_baud_rate(115200);
    set_data_bits(QSerialPort::Data8);
    set_flow_control(QSerialPort::NoFlowControl);
    set_parity(QSerialPort::NoParity);
    set_stop_bits(QSerialPort::OneStop);
    _settings.port_name = QStringLiteral("NOT SET");
}

bool QSerial_io::open(const QString& name)
{
    // A new open replaces the session in progress, whatever its state.
    close();
    ++_session;
    set_port_name(name);
    if (!_port->open(QIODevice::ReadWrite)) {
        qCWarning(lc_qserial_io) << "Error Opening Setial Port" << _port->errorString();
        return false;
    }
    for (const Apply_step step : apply_steps) {
        if (!step(*_port, _settings)) {
            qCWarning(lc_qserial_io) << "Error Configuring Serial Port" << _port->errorString();
            _port->close();
            return false;
        }
    }
    // A line without modem control lines (a pseudo-terminal) or with RTS/CTS
    // flow control refuses this; the port is still usable.
    _setting_rts = true;
    const bool rts_low = _port->setRequestToSend(false);
    _setting_rts = false;
    if (!rts_low) {
        _port->clearError();
        qCDebug(lc_qserial_io) << "RTS not controllable on" << _settings.port_name;
    }
    return true;
}

void QSerial_io::close()
{
    if (_port->isOpen()) {
        if (!_losing_port) { // a line already gone takes nothing more
            _hand_queue_to_line();
        }
        _port->close();
    }
    // Cleared after the wait: a loss noticed while waiting is void now.
    _losing_port = false;
}

void QSerial_io::_hand_queue_to_line()
{
    // The port only queues what write() is given and its close() throws the
    // queue away; the last frame before a close (the unregister of a
    // disconnect) must reach the line. Bytes arriving meanwhile are not
    // handed on: the owner is closing the line.
    _closing = true;
    const QDeadlineTimer deadline(close_wait_ms);
    while (_port->bytesToWrite() > 0 && !deadline.hasExpired() &&
           _port->waitForBytesWritten(int(deadline.remainingTime()))) {
    }
    _port->clearError();
    _closing = false;
    // A UART sends what it holds at line speed, and closing it waits for
    // that (up to 30 s with the flow stopped): wait within the same bound,
    // then drop the rest.
    const int fd = static_cast<int>(_port->handle());
    int in_driver = 0;
    while (::ioctl(fd, TIOCOUTQ, &in_driver) == 0 && in_driver > 0 && !deadline.hasExpired()) {
        QThread::msleep(2);
    }
    if (in_driver > 0) {
        ::tcflush(fd, TCOFLUSH);
    }
    const qint64 dropped = _port->bytesToWrite() + std::max(in_driver, 0);
    if (dropped > 0 && !_losing_port) { // a line lost meanwhile has counted them
        qCWarning(lc_qserial_io).noquote()
            << QStringLiteral("%1 bytes not taken by %2 within %3 ms were dropped at its close")
                   .arg(dropped)
                   .arg(_settings.port_name)
                   .arg(close_wait_ms);
    }
}

bool QSerial_io::is_open() const
{
    return _port->isOpen();
}

void QSerial_io::set_port_name(const QString& name)
{
    _port->setPortName(name);
    _settings.port_name = name;
}

bool QSerial_io::set_baud_rate(qint32 rate)
{
    if (rate == _settings.baud_rate) {
        return true;
    }
    if (rate < 75 || rate > 921600) {
        return false;
    }
    _settings.baud_rate = rate;
    qCDebug(lc_qserial_io) << "Baud Rate set to" << rate;
    return true;
}

bool QSerial_io::set_data_bits(QSerialPort::DataBits bits)
{
    return store_setting(_settings.data_bits, _settings.data_bits_text, bits, data_bits_texts,
                         "Data Bits set to");
}

bool QSerial_io::set_stop_bits(QSerialPort::StopBits bits)
{
    return store_setting(_settings.stop_bits, _settings.stop_bits_text, bits, stop_bits_texts,
                         "Stop Bits set to");
}

bool QSerial_io::set_parity(QSerialPort::Parity parity)
{
    return store_setting(_settings.parity, _settings.parity_text, parity, parity_texts,
                         "Parity set to");
}

bool QSerial_io::set_flow_control(QSerialPort::FlowControl flow)
{
    return store_setting(_settings.flow_control, _settings.flow_control_text, flow,
                         flow_control_texts, "Flow Control set to");
}

qint32 QSerial_io::baud_rate() const
{
    return _port->baudRate(QSerialPort::AllDirections);
}

QSerialPort::DataBits QSerial_io::data_bits() const
{
    return _port->dataBits();
}

QSerialPort::StopBits QSerial_io::stop_bits() const
{
    return _port->stopBits();
}

QSerialPort::Parity QSerial_io::parity() const
{
    return _port->parity();
}

QSerialPort::FlowControl QSerial_io::flow_control() const
{
    return _port->flowControl();
}

qint64 QSerial_io::write(const QByteArray& bytes)
{
    return _port->isOpen() ? _port->write(bytes) : 0;
}

qint64 QSerial_io::write(const QString& text)
{
    return write(text.toUtf8());
}

QStringList QSerial_io::available_ports()
{
    QStringList names;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const auto& info : ports) {
        names << info.portName();
    }
    _settings.available_ports = sort_port_names(names);
    return _settings.available_ports;
}

QStringList QSerial_io::sort_port_names(const QStringList& system_names)
{
    // "COM<n>" sorts by n; every other name takes the next key from 100 up.
    // Distinct names that meet on one key (COM105 and the sixth other name)
    // are both kept, in the system's order; only a repeated name is dropped.
    std::multimap<int, QString> by_key;
    int counter = 100;
    for (const QString& name : system_names) {
        bool is_number = false;
        int key = name.startsWith(QLatin1String("COM")) ? name.mid(3).toInt(&is_number, 10) : 0;
        if (!is_number) {
            key = counter++;
        }
        bool repeated = false;
        const auto same_key = by_key.equal_range(key);
        for (auto it = same_key.first; it != same_key.second; ++it) {
            repeated = repeated || it->second == name;
        }
        if (!repeated) {
            by_key.emplace(key, name);
        }
    }
    QStringList sorted;
    for (const auto& entry : by_key) {
        sorted << entry.second;
    }
    return sorted;
}

void QSerial_io::_configure(vq_qt::QSerial_io::Port_settings settings)
{
    set_baud_rate(settings.baud_rate);
    set_data_bits(settings.data_bits);
    set_flow_control(settings.flow_control);
    set_parity(settings.parity);
    set_stop_bits(settings.stop_bits);
    _settings.port_name = settings.port_name;
    emit settings_changed();
    qCDebug(lc_qserial_io).nospace() << _settings.port_name << " settings changed";
}

void QSerial_io::_read_data()
{
    if (!_port->isOpen() || _closing) {
        return;
    }
    const QByteArray bytes = _port->readAll();
    emit data_read(bytes);
    qCDebug(lc_qserial_io).nospace() << "Read " << bytes.size() << " bytes";
}

void QSerial_io::_write_data(QByteArray data_bytes)
{
    if (_port->isOpen()) {
        _port->write(data_bytes);
    }
}

bool QSerial_io::_line_hung_up() const
{
    pollfd fd{};
    fd.fd = static_cast<int>(_port->handle());
    fd.events = POLLIN;
    if (fd.fd < 0 || ::poll(&fd, 1, 0) < 0) {
        return false;
    }
    return (fd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

void QSerial_io::_port_error(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::NoError || _losing_port) {
        // After a lost device Qt repeats its read error until the port is
        // closed; the one warning has been written.
        return;
    }
    if (_setting_rts && error == QSerialPort::UnsupportedOperationError) {
        return; // noted by open()
    }
    if (_closing && error == QSerialPort::TimeoutError) {
        return; // close() counts what the line did not take
    }
    const bool device_gone =
        error == QSerialPort::ResourceError || (error == QSerialPort::ReadError && _line_hung_up());
    if (device_gone && _port->isOpen()) {
        // Closed from the event loop, not from inside the port's own
        // notification that reported the error. The state is set before the
        // warning is written, as the log sink may call back into the owner.
        _losing_port = true;
        const quint64 session = _session;
        QMetaObject::invokeMethod(
            this, [this, session] { _drop_lost_port(session); }, Qt::QueuedConnection);
        // On a hang-up Qt's error text is a stale errno of some earlier call.
        const QString reason =
            error == QSerialPort::ReadError ? QStringLiteral("Line hung up") : _port->errorString();
        qCWarning(lc_qserial_io) << "Serial Port Lost" << _settings.port_name << int(error)
                                 << reason;
        // Frames still in the port's buffer go with the line: say how much.
        const qint64 unwritten = _port->bytesToWrite();
        if (unwritten > 0) {
            qCWarning(lc_qserial_io).noquote()
                << QStringLiteral("%1 bytes not yet written to the line were lost with it")
                       .arg(unwritten);
        }
        return;
    }
    qCWarning(lc_qserial_io) << "Error:" << int(error) << _port->errorString();
}

void QSerial_io::_drop_lost_port(quint64 session)
{
    if (session != _session || !_losing_port) {
        return; // closed or reopened by the owner in the meantime
    }
    _losing_port = false;
    _port->close();
    emit port_lost();
}

} // namespace vq_qt
