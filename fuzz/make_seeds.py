#!/usr/bin/env python3
"""Writes the seed corpora of the console harnesses into fuzz/corpus/.

fuzz_window_replies: one seed per identifier the modem interface registers a
reply for (the names in its reply table), carrying the message type and a
payload of the layout the console decodes (taken from the decode harness's
seeds), followed by a NACK of it; and a few long texts. The other harnesses
get small hand-written files.
"""
import os
import re
import struct

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CORPUS = os.path.join(ROOT, "fuzz", "corpus")
CATALOGUE = os.path.join(ROOT, "source/dependencies/module-tac1_protocol/catalogue/tac1_catalogue.def")
REPLIES = os.path.join(ROOT, "source/dependencies/module-qmodem_interface/src/qmodem_interface_replies.cpp")
DECODE_SEEDS = os.path.join(CORPUS, "fuzz_tac1_decode")

ACK, NACK, REQUEST, RESPONSE, INDICATION = 0, 1, 2, 3, 4


def catalogue():
    classes = {}
    pattern = re.compile(r"TAC1_CLASS\((\w+), (0x[0-9A-Fa-f]+), (\w+), (0x[0-9A-Fa-f]+)\)")
    for name, identifier, kind, partner in pattern.findall(open(CATALOGUE).read()):
        classes[name] = (int(identifier, 16), kind, int(partner, 16))
    return classes


def handled_names():
    text = open(REPLIES).read()
    names = []
    for group in re.findall(r"ids<([^>]*)>", text):
        for name in group.replace("\n", " ").split(","):
            name = name.strip()
            if name and name not in names and name != "Messages...":
                names.append(name)
    return names


def layout_payload(name, classes):
    """Payload bytes of the class the console decodes a reply to `name` as."""
    identifier, kind, partner = classes[name]
    if kind == "get":
        name = next(n for n, c in classes.items() if c[0] == partner)
    path = os.path.join(DECODE_SEEDS, name)
    if not os.path.exists(path):
        return b""
    return open(path, "rb").read()[6:]


def record(identifier, kind, transaction, payload):
    return struct.pack(">IBBH", identifier, kind, transaction, len(payload)) + payload


def write(harness, name, data):
    folder = os.path.join(CORPUS, harness)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def ale_settings_seeds():
    """Records of key (0 self address ... 7 terminate on disconnect), kind
    (0 text, 1 list, 2 byte array, 3 whole number, 4 real number, 5 truth
    value) and value."""
    def record(key, kind, value):
        return bytes([key, kind, len(value)]) + value

    def text(key, value):
        return record(key, 0, value.encode())

    write("fuzz_ale_settings", "complete",
          b"".join(text(k, v) for k, v in enumerate(
              ["remote1", "BASE1", "FFFF", "180", "10", "5000", "5000", "true"])))
    write("fuzz_ale_settings", "odd",
          text(0, "a b") + record(1, 1, b"QUOTED,LIST") + text(3, "-1") + text(4, "700") +
          record(2, 2, b"\0"))
    write("fuzz_ale_settings", "typed",
          record(0, 1, b"abc") + record(3, 3, struct.pack("<q", 70000)) +
          record(5, 4, struct.pack("<d", 5000.5)) + record(7, 5, b"\0") + record(4, 3, b"\xff" * 8))


def window_seeds():
    classes = catalogue()
    for name in handled_names():
        identifier, kind, _ = classes[name]
        payload = layout_payload(name, classes)
        if kind == "indication":
            first = INDICATION
        elif kind == "get":
            first = RESPONSE
        elif name == "Tac1_msg_dte_port_send_data_from_modem_set":
            first = REQUEST
        else:
            first = ACK
        nack = struct.pack(">IIIB", 0x20, 0, 0, 1)
        write("fuzz_window_replies", name,
              bytes([0]) + record(identifier, first, 7, payload) + record(identifier, NACK, 8, nack))
    # Long texts from the line.
    version = classes["Tac1_system_software_ver_get"][0]
    write("fuzz_window_replies", "long_version",
          bytes([0]) + record(version, RESPONSE, 9, bytes([0, 255]) + b"V" * 255))
    report = classes["Tac1_msg_ale_status_report_indication"][0]
    names = (b"STATION1\0" * 780)[:7000]
    write("fuzz_window_replies", "long_station_names",
          bytes([2]) + record(report, INDICATION, 10, bytes([9, 1, 0, 0, 20, 20, 255]) + names))
    startup = classes["Tac1_msg_modem_startup_status_get"][0]
    write("fuzz_window_replies", "startup_while_connecting",
          bytes([5 << 2]) + record(startup, RESPONSE, 1, bytes([1])))


def file_seeds():
    write("fuzz_trace_escaping", "plain", b"\x00\x00\x2a" + b"main.cpp\0hello\0info\0details\0dump")
    write("fuzz_trace_escaping", "markup", b"\x00\x01\x00" + b"a\\b/<c>.cpp\0a<b & c>\n\r\t]]>\xe9~\0cat\0\0")
    write("fuzz_trace_escaping", "handler", b"\x03\x00\x10" + "x.cpp\0 ünïcødé <tag>\x01\0qmdm_if".encode())
    write("fuzz_registry_conf", "logger",
          b'[SOFTWARE\\Stenwick\\TraceAndLog]\n"Port"=dword:0000c350\n"SubnetAddr01"="127.0.0.0"\n'
          b'"SubnetMask01"="255.0.0.0"\n\n[SOFTWARE\\Stenwick\\TraceAndLog\\Talvane]\n'
          b'"FilenameBase"="/tmp/x/log_"\n"FilenameCount"=dword:00000004\n"FileSizeLimit"=dword:00001388\n'
          b'"FileLogLevel"=dword:00000000\n"Blob"=hex(3):01,02,ff\n')
    write("fuzz_registry_conf", "escapes",
          b'[a%5bb%5d\\\\c]\n"na\\x00me"="v\\"al\\\\ue"\n"q"=hex(b):01,02,03,04,05,06,07,08\n;comment\n#x\n')
    write("fuzz_radio_list", "models", b"Icom IC-F8101\nCodan NGT\n\n  Barrett 2050  \r\nNo Radio\n")
    write("fuzz_radio_list", "odd", b"a\0hidden\n\xc3\xbcml\xc3\xa4ut\n" + b"L" * 300 + b"\nlast")


if __name__ == "__main__":
    window_seeds()
    ale_settings_seeds()
    file_seeds()
