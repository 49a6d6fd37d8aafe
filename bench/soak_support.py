"""The parts of the soak run that are not verdicts: the checked byte stream
and the application that writes and checks it, the console and simulated
modem processes, and the reader of the trace files."""

import fcntl
import json
import os
import queue
import re
import select
import signal
import struct
import subprocess
import threading
import time
import tty
import xml.etree.ElementTree as ET
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BOOT_MS = 1500
RECORD = 16                 # bytes per record of the checked stream


# --- The checked byte stream ----------------------------------------------

def record(index):
    """16 bytes that name their own position: index, a check and filler."""
    head = struct.pack(">Q", index)
    check = zlib.crc32(head) & 0xFFFFFFFF
    return head + struct.pack(">II", check, (index * 2654435761) & 0xFFFFFFFF)


def stream(position, count):
    first = position // RECORD
    last = (position + count + RECORD - 1) // RECORD
    data = b"".join(record(i) for i in range(first, last))
    start = position - first * RECORD
    return data[start:start + count]


def record_index(block):
    """The index a 16-byte block names, or None when it is not a record."""
    head = block[:8]
    check, filler = struct.unpack(">II", block[8:16])
    index = struct.unpack(">Q", head)[0]
    if check != zlib.crc32(head) & 0xFFFFFFFF or filler != (index * 2654435761) & 0xFFFFFFFF:
        return None
    return index


class Stream_checker:
    """Follows the returning bytes against the sent stream. A byte that fits
    the next position is delivered. After a gap the stream is found again by
    the next whole record; the bytes before that record are placed too: the
    tail of the record before it, and a fragment that came through between
    two gaps, found by its content in the stretch it must belong to. What
    was skipped counts as lost; going back counts as reordered or duplicated;
    bytes that fit no position count as corrupted."""

    SEARCH_LIMIT = 1 << 20    # the longest gap a fragment is looked for in

    def __init__(self):
        self.expected = 0
        self.buffer = b""
        self.in_sync = True
        self.delivered = 0
        self.lost = 0
        self.gaps = []            # (time, position, size)
        self.backwards = 0        # bytes that went back in the stream
        self.corrupted = 0

    def skip_to(self, position):
        if position > self.expected:
            self.gaps.append((time.monotonic(), self.expected, position - self.expected))
            self.lost += position - self.expected
            self.expected = position

    def place_fragment(self, fragment, end):
        """Places bytes known to lie between the expected position and end:
        each time the longest leading piece found in what is left of that
        stretch (a fragment may hold pieces from between several gaps)."""
        while fragment:
            span = end - self.expected
            if not 0 < span <= self.SEARCH_LIMIT:
                self.corrupted += len(fragment)
                return
            reference = stream(self.expected, span)
            low, high = 0, len(fragment)  # the longest piece found has low bytes
            while low < high:
                middle = (low + high + 1) // 2
                if reference.find(fragment[:middle]) >= 0:
                    low = middle
                else:
                    high = middle - 1
            if low == 0:
                self.corrupted += 1
                fragment = fragment[1:]
                continue
            self.skip_to(self.expected + reference.find(fragment[:low]))
            self.delivered += low
            self.expected += low
            fragment = fragment[low:]

    def first_record(self):
        for offset in range(0, len(self.buffer) - RECORD + 1):
            index = record_index(self.buffer[offset:offset + RECORD])
            if index is not None:
                return offset, index
        return None

    def feed(self, data, final=False):
        self.buffer += data
        while self.buffer:
            if self.in_sync:
                want = stream(self.expected, min(len(self.buffer), 65536))
                n = 0
                limit = len(want)
                while n < limit and self.buffer[n] == want[n]:
                    n += 1
                self.delivered += n
                self.expected += n
                self.buffer = self.buffer[n:]
                if n < limit:
                    self.in_sync = False
                continue
            found = self.first_record()
            if found is None:
                if final:
                    self.place_fragment(self.buffer, self.expected + self.SEARCH_LIMIT)
                    self.buffer = b""
                elif len(self.buffer) > 65536:
                    self.corrupted += len(self.buffer) - RECORD
                    self.buffer = self.buffer[-RECORD:]
                return
            offset, index = found
            start = index * RECORD
            if start < self.expected:
                # The stream went back: skip that record.
                self.backwards += RECORD
                self.corrupted += offset
                self.buffer = self.buffer[offset + RECORD:]
                continue
            # The tail of the record before, as far as it matches.
            before = self.buffer[:offset]
            tail = 0
            limit = min(len(before), start - self.expected)
            reference = stream(start - limit, limit) if limit > 0 else b""
            while tail < limit and before[len(before) - 1 - tail] == reference[limit - 1 - tail]:
                tail += 1
            self.place_fragment(before[:len(before) - tail], start - tail)
            self.skip_to(start - tail)
            self.buffer = self.buffer[offset - tail:]
            self.in_sync = True


