#pragma once

// The serial ports the operator chooses from: every port by its full device
// path, each USB adapter followed by its stable names under
// /dev/serial/by-id (which survive a replug in another order), and what the
// system knows of each port for its tool tip. Port_selector shows a long path
// elided in the middle, so the device's own name at the end stays readable.

#include <QComboBox>
#include <QList>
#include <QString>
#include <QStringList>

namespace vq_qt {

// A serial port the system lists, with what its driver says of it.
struct System_port
{
    QString path; // "/dev/ttyUSB0"
    QString description;
    QString manufacturer;
    QString serial_number;
};

// The system's ports named `port_names` ("ttyS0", as the serial line lists
// them), in that order, with their device paths and descriptions.
QList<System_port> system_serial_ports(const QStringList& port_names);

// The ports' paths, each followed by the links in `by_id_folder` that lead
// to it (sorted by name); links to anything else are left out.
QStringList serial_port_paths(const QList<System_port>& ports,
                              const QString& by_id_folder = QStringLiteral("/dev/serial/by-id"));

// The tool tip of a port entry: its whole path, the device a link leads to,
// and the description, manufacturer and serial number of that device where
// the system gives them.
QString serial_port_tool_tip(const QString& path, const QList<System_port>& ports);

class Port_selector : public QComboBox
{
    Q_OBJECT

public:
    explicit Port_selector(QWidget* parent = nullptr);

    // The tool tips of the entries come from these ports.
    void set_system_ports(const QList<System_port>& ports) { system_ports = ports; }
    // Replaces the entries and selects `index`, without the signals an
    // operator's choice sends.
    void show_ports(const QStringList& names, int index);
    void show_selection(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showPopup() override;

private:
    void _show_current_tool_tip();

    QList<System_port> system_ports;
};

} // namespace vq_qt
