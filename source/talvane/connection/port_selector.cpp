#include "port_selector.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QSerialPortInfo>
#include <QSignalBlocker>
#include <QStyleOptionComboBox>
#include <QStylePainter>

namespace vq_qt {

namespace {

// Room for "/dev/ttyUSB10" and a little more; longer paths are elided.
constexpr int shown_characters = 16;
const char* const auto_detect_tool_tip = "Auto Detect: each port in turn, once, until a modem "
                                         "answers";

// The file a path finally leads to; the path itself when it leads nowhere.
QString device_of(const QString& path)
{
    const QString device = QFileInfo(path).canonicalFilePath();
    return device.isEmpty() ? path : device;
}

} // namespace

QList<System_port> system_serial_ports(const QStringList& port_names)
{
    const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    QList<System_port> ports;
    for (const QString& name : port_names) {
        System_port port;
        port.path = name.startsWith('/') ? name : "/dev/" + name;
        for (const QSerialPortInfo& info : infos) {
            if (info.portName() == name) {
                port = {info.systemLocation(), info.description(), info.manufacturer(),
                        info.serialNumber()};
                break;
            }
        }
        ports << port;
    }
    return ports;
}

QStringList serial_port_paths(const QList<System_port>& ports, const QString& by_id_folder)
{
    QMap<QString, QStringList> links_to; // device -> links, in name order
    const QFileInfoList entries =
        QDir(by_id_folder)
            .entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& entry : entries) {
        if (entry.isSymLink() && !entry.canonicalFilePath().isEmpty()) {
            links_to[entry.canonicalFilePath()] << entry.absoluteFilePath();
        }
    }
    QStringList paths;
    for (const System_port& port : ports) {
        paths << port.path << links_to.value(device_of(port.path));
    }
    return paths;
}

QString serial_port_tool_tip(const QString& path, const QList<System_port>& ports)
{
    QStringList lines{path};
    const QString device = device_of(path);
    if (device != path && QFileInfo(path).isSymLink()) {
        lines << "Leads to " + device;
    }
    for (const System_port& port : ports) {
        if (port.path != path && device_of(port.path) != device) {
            continue;
        }
        QStringList about;
        for (const QString& part : {port.description, port.manufacturer}) {
            if (!part.isEmpty()) {
                about << part;
            }
        }
        if (!port.serial_number.isEmpty()) {
            about << "serial number " + port.serial_number;
        }
        if (!about.isEmpty()) {
            lines << about.join(", ");
        }
        break;
    }
    return lines.join('\n');
}

Port_selector::Port_selector(QWidget* parent) : QComboBox(parent)
{
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(shown_characters);
    view()->setTextElideMode(Qt::ElideMiddle);
    connect(this, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &Port_selector::_show_current_tool_tip);
}

void Port_selector::show_ports(const QStringList& names, int index)
{
    {
        const QSignalBlocker block(this);
        clear();
        addItems(names);
        // Entry 0 is "Auto Detect", not a port.
        setItemData(0, auto_detect_tool_tip, Qt::ToolTipRole);
        for (int i = 1; i < count(); ++i) {
            setItemData(i, serial_port_tool_tip(names[i], system_ports), Qt::ToolTipRole);
        }
    }
    show_selection(index);
}

void Port_selector::show_selection(int index)
{
    {
        const QSignalBlocker block(this);
        setCurrentIndex(index);
    }
    _show_current_tool_tip();
}

void Port_selector::_show_current_tool_tip()
{
    setToolTip(itemData(currentIndex(), Qt::ToolTipRole).toString());
}

void Port_selector::paintEvent(QPaintEvent*)
{
    // As the combo box paints itself, with the text elided in the middle
    // instead of cut off at the right.
    QStylePainter painter(this);
    painter.setPen(palette().color(QPalette::Text));
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    const QRect field =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    option.currentText =
        fontMetrics().elidedText(option.currentText, Qt::ElideMiddle, field.width() - 2);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

void Port_selector::showPopup()
{
    // The list shows whole paths, wider than the box if need be.
    view()->setMinimumWidth(view()->sizeHintForColumn(0) +
                            style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 8);
    QComboBox::showPopup();
}

} // namespace vq_qt
