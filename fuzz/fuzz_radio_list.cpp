// Arbitrary contents of the radio list file, read as the Radio Control panel
// reads it, and every model it offers chosen once.
//
// One panel and modem interface serve every input: the contents go to the
// panel's reader from memory, not through a file, and replace the models of
// the input before.
//
// The selector offers "No Radio Control" and one entry a line (each cut at
// its first NUL byte and trimmed). Choosing an entry sends its name to the
// modem; when the modem reports that name back as its radio, the panel
// selects that same entry.
//
// Input: the file's bytes.

#include "connection_link.h"
#include "console_fuzz_support.h"
#include "qmodem_interface.h"
#include "radio_control_panel.h"
#include "tac1_messages.h"

#include <QComboBox>
#include <QSignalBlocker>
#include <algorithm>
#include <cstdint>
#include <vector>

using namespace vq_qt;

namespace {

void fail(const char* what)
{
    console_fuzz::fail("fuzz_radio_list", what);
}

class Quiet_link : public Connection_link
{
public:
    void count_init_response(Init_response) override {}
    void note_response_seen() override {}
    void set_receiving(bool) override {}
    void set_keep_alive_interval(int) override {}
    void set_modem_software_version(const QString&) override {}
    int modem_model() const override { return 1; }
};

// The radio name carried by a radio selection request the console sent:
// TAC1 header at 20, then port, length and the name's bytes.
QByteArray sent_name(const QByteArray& frame)
{
    if (frame.size() < 30) {
        return QByteArray();
    }
    const int length = static_cast<std::uint8_t>(frame.at(27));
    if (28 + length + 2 != frame.size()) {
        fail("the length byte does not count the name's bytes");
    }
    return frame.mid(28, length);
}

// The panel under test and the frames its modem interface sends, built once.
struct Rig
{
    Rig()
    {
        QObject::connect(&modem, &vq_qt::QModem_interface::send_sipc_data,
                         [this](const QByteArray& frame) { sent.push_back(frame); });
        QObject::connect(&modem, &vq_qt::QModem_interface::radio_select_request_response, &panel,
                         &Radio_control_panel::_handle_radio_select_request_response);
    }

    vq_qt::QModem_interface modem{nullptr, 0xC0A80000};
    Quiet_link link;
    // No file: the models come from each input.
    Radio_control_panel panel{&modem, &link, nullptr, QString()};
    std::vector<QByteArray> sent;
};

Rig* rig = nullptr;

int expected_entries(const std::uint8_t* data, std::size_t size)
{
    const int lines = static_cast<int>(std::count(data, data + size, '\n'));
    return 1 + lines + (size > 0 && data[size - 1] != '\n' ? 1 : 0);
}

} // namespace

extern "C" const char* __asan_default_options()
{
    // Qt and the font libraries keep caches for the life of the process.
    return "detect_leaks=0:malloc_context_size=8";
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    console_fuzz::set_up("fuzz_radio_list", true);
    rig = new Rig; // lives as long as the application object
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    vq_qt::QModem_interface& modem = rig->modem;
    std::vector<QByteArray>& sent = rig->sent;
    rig->panel.set_radio_list(
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<int>(size)));
    QComboBox* selector = rig->panel.radio_model_selector;
    if (selector->count() != expected_entries(data, size) || selector->currentIndex() != 0) {
        fail("not one entry a line, with No Radio Control selected");
    }
    const int tried = std::min(selector->count(), 9);
    for (int index = 1; index < tried; ++index) {
        const QString name = selector->itemText(index);
        if (name.contains(QChar('\0')) || name != name.trimmed()) {
            fail("an entry is not cut at NUL and trimmed");
        }
        {
            const QSignalBlocker blocker(selector);
            selector->setCurrentIndex(0);
        }
        sent.clear();
        selector->setCurrentIndex(index);
        if (sent.empty()) {
            fail("choosing a radio sent nothing");
        }
        const QByteArray bytes = sent_name(sent.front());
        if (bytes.size() >= 255 || name.startsWith(Radio_control_panel::no_radio)) {
            continue; // cut to fit the message, or the modem's word for none
        }
        // The modem reports the name it was given as its radio: the panel
        // must come back to an entry of the same text.
        {
            const QSignalBlocker blocker(selector);
            selector->setCurrentIndex(0);
        }
        QByteArray payload;
        payload.append(char(1)).append(char(bytes.size())).append(bytes);
        modem._receive_sipc_data(
            console_fuzz::frame(vq::Tac1_msg_radio_select_get::message_identifier, 3, 1, payload));
        if (selector->currentText() != name) {
            fail("the modem's report of the chosen radio selects another entry");
        }
    }
    return 0;
}
