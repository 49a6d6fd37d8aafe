// The simulated modem's end of the control line: a pseudo-terminal it
// creates, or an existing serial device.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QSerialPort;
class QSocketNotifier;
class QTimer;

namespace vq_sim {

class Sim_transport : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    // Queues bytes for the line; bytes for a line nobody holds are dropped.
    virtual void write(const QByteArray& bytes) = 0;
    virtual bool attached() const = 0;
    virtual QString device() const = 0;

signals:
    void received(const QByteArray& bytes);
    void attached_changed(bool attached);
    void device_changed(const QString& path);
    void log(const QString& line);
};

// A pseudo-terminal pair in raw mode. The console opens the slave; this side
// keeps the master. A console that closes and reopens the port is served
// again, and a slave left locked by a console that died is replaced by a
// fresh pair behind the same link.
class Pty_transport : public Sim_transport
{
    Q_OBJECT
public:
    explicit Pty_transport(QObject* parent = nullptr);
    ~Pty_transport() override;

    // Creates the pair and, if link is not empty, the symbolic link to it.
    bool open(const QString& link, QString* error);
    void close();

    void write(const QByteArray& bytes) override;
    bool attached() const override { return _attached; }
    QString device() const override { return _slave_path; }
    QString link() const { return _link; }
    std::size_t pending() const { return static_cast<std::size_t>(_out.size()); }

    // Replaces the pair (same link). Public for the operator and for tests.
    bool renew(QString* error);

private:
    bool make_pair(QString* error);
    bool place_link(QString* error);
    void read_ready();
    void write_ready();
    void poll_attach();
    void detach();

    int _master = -1;
    QString _slave_path;
    QString _link;
    bool _attached = false;
    QByteArray _out;
    qint64 _dropped_detached = 0;
    QSocketNotifier* _read_notifier = nullptr;
    QSocketNotifier* _write_notifier = nullptr;
    QTimer* _poll = nullptr;
};

// An existing serial device at 115200 8N1, raw.
class Device_transport : public Sim_transport
{
    Q_OBJECT
public:
    explicit Device_transport(QObject* parent = nullptr);
    bool open(const QString& path, QString* error);
    void write(const QByteArray& bytes) override;
    bool attached() const override;
    QString device() const override { return _path; }

private:
    QSerialPort* _port = nullptr;
    QString _path;
};

} // namespace vq_sim
