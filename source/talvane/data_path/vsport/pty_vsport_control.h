#pragma once

// The virtual serial port on a pseudo-terminal pair. The data application
// opens <folder>/COMn, a symbolic link to the slave /dev/pts/N; this control
// keeps the master, non-blocking and in packet mode, on the GUI thread.
//
// - Open: inotify reports each open of the slave; close: the master's
//   hang-up, seen through an edge-triggered epoll set (the hang-up itself is
//   level-triggered and would otherwise wake the loop without pause).
// - Line settings: with packet mode and EXTPROC every tcsetattr of the
//   application arrives as a status packet; the properties are then read
//   from the master. An application that clears EXTPROC is polled instead.
// - CTS: false stops reading the master, so the kernel holds back the
//   application's writes once its buffer is full; nothing is dropped.
// - After the application closes the port the pair is replaced behind the
//   same link: its termios, stale bytes and an exclusive lock do not reach
//   the next opener. Bytes the application wrote last are kept for ReadArray.
// - Once an application has opened the port, the slave is exclusive: every
//   further open fails with EBUSY (root bypasses it) until the pair is
//   replaced.
// - WriteArray writes what the line takes; after a short write the master's
//   write readiness is watched, and ready_for_write() tells when it has room.
// - While no application holds the port, WriteArray discards its bytes and
//   one warning gives their count when the next application opens the port
//   (or the port is removed).

#include "pty_line_settings.h"
#include "vsport_control.h"

#include <QByteArray>
#include <QString>

class QSocketNotifier;
class QTimer;

namespace vq_qt {

class Pty_vsport_control : public Vsport_control
{
    Q_OBJECT

public:
    explicit Pty_vsport_control(QObject* parent = nullptr);
    ~Pty_vsport_control() override;

    bool ResetBus() override;
    bool CreatePort(const QString& PortName) override;
    bool Delete() override;
    QByteArray ReadArray(int Count) override;
    int WriteArray(const QByteArray& Buffer) override;
    bool SetCTS(bool Cts) override;
    qint64 discard_received() override;

    bool IsOpened() const override { return attached; }
    int Baudrate() const override { return current_settings().baud_rate; }
    int ControlHandShake() const override { return current_settings().control_hand_shake; }
    int FlowReplace() const override { return current_settings().flow_replace; }
    int Databits() const override { return current_settings().data_bits; }
    int Parity() const override { return current_settings().parity; }
    int StopBits() const override { return current_settings().stop_bits; }

    QString port_path() const override { return link; }
    QString device_path() const override { return device; }
    bool name_in_use(const QString& PortName) const override;

    // The private folder the ports appear in.
    QString folder() const { return port_folder; }
    // Bytes read from the application and not yet taken by ReadArray.
    int pending_bytes() const { return received.size(); }

private:
    bool make_pair(QString* error);
    void close_pair();
    void remove_stale_ports();
    void update_notifiers();
    Pty_line_settings current_settings() const;

    void inotify_ready();
    void master_event();
    void master_readable();
    void line_status();
    void report_line_changes(bool report_all);
    bool read_master(bool all);
    void attach();
    void check_hang_up();
    void detach();
    void report_discarded();
    void emit_event(const char* name) { emit vsp_event(QLatin1String(name)); }

    QString port_folder;
    QString name;
    QString link;
    int lock_fd = -1;

    int master_fd = -1;
    QString device;
    int inotify_fd = -1;
    int watch = -1;
    int epoll_fd = -1;
    QSocketNotifier* inotify_notifier = nullptr;
    QSocketNotifier* event_notifier = nullptr; // epoll: status packets and hang-up
    QSocketNotifier* read_notifier = nullptr;
    QSocketNotifier* write_notifier = nullptr; // while WriteArray left bytes behind
    QTimer* settings_poll = nullptr;           // for applications that cleared EXTPROC
    QTimer* rx_announce = nullptr;             // bytes left after a ReadArray

    bool attached = false;
    bool cts = true;
    bool settings_reported = false; // since the application opened the port
    Pty_line_settings reported;
    QByteArray received;
    qint64 discarded = 0;
    bool write_stalled = false;
};

} // namespace vq_qt