class Data_application:
    """Writes the stream to the virtual port and checks what comes back."""

    def __init__(self, path):
        self.fd = os.open(path, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
        tty.setraw(self.fd)
        self.written = 0
        self.checker = Stream_checker()
        self.writing = True
        self.stop = False
        self.last_read = time.monotonic()
        self.thread = threading.Thread(target=self.run, daemon=True)
        self.thread.start()

    def run(self):
        pending = b""
        while not self.stop:
            want_write = self.writing
            r, w, _ = select.select([self.fd], [self.fd] if want_write else [], [], 0.05)
            if r:
                try:
                    data = os.read(self.fd, 65536)
                except BlockingIOError:
                    data = b""
                except OSError:
                    return  # the console closed the port
                if data:
                    self.last_read = time.monotonic()
                    self.checker.feed(data)
            if w and self.writing:
                if not pending:
                    pending = stream(self.written, 4096)
                try:
                    n = os.write(self.fd, pending)
                except BlockingIOError:
                    n = 0
                except OSError:
                    return
                self.written += n
                pending = pending[n:]

    def finish(self):
        self.stop = True
        self.thread.join()
        self.checker.feed(b"", final=True)
        os.close(self.fd)


# --- Processes --------------------------------------------------------------

class Process:
    """A child with its standard output read line by line into a queue."""

    def __init__(self, name, args, env, stderr_path):
        self.name = name
        self.stderr_file = open(stderr_path, "wb")
        self.stderr_path = stderr_path
        self.proc = subprocess.Popen(args, env=env, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=self.stderr_file, bufsize=0)
        self.lines = queue.Queue()
        self.thread = threading.Thread(target=self.read, daemon=True)
        self.thread.start()

    def read(self):
        for raw in self.proc.stdout:
            self.lines.put((time.monotonic(), raw.decode("utf-8", "replace").rstrip("\n")))
        self.lines.put((time.monotonic(), None))

    def send(self, line):
        try:
            self.proc.stdin.write((line + "\n").encode())
        except (BrokenPipeError, ValueError):
            pass

    def next_line(self, timeout):
        try:
            return self.lines.get(timeout=timeout)
        except queue.Empty:
            return None

    def rss_kb(self):
        try:
            with open("/proc/%d/status" % self.proc.pid) as f:
                for line in f:
                    if line.startswith("VmRSS:"):
                        return int(line.split()[1])
        except OSError:
            pass
        return None

    def cpu_seconds(self):
        with open("/proc/%d/stat" % self.proc.pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

    def stop(self, timeout=20):
        try:
            return self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.proc.send_signal(signal.SIGTERM)
            try:
                return self.proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                return self.proc.wait()


class Console:
    """The console's standard output: state lines, the data port line and
    the answers to operator commands, kept apart."""

    def __init__(self, process):
        self.p = process
        self.states = []          # (time, state name, text)
        self.answers = queue.Queue()
        self.data_port = None
        self.lock = threading.Lock()
        self.thread = threading.Thread(target=self.sort, daemon=True)
        self.thread.start()

    def sort(self):
        while True:
            item = self.p.next_line(None)
            if item is None or item[1] is None:
                self.answers.put(None)
                return
            t, line = item
            m = re.match(r"state: (.*)\t\((\w+)\)$", line)
            if m:
                with self.lock:
                    self.states.append((t, m.group(2), m.group(1)))
            elif line.startswith("data port: "):
                self.data_port = line[len("data port: "):].rsplit(" (", 1)[0]
            elif line.startswith("ok") or line.startswith("error"):
                self.answers.put(line)

    def command(self, line, timeout=15):
        self.p.send(line)
        try:
            return self.answers.get(timeout=timeout)
        except queue.Empty:
            return None

    def show(self):
        answer = self.command("show")
        if not answer or not answer.startswith("ok"):
            return None
        try:
            return json.loads(answer[2:].strip())
        except ValueError:
            return None

    def state(self):
        with self.lock:
            return self.states[-1][1] if self.states else None

    def wait_state(self, name, timeout):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            if self.state() == name:
                return True
            time.sleep(0.05)
        return False


class Simulator:
    def __init__(self, process):
        self.p = process
        self.device = None

    def status(self, timeout=5):
        self.p.send("status")
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            item = self.p.next_line(0.2)
            if item and item[1] and item[1].startswith("{"):
                return json.loads(item[1])
        return None


def environment(home, sanitize):
    env = dict(os.environ)
    for sub in ("config", "data", "runtime"):
        os.makedirs(os.path.join(home, sub), mode=0o700, exist_ok=True)
    env.update(QT_QPA_PLATFORM="offscreen", XDG_CONFIG_HOME=os.path.join(home, "config"),
               XDG_DATA_HOME=os.path.join(home, "data"),
               XDG_RUNTIME_DIR=os.path.join(home, "runtime"))
    if sanitize:
        env["ASAN_OPTIONS"] = "detect_leaks=1"
        env["LSAN_OPTIONS"] = "suppressions=%s:print_suppressions=0" % os.path.join(
            ROOT, "tools", "lsan.supp")
        env["UBSAN_OPTIONS"] = "print_stacktrace=1:halt_on_error=1"
    return env


def start_pair(tools, home, env, sim_args, console_env=None):
    console_bin, sim_bin = tools
    link = os.path.join(home, "runtime", "modem")
    sim = Simulator(Process("simulator", [sim_bin, "--pty", "--link", link,
                                           "--boot-ms", str(BOOT_MS)] + sim_args,
                            env, os.path.join(home, "simulator.err")))
    item = sim.p.next_line(20)
    if not item or not item[1] or not item[1].startswith("/dev/"):
        raise SystemExit("the simulated modem did not start (see %s)" % sim.p.stderr_path)
    sim.device = item[1]
    cenv = dict(env)
    cenv.update(console_env or {})
    console = Console(Process("console", [console_bin, "--port", link, "--connect", "--control",
                                          "--print-state"], cenv,
                              os.path.join(home, "console.err")))
    if not console.wait_state("CONNECTION_STATE_CONNECTED", 30):
        raise SystemExit("the console did not connect (see %s)" % console.p.stderr_path)
    end = time.monotonic() + 5
    while console.data_port is None and time.monotonic() < end:
        time.sleep(0.05)
    return sim, console


# --- Trace log files ---------------------------------------------------------

class Log_checker:
    """Parses every trace file, holding its lock as the writer does, and
    keeps the console's reports of output lost with its line (by sequence
    number, as the same entry is read again until its file rotates away)."""

    LINE_LOSS = "bytes not yet written to the line were lost with it"

    def __init__(self, folder):
        self.folder = folder
        self.checks = 0
        self.bad = []
        self.names = set()
        self.line_losses = {}

    def line_lost_bytes(self):
        return sum(self.line_losses.values())

    def check(self):
        if not os.path.isdir(self.folder):
            return
        for name in sorted(os.listdir(self.folder)):
            if not re.match(r"log_talvane-\d{3}\.xml$", name):
                continue
            self.names.add(name)
            path = os.path.join(self.folder, name)
            data = None
            for _ in range(20):
                try:
                    with open(path, "rb") as f:
                        try:
                            fcntl.flock(f, fcntl.LOCK_SH | fcntl.LOCK_NB)
                        except BlockingIOError:
                            time.sleep(0.01)
                            continue
                        data = f.read()
                        fcntl.flock(f, fcntl.LOCK_UN)
                        break
                except FileNotFoundError:
                    break
            if not data:
                continue  # deleted by rotation, or just created
            self.checks += 1
            try:
                root = ET.fromstring(data)
                for entry in root.iter("Entry"):
                    message = entry.findtext("Message") or ""
                    if self.LINE_LOSS in message:
                        self.line_losses[entry.findtext("Sequence")] = int(message.split()[0])
            except ET.ParseError as e:
                self.bad.append("%s: %s" % (name, e))
                keep = os.path.join(os.path.dirname(self.folder), "bad-" + name)
                with open(keep, "wb") as f:
                    f.write(data)
