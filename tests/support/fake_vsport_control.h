#pragma once

// A scriptable virtual serial port control: the test sets the properties and
// results, fires events by name, queues bytes for ReadArray and reads back
// every call made.

#include "vsport_control.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>

class Fake_vsport_control : public vq_qt::Vsport_control
{
public:
    // Results and properties, set freely by the test.
    bool reset_result = true;
    bool create_result = true;
    bool opened = false;
    int baud_rate = 0;
    int hand_shake = 0;
    int flow_replace = 0;
    int data_bits = 8;
    int parity = 0;
    int stop_bits = 0;
    QString folder = QStringLiteral("/run/user/1000/talvane");
    QString device = QStringLiteral("/dev/pts/7");
    QSet<QString> held_elsewhere; // names another console owns

    // What happened.
    QStringList calls; // "ResetBus", "CreatePort COM5", "SetCTS false", ...
    QString created;
    QByteArray to_read; // served by ReadArray
    QByteArray written; // collected from WriteArray
    bool cts = true;

    void fire(const QString& event) { emit vsp_event(event); }

    bool ResetBus() override
    {
        calls << QStringLiteral("ResetBus");
        return reset_result;
    }
    bool CreatePort(const QString& PortName) override
    {
        calls << QStringLiteral("CreatePort ") + PortName;
        if (create_result) {
            created = PortName;
        }
        return create_result;
    }
    bool Delete() override
    {
        calls << QStringLiteral("Delete");
        created.clear();
        return true;
    }
    QByteArray ReadArray(int Count) override
    {
        calls << QStringLiteral("ReadArray %1").arg(Count);
        const QByteArray bytes = to_read.left(Count);
        to_read.remove(0, bytes.size());
        return bytes;
    }
    int WriteArray(const QByteArray& Buffer) override
    {
        calls << QStringLiteral("WriteArray %1").arg(Buffer.size());
        written += Buffer;
        return Buffer.size();
    }
    bool SetCTS(bool Cts) override
    {
        calls << (Cts ? QStringLiteral("SetCTS true") : QStringLiteral("SetCTS false"));
        cts = Cts;
        return true;
    }

    qint64 discard_received() override
    {
        calls << QStringLiteral("discard_received");
        const qint64 dropped = to_read.size();
        to_read.clear();
        return dropped;
    }

    bool IsOpened() const override { return opened; }
    int Baudrate() const override { return baud_rate; }
    int ControlHandShake() const override { return hand_shake; }
    int FlowReplace() const override { return flow_replace; }
    int Databits() const override { return data_bits; }
    int Parity() const override { return parity; }
    int StopBits() const override { return stop_bits; }

    QString port_path() const override
    {
        return created.isEmpty() ? QString() : folder + '/' + created;
    }
    QString device_path() const override { return created.isEmpty() ? QString() : device; }
    bool name_in_use(const QString& PortName) const override
    {
        return held_elsewhere.contains(PortName);
    }
};
