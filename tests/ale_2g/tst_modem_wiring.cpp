// The state machine on a real modem interface: each sequence step leaves as
// one frame, and the interface's acknowledgements and reports reach the
// machine through attach_modem.

#include "ale_2g_test_support.h"
#include "qmodem_interface.h"

#include <QSignalSpy>

using namespace vq_qt;

class Tst_modem_wiring : public QObject
{
    Q_OBJECT

private slots:
    void replies_and_reports_reach_the_machine()
    {
        Ale_2g_settings settings;
        QModem_interface modem(nullptr, 0x0102);
        Ale_2g_state_machine machine(settings);
        machine.attach_modem(&modem);
        QSignalSpy frames(&modem, &QModem_interface::send_sipc_data);

        machine._2g_state_machine_execute(ALE_2G_EVENT_ENABLE);
        QCOMPARE(frames.size(), 1);
        // The first step is a system mode request: its answer comes through
        // the window, the others straight from the interface.
        machine._handle_system_mode_set_ack(machine.expected_sequence_number());
        using Ack = void (QModem_interface::*)(uchar);
        const Ack acks[] = {
            &QModem_interface::ale_nonvolatile_memory_reset_set_ack,
            &QModem_interface::ale_scan_list_entry_set_ack,
            &QModem_interface::ale_address_table_ext_set_ack,
            &QModem_interface::ale_address_table_ext_set_ack,
            &QModem_interface::ale_activity_timeout_set_ack,
            &QModem_interface::ale_lbt_time_set_ack,
            &QModem_interface::ale_system_mode_set_ack,
        };
        for (Ack ack : acks) {
            QCOMPARE(machine.state(), ALE_2G_STATE_CONFIG);
            (modem.*ack)(machine.expected_sequence_number());
        }
        QCOMPARE(frames.size(), 8);
        QCOMPARE(machine.state(), ALE_2G_STATE_ENABLED);

        machine._2g_state_machine_execute(ALE_2G_EVENT_CALL);
        emit modem.ale_call_setup_set_nack(uchar(machine.expected_sequence_number() + 1));
        QCOMPARE(machine.state(), ALE_2G_STATE_CALL_SETUP); // not the awaited number
        emit modem.ale_address_table_ext_set_nack(machine.expected_sequence_number());
        QCOMPARE(machine.state(), ALE_2G_STATE_ERROR);

        emit modem.occupancy_detected_result_indication(5, 2);
        QCOMPARE(machine.occupancy_signal_name(), QString("SSD signal"));
        emit modem.ale_report_status_indication(9, 0, 0, 0, 0, 0, 3, "FAR");
        QCOMPARE(machine.detail_text(), QString("Received an ALE sound"));
        QCOMPARE(machine.station_names(), QString("FAR"));
    }
};

QTEST_GUILESS_MAIN(Tst_modem_wiring)
#include "tst_modem_wiring.moc"
