#pragma once

// Shared pieces of the 2G ALE tests: a private data folder for the settings
// file, a log recorder, a fake that records the requests the state machine
// sends, and a state machine fixture that keeps what the panel would show.

#include "ale_2g_requests.h"
#include "ale_2g_settings.h"
#include "ale_2g_state_machine.h"
#include "log_recorder.h"
#include "test_timing.h"

#include <QStringList>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace ale_2g_test {

// Points XDG_DATA_HOME at a fresh folder for the life of the object.
class Data_home
{
public:
    Data_home()
    {
        previous = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", dir.path().toUtf8());
    }
    ~Data_home() { qputenv("XDG_DATA_HOME", previous); }
    Data_home(const Data_home&) = delete;
    Data_home& operator=(const Data_home&) = delete;

    QString settings_file() const { return vq_qt::Ale_2g_settings::file_path(); }

private:
    QTemporaryDir dir;
    QByteArray previous;
};

// Writes a file, creating its folder.
inline void write_file(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

// The shared recorder of every log line.
using Log_recorder = ::Log_recorder;

// Records each request as text, numbering them as the modem interface does
// (1 to 255, then 1 again). Requests sent without a kept number end in " -".
class Recording_requests : public vq_qt::Ale_2g_requests
{
public:
    QStringList sent;
    uchar last_number = 0;

    bool set_system_mode(uchar mode, uchar& n) override
    {
        return record(QString("set_system_mode(%1)").arg(mode), &n);
    }
    bool set_ale_system_mode(vq_qt::Ale_system_mode mode, uchar& n) override
    {
        return record(QString("set_ale_system_mode(%1)").arg(int(mode)), &n);
    }
    bool set_ale_nonvolatile_memory_reset(uchar reset_value, uchar& n) override
    {
        return record(QString("set_ale_nonvolatile_memory_reset(%1)").arg(reset_value), &n);
    }
    bool set_ale_scan_list_entry(uchar index, QString name, QByteArray matrix, uchar& n) override
    {
        return record(QString("set_ale_scan_list_entry(%1, %2, %3)")
                          .arg(index)
                          .arg(name, QString(matrix.toHex())),
                      &n);
    }
    bool set_ale_address_table_ext(uchar index, QString name, QString address, uchar type,
                                   ushort value16, ushort wait, uchar value8, QByteArray map,
                                   uchar& n) override
    {
        return record(QString("set_ale_address_table_ext(%1, %2, %3, %4, %5, %6, %7, %8)")
                          .arg(index)
                          .arg(name, address)
                          .arg(type)
                          .arg(value16)
                          .arg(wait)
                          .arg(value8)
                          .arg(QString(map.toHex())),
                      &n);
    }
    bool set_ale_activity_timeout(ushort timeout, uchar& n) override
    {
        return record(QString("set_ale_activity_timeout(%1)").arg(timeout), &n);
    }
    bool set_ale_lbt_time(uchar lbt_time, uchar& n) override
    {
        return record(QString("set_ale_lbt_time(%1)").arg(lbt_time), &n);
    }
    bool set_ale_call_setup(uchar v1, uchar v2, uchar v3, QByteArray addresses, uchar& n) override
    {
        return record(QString("set_ale_call_setup(%1, %2, %3, %4)")
                          .arg(v1)
                          .arg(v2)
                          .arg(v3)
                          .arg(QString(addresses.toHex())),
                      &n);
    }
    bool set_ale_call_control(uchar& n) override { return record("set_ale_call_control()", &n); }
    bool set_ale_terminate_link(uchar value, uchar& n) override
    {
        return record(QString("set_ale_terminate_link(%1)").arg(value), &n);
    }
    bool set_ale_terminate_link(uchar value) override
    {
        return record(QString("set_ale_terminate_link(%1)").arg(value), nullptr);
    }
    bool set_ale_abort_request(uchar value) override
    {
        return record(QString("set_ale_abort_request(%1)").arg(value), nullptr);
    }

private:
    bool record(const QString& text, uchar* number)
    {
        last_number = last_number == 255 ? 1 : last_number + 1;
        sent << (number ? text : text + " -");
        if (number) {
            *number = last_number;
        }
        return true;
    }
};

// What the panel would show: every controls update merged, as the panel
// applies them.
struct Shown
{
    QString status;
    QString detail;
    QString enable_text = "Enable";
    bool enable_enabled = true;
    QString call_text = "Call";
    bool call_enabled = true;
    bool self_enabled = true;
    bool other_enabled = true;

    void apply(const vq_qt::Ale_2g_controls& c)
    {
        status = c.status_label.value_or(status);
        detail = c.detail_label.value_or(detail);
        enable_text = c.enable_button.text.value_or(enable_text);
        enable_enabled = c.enable_button.enabled.value_or(enable_enabled);
        call_text = c.call_button.text.value_or(call_text);
        call_enabled = c.call_button.enabled.value_or(call_enabled);
        self_enabled = c.self_address_enabled.value_or(self_enabled);
        other_enabled = c.other_address_enabled.value_or(other_enabled);
    }
};

// A state machine with its settings (defaults, never loaded from a file),
// the recording fake, and what it showed and signalled.
struct Machine
{
    vq_qt::Ale_2g_settings settings;
    Recording_requests requests;
    vq_qt::Ale_2g_state_machine machine{settings};
    Shown shown;
    QList<bool> radio_locks;
    QList<bool> display_modes;
    int disconnects = 0;

    Machine()
    {
        machine.set_requests(&requests);
        QObject::connect(&machine, &vq_qt::Ale_2g_state_machine::controls_changed,
                         [this](const vq_qt::Ale_2g_controls& c) { shown.apply(c); });
        QObject::connect(&machine, &vq_qt::Ale_2g_state_machine::radio_selector_lock,
                         [this](bool locked) { radio_locks << locked; });
        QObject::connect(&machine, &vq_qt::Ale_2g_state_machine::ale_display_mode_changed,
                         [this](bool on) { display_modes << on; });
        QObject::connect(&machine, &vq_qt::Ale_2g_state_machine::disconnect_now,
                         [this] { ++disconnects; });
    }

    vq_qt::Ale_2g_state state() const { return machine.state(); }
    void post(vq_qt::Ale_2g_event event) { machine._2g_state_machine_execute(event); }
    // Acknowledges the request awaited (any ALE ack slot matches by number).
    void ack() { machine._handle_ale_system_mode_set_ack(machine.expected_sequence_number()); }
    void nack() { machine._handle_ale_system_mode_set_nack(machine.expected_sequence_number()); }
    void report(uchar event, const QString& stations = QString(), uchar lqa_to = 0,
                uchar lqa_from = 0)
    {
        machine._handle_ale_report_status_indication(event, 0, 0, 0, lqa_to, lqa_from,
                                                     uchar(stations.size()), stations);
    }

    // Enable and acknowledge every configuration step.
    void enable()
    {
        post(vq_qt::ALE_2G_EVENT_ENABLE);
        while (state() == vq_qt::ALE_2G_STATE_CONFIG) {
            ack();
        }
    }
    // From DISABLED to CALLING with every step acknowledged.
    void call()
    {
        enable();
        post(vq_qt::ALE_2G_EVENT_CALL);
        while (state() == vq_qt::ALE_2G_STATE_CALL_SETUP) {
            ack();
        }
    }
    void link(const QString& stations = "BASE1")
    {
        call();
        report(4, stations);
    }
};

} // namespace ale_2g_test
