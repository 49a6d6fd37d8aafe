#pragma once

// The virtual serial port control: what the console asks of the port that a
// data application opens. Operations and properties carry the names the
// console's port logic uses; every event is one vsp_event(name) whose name is
// the event's signature, for example "OnOpenClose(bool)" or "OnRxChar(int)".
// Current values are read from the properties, not from the event.
//
// Events of the pseudo-terminal edition:
//   "OnOpenClose(bool)"            a data application opened or closed the port
//   "OnRxChar(int)"                bytes from the application wait for ReadArray
//   "OnBaudRate(int)"              the application changed the speed
//   "OnLineControl(int,int,int)"   ... the stop bits (data bits, parity)
//   "OnHandflow(int,int,int,int)"  ... the flow control

#include <QByteArray>
#include <QObject>
#include <QString>

namespace vq_qt {

// Bits of ControlHandShake and FlowReplace.
inline constexpr int handshake_cts = 0x08;      // ControlHandShake: sending obeys CTS
inline constexpr int flow_auto_transmit = 0x01; // FlowReplace: XON/XOFF on sending
inline constexpr int flow_auto_receive = 0x02;  // FlowReplace: XON/XOFF on receiving
inline constexpr int flow_rts_handshake = 0x80; // FlowReplace: RTS follows the receive buffer

class Vsport_control : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~Vsport_control() override = default;

    // Prepares the control for a new port and removes any port it had.
    virtual bool ResetBus() = 0;
    // Creates the port under PortName ("COM" and a number).
    virtual bool CreatePort(const QString& PortName) = 0;
    // Removes the port; an application holding it sees the line hang up.
    virtual bool Delete() = 0;
    // Up to Count bytes the application has written (fewer, or none, if
    // fewer wait).
    virtual QByteArray ReadArray(int Count) = 0;
    // Hands bytes to the application; returns how many the port took.
    virtual int WriteArray(const QByteArray& Buffer) = 0;
    // Clear-to-send toward the application: false holds its writes back.
    virtual bool SetCTS(bool Cts) = 0;
    // Drops what the application has written and ReadArray has not taken,
    // in the port and in the line behind it; returns the count dropped.
    virtual qint64 discard_received() = 0;

    virtual bool IsOpened() const = 0;
    virtual int Baudrate() const = 0;
    virtual int ControlHandShake() const = 0;
    virtual int FlowReplace() const = 0;
    virtual int Databits() const = 0;
    virtual int Parity() const = 0;   // 0 none, 1 odd, 2 even, 3 mark, 4 space
    virtual int StopBits() const = 0; // 0 one, 1 one and a half, 2 two

    // Where applications find the port, and the device behind it.
    virtual QString port_path() const = 0;
    virtual QString device_path() const = 0;
    // Whether another running console holds the port name.
    virtual bool name_in_use(const QString& PortName) const = 0;

signals:
    void vsp_event(const QString& name);
    // After a WriteArray that took fewer bytes than given: the application
    // has read, and WriteArray takes bytes again.
    void ready_for_write();
};

} // namespace vq_qt
