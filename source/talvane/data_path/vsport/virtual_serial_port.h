#pragma once

// The console's side of the virtual serial port: names and creates the port
// at start-up, shows the line settings the data application chooses, and
// passes received characters and open/close to the data path. It owns the
// control (given through the interface, so a fake serves in tests) and no
// widgets: the panel texts leave as signals.

#include "vsport_control.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

namespace vq_qt {

class Virtual_serial_port : public QObject
{
    Q_OBJECT

public:
    explicit Virtual_serial_port(std::unique_ptr<Vsport_control> control,
                                 QObject* parent = nullptr);
    ~Virtual_serial_port() override;

    // Creates the port under the first free name from COM3 to COM99; a name
    // is taken when it is in `existing_port_names` or held by another
    // console. With a `requested_name` (a fixed name that a data program's
    // configuration names) only that name is tried, and a name another
    // console holds is a failure. False when no port could be made (the
    // panel then says so).
    bool _init_virtual_serial_port(const QStringList& existing_port_names,
                                   const QString& requested_name = QString());

    // Removes the port (the window's close).
    bool Delete();

    // The control, for the data path's ReadArray, WriteArray and SetCTS.
    Vsport_control* control() const { return vsp.get(); }

    // "COMn" once created, else empty.
    const QString& virtual_port_name() const { return port_name; }

public slots:
    void _vsp_event(const QString& name);

signals:
    // Panel texts: the port name label (with the device as its tool tip),
    // the baud, data format and flow control labels.
    void port_name_text_changed(const QString& text, const QString& tool_tip);
    void baud_text_changed(const QString& text);
    void data_format_text_changed(const QString& text);
    void flow_control_text_changed(const QString& text);

    // The port waits for an application: where applications open it and the
    // device behind it. Once created, and after each close (the device
    // behind the link may be a new one).
    void port_ready(const QString& path, const QString& device);

    // Toward the data path, each after the logging and texts of its event.
    void received_characters();
    void port_opened();
    void port_closed();

private:
    void on_baud_rate();
    void on_handflow();
    void on_line_control();
    void on_open_close();
    void on_rx_char();
    void show_port_name(const QString& suffix);
    void reset_setting_texts();
    bool create_port(const QString& name);
    void fail();

    std::unique_ptr<Vsport_control> vsp;
    QString port_name;
};

// Texts of the panel, from the control's property values.
QString data_format_text(int data_bits, int parity, int stop_bits);
QString flow_control_text(int control_hand_shake, int flow_replace);

} // namespace vq_qt
