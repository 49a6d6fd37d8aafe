#pragma once

// The Radio Control panel on its own: a real modem interface whose frames are
// captured, a connection that records the answers counted for the
// initialisation, and a radio list file of the test's own.

#include "fake_connection_link.h"
#include "radio_control_panel.h"
#include "window_fixture.h"

#include <QFile>
#include <QSpinBox>
#include <QTemporaryDir>
#include <memory>

using namespace vq_qt;

// A radio list file in a folder of its own.
inline QString write_radio_list(const QTemporaryDir& folder, const QByteArray& contents)
{
    const QString path = folder.filePath("radio_list.cfg");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size()) {
        qFatal("cannot write %s", qPrintable(path));
    }
    return path;
}

// A frame as "name:payload in hex", the name without its "Tac1_msg_".
inline QString brief(const Sent_message& message)
{
    QString name = message.name;
    name.remove(QStringLiteral("Tac1_msg_"));
    return name + ":" + QString::fromLatin1(message.payload.toHex());
}

// The frames a panel would send, in the same form.
inline QString radio_select_frame(const QByteArray& name)
{
    return brief({"Tac1_msg_radio_select_set", bytes({1, name.size()}) + name});
}
inline QString activation_frame(int activation)
{
    return brief({"Tac1_msg_radio_rcm_activate_set", bytes({activation})});
}
inline QString fixed_frequency_frame(uint frequency, int power, int mode)
{
    QByteArray payload = bytes({0, 0});
    for (int i = 0; i < 2; ++i) {
        payload += bytes(
            {int(frequency >> 24), int(frequency >> 16), int(frequency >> 8), int(frequency)});
    }
    return brief({"Tac1_msg_radio_ff_params_set", payload + bytes({power, mode, mode})});
}
inline const QString ask_radio_select_frame = QStringLiteral("radio_select_get:01");
inline const QString ask_fixed_frequency_frame = QStringLiteral("radio_ff_params_get:");

class Radio_panel_fixture
{
public:
    static constexpr const char* shipped_list =
        "Icom IC-F8101\nBad Radio 2050\nManpack HF-2\nBase Station HF-400\n";

    // A panel on the radio list `contents`; a null array means no file.
    explicit Radio_panel_fixture(const QByteArray& contents = shipped_list)
        : modem(nullptr, 0xC0A80000),
          list_path(contents.isNull() ? folder.filePath("missing.cfg")
                                      : write_radio_list(folder, contents)),
          panel(&modem, &connection, nullptr, list_path), frames(&modem)
    {}

    // The frames sent since the last call, in order.
    QStringList sent()
    {
        QStringList list;
        for (const Sent_message& message : frames.messages()) {
            list << brief(message);
        }
        frames.clear();
        return list;
    }

    // A radio chosen as the operator would, and acknowledged by the modem.
    void select_acknowledged(const QString& radio)
    {
        if (!choose(panel.radio_model_selector, radio)) {
            qFatal("no radio %s", qPrintable(radio));
        }
        panel._handle_radio_select_set_ack();
        frames.clear();
    }

    QStringList modulations() const { return entries(panel.radio_modulation_selector); }
    QStringList powers() const { return entries(panel.radio_power_selector); }
    // Frequency, modulation and power enabled, each.
    QList<bool> settings_enabled() const
    {
        return {panel.radio_frequency_spin_box->isEnabled(),
                panel.radio_modulation_selector->isEnabled(),
                panel.radio_power_selector->isEnabled()};
    }

    QTemporaryDir folder;
    vq_qt::QModem_interface modem;
    Recording_connection connection;
    QString list_path;
    Radio_control_panel panel;
    Sent_frames frames;
};
