#pragma once

// Shared set-up of the harnesses that build parts of the console: a private
// folder for the XDG locations (removed at exit), the offscreen platform, a
// silent message handler and the application object.

#include "qmodem_interface.h"

#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTextCodec>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace console_fuzz {

inline std::filesystem::path& home()
{
    static std::filesystem::path folder;
    return folder;
}

[[noreturn]] inline void fail(const char* harness, const char* what)
{
    std::fprintf(stderr, "%s: %s\n", harness, what);
    std::abort();
}

inline void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

// Creates the private folders and points the XDG locations there; with
// `application` also the offscreen application object (local 8-bit text is
// UTF-8, as on the usual Linux desktop).
inline void set_up(const char* harness, bool application)
{
    // Memory-backed where there is such a folder: the stores sync every write.
    const char* base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string pattern = std::string(base) + "/talvane-" + harness + "-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        fail(harness, "cannot create the private folder");
    }
    home() = pattern;
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(home(), ignored);
    });
    for (const char* name : {"config", "data", "runtime"}) {
        std::filesystem::create_directories(home() / name);
        std::filesystem::permissions(home() / name, std::filesystem::perms::owner_all);
    }
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(home() / "config"));
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(home() / "data"));
    qputenv("XDG_DATA_DIRS", QByteArray::fromStdString(home() / "data"));
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(home() / "runtime"));
    if (!application) {
        return;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // TALVANE_FUZZ_LOG=1 keeps the console's log lines, for a look at a finding.
    if (qEnvironmentVariableIntValue("TALVANE_FUZZ_LOG") == 0) {
        qInstallMessageHandler(quiet);
    }
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
    static int argc = 1;
    static std::string name = harness;
    static char* argv[] = {name.data(), nullptr};
    new QApplication(argc, argv);
}

inline bool write_file(const QString& path, const std::uint8_t* data, std::size_t size)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) ==
               static_cast<qint64>(size);
}

// CRC-16 of the framing: polynomial 0x1021, preset 0x1D0F; 0 for no bytes.
inline std::uint16_t crc16(const char* bytes, std::size_t count)
{
    if (count == 0) {
        return 0;
    }
    std::uint16_t value = 0x1D0F;
    for (std::size_t i = 0; i < count; ++i) {
        value ^= static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes[i]) << 8);
        for (int bit = 0; bit < 8; ++bit) {
            value = (value & 0x8000) ? static_cast<std::uint16_t>((value << 1) ^ 0x1021)
                                     : static_cast<std::uint16_t>(value << 1);
        }
    }
    return value;
}

inline void put(QByteArray& out, std::uint32_t value, int width)
{
    for (int shift = (width - 1) * 8; shift >= 0; shift -= 8) {
        out.append(static_cast<char>((value >> shift) & 0xFF));
    }
}

// One SIPC frame from the modem to the console carrying a TAC1 PDU: the
// framing header (sync, type, addresses and ports, channel, length, CRC),
// then identifier, transaction, type and payload, then the payload CRC.
inline QByteArray frame(std::uint32_t identifier, std::uint8_t type, std::uint8_t transaction,
                        const QByteArray& payload)
{
    using Q = vq_qt::QModem_interface;
    QByteArray pdu;
    put(pdu, identifier, 4);
    put(pdu, transaction, 1);
    put(pdu, type, 1);
    pdu.append(payload);

    QByteArray out;
    put(out, 0xC67D, 2);
    put(out, 0x10, 1);
    put(out, Q::local_address_value, 4);
    put(out, Q::local_port_number, 2);
    put(out, 0xC0A80000, 4);
    put(out, Q::modem_port_number, 2);
    put(out, Q::tac1_channel, 1);
    put(out, static_cast<std::uint32_t>(pdu.size()), 2);
    put(out, crc16(out.constData(), static_cast<std::size_t>(out.size())), 2);
    out.append(pdu);
    put(out, crc16(pdu.constData(), static_cast<std::size_t>(pdu.size())), 2);
    return out;
}

} // namespace console_fuzz
