#pragma once

#include <QByteArray>
#include <QLoggingCategory>
#include <QMetaType>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QStringList>

namespace vq_qt {

Q_DECLARE_LOGGING_CATEGORY(lc_qserial_io)

// Owns the one serial port to the modem's control line. Received bytes leave
// as data_read(); bytes handed to write() or _write_data() go out unchanged.
// The wanted line settings are kept here and applied at each open().
class QSerial_io : public QObject
{
    Q_OBJECT

public:
    struct Port_settings
    {
        QString port_name;
        QStringList available_ports;
        qint32 baud_rate = 0;
        QSerialPort::DataBits data_bits = QSerialPort::UnknownDataBits;
        QString data_bits_text;
        QSerialPort::Parity parity = QSerialPort::UnknownParity;
        QString parity_text;
        QSerialPort::StopBits stop_bits = QSerialPort::UnknownStopBits;
        QString stop_bits_text;
        QSerialPort::FlowControl flow_control = QSerialPort::UnknownFlowControl;
        QString flow_control_text;
    };

    // How long close() waits for the line to take what is still queued.
    static constexpr int close_wait_ms = 200;

    explicit QSerial_io(QObject* parent = nullptr);
    ~QSerial_io() override;

    bool open(const QString& name);
    // Hands what is still queued to the line first (for at most
    // close_wait_ms; what is left then is dropped with a warning).
    void close();
    bool is_open() const;

    void set_port_name(const QString& name);
    bool set_baud_rate(qint32 rate);
    bool set_data_bits(QSerialPort::DataBits bits);
    bool set_stop_bits(QSerialPort::StopBits bits);
    bool set_parity(QSerialPort::Parity parity);
    bool set_flow_control(QSerialPort::FlowControl flow);
    void restore_defaults();

    // Read back from the port itself, not from the stored settings.
    qint32 baud_rate() const;
    QSerialPort::DataBits data_bits() const;
    QSerialPort::StopBits stop_bits() const;
    QSerialPort::Parity parity() const;
    QSerialPort::FlowControl flow_control() const;

    // The stored settings that the next open() applies.
    const Port_settings& settings() const { return _settings; }

    qint64 write(const QByteArray& bytes);
    qint64 write(const QString& text);

    QStringList available_ports();

    // Orders port names as available_ports() does: "COM" plus a number by
    // that number, every other name after COM1 to COM99 in the given order.
    static QStringList sort_port_names(const QStringList& system_names);

signals:
    void data_read(QByteArray read_bytes);
    void settings_changed();
    // The device behind the open port went away (unplugged adapter, far end
    // of a pseudo-terminal closed). The port has been closed.
    void port_lost();

private slots:
    void _configure(vq_qt::QSerial_io::Port_settings settings);
    void _read_data();
    void _write_data(QByteArray data_bytes);
    void _port_error(QSerialPort::SerialPortError error);

private:
    bool _line_hung_up() const;
    void _hand_queue_to_line();
    void _drop_lost_port(quint64 session);

    Port_settings _settings;
    QSerialPort* _port = nullptr;
    quint64 _session = 0;      // counts open() calls
    bool _losing_port = false; // a lost device is being closed
    bool _setting_rts = false; // inside the RTS de-assertion of open()
    bool _closing = false;     // close() is handing the queue to the line
};

} // namespace vq_qt

Q_DECLARE_METATYPE(vq_qt::QSerial_io::Port_settings)
