"""A small client for the hub's text protocol (a public router-control text
protocol, plain text over TCP, port 9990 by default).

Written only from the public description of that protocol, independently of
the hub's own code, so that a misunderstanding cannot be shared by both.

The protocol in short: every message is a block, a header line ending in ':'
followed by zero or more lines and terminated by a blank line.  On connect the
server sends a dump of its whole state, ending with the block 'END PRELUDE:'.
A client asks for a change by sending a block of the same form; the server
answers 'ACK' or 'NAK' (each followed by a blank line) and then pushes the
changed items, to every client, as blocks holding only what changed.
Indices are 0-based.  Python 3 standard library only.
"""

import socket
import threading
import time

DEFAULT_TIMEOUT = 5.0


class ProtocolError(Exception):
    pass


class Timeout(Exception):
    pass


class TextClient:
    def __init__(self, host, port, timeout=DEFAULT_TIMEOUT, name="client", source=None):
        """source: the local address to connect from (another address of the
        machine, so the server sees a different client address)."""
        self.name = name
        self.timeout = timeout
        self.sock = socket.create_connection(
            (host, port), timeout=timeout,
            source_address=(source, 0) if source else None)
        self.sock.settimeout(None)
        self._cond = threading.Condition()
        self._send_lock = threading.Lock()
        # State learnt from the server.
        self.version = None
        self.device = {}          # raw "Key: value" fields of the device block
        self.device_present = None
        self.inputs = None
        self.outputs = None
        self.input_labels = {}
        self.output_labels = {}
        self.routing = {}         # output -> input
        self.locks = {}           # output -> 'O' | 'L' | 'U'
        self.prelude_done = False
        self.other_blocks = []    # (header, lines) of blocks not tracked above
        self.block_counts = {}    # header -> number of blocks received
        self.responses = []       # 'ACK' / 'NAK' not yet consumed
        self.closed = False
        self.error = None
        self._reader = threading.Thread(target=self._read_loop, daemon=True)
        self._reader.start()

    # ---- reading ---------------------------------------------------------
    def _read_loop(self):
        buf = b""
        header = None
        lines = []
        try:
            while True:
                data = self.sock.recv(65536)
                if not data:
                    break
                buf += data
                while b"\n" in buf:
                    raw, buf = buf.split(b"\n", 1)
                    line = raw.decode("utf-8").rstrip("\r")
                    if header is None:
                        if line == "":
                            continue  # stray blank line between blocks
                        header = line
                        lines = []
                    elif line == "":
                        self._apply(header, lines)
                        header = None
                    else:
                        lines.append(line)
        except (OSError, UnicodeDecodeError) as e:
            with self._cond:
                self.error = "%s: read failed: %r" % (self.name, e)
        with self._cond:
            self.closed = True
            self._cond.notify_all()

    def _apply(self, header, lines):
        with self._cond:
            self.block_counts[header] = self.block_counts.get(header, 0) + 1
            if header in ("ACK", "NAK"):
                self.responses.append(header)
            elif header == "PROTOCOL PREAMBLE:":
                for ln in lines:
                    k, _, v = ln.partition(":")
                    if k.strip() == "Version":
                        self.version = v.strip()
            elif header.endswith(" DEVICE:"):
                # The device block; its header carries the product's own word
                # before "DEVICE:", so it is matched on the suffix.
                for ln in lines:
                    k, _, v = ln.partition(":")
                    k, v = k.strip(), v.strip()
                    self.device[k] = v
                    if k == "Device present":
                        self.device_present = v
                    elif k == "Video inputs":
                        self.inputs = int(v)
                    elif k == "Video outputs":
                        self.outputs = int(v)
            elif header == "INPUT LABELS:":
                self._labels(self.input_labels, lines)
            elif header == "OUTPUT LABELS:":
                self._labels(self.output_labels, lines)
            elif header == "VIDEO OUTPUT ROUTING:":
                for ln in lines:
                    o, i = ln.split()
                    self.routing[int(o)] = int(i)
            elif header == "VIDEO OUTPUT LOCKS:":
                for ln in lines:
                    o, s = ln.split()
                    self.locks[int(o)] = s
            elif header == "END PRELUDE:":
                self.prelude_done = True
            else:
                self.other_blocks.append((header, list(lines)))
            self._cond.notify_all()

    @staticmethod
    def _labels(table, lines):
        for ln in lines:
            idx, _, label = ln.partition(" ")
            table[int(idx)] = label

    # ---- waiting ---------------------------------------------------------
    def wait_for(self, predicate, what, timeout=None):
        """Wait until predicate(self) is true (called under the state lock)."""
        deadline = time.monotonic() + (self.timeout if timeout is None else timeout)
        with self._cond:
            while not predicate(self):
                if self.error:
                    raise ProtocolError(self.error)
                left = deadline - time.monotonic()
                if left <= 0:
                    raise Timeout("%s: timed out waiting for %s" % (self.name, what))
                if self.closed:
                    raise ProtocolError("%s: connection closed while waiting for %s"
                                        % (self.name, what))
                self._cond.wait(left)

    def wait_prelude(self, timeout=None):
        self.wait_for(lambda c: c.prelude_done, "the initial dump (END PRELUDE)", timeout)

    def snapshot(self):
        with self._cond:
            return {
                "device_present": self.device_present,
                "inputs": self.inputs,
                "outputs": self.outputs,
                "input_labels": dict(self.input_labels),
                "output_labels": dict(self.output_labels),
                "routing": dict(self.routing),
                "locks": dict(self.locks),
                "block_counts": dict(self.block_counts),
            }

    # ---- sending ---------------------------------------------------------
    def send_raw(self, data):
        self.sock.sendall(data if isinstance(data, bytes) else data.encode("utf-8"))

    def request(self, header, lines=(), timeout=None):
        """Send one block and return 'ACK' or 'NAK'."""
        text = header + "\n" + "".join(l + "\n" for l in lines) + "\n"
        with self._send_lock:
            with self._cond:
                if self.responses:
                    raise ProtocolError("%s: unsolicited reply(s) %r before sending %r"
                                        % (self.name, self.responses, header))
            self.send_raw(text)
            self.wait_for(lambda c: c.responses, "ACK/NAK to %r" % header, timeout)
            with self._cond:
                return self.responses.pop(0)

    def burst(self, blocks, timeout=None):
        """Send several blocks, each (header, lines), back to back in one write,
        then collect one reply per block; returns the list of replies."""
        text = "".join(h + "\n" + "".join(l + "\n" for l in ls) + "\n" for h, ls in blocks)
        n = len(blocks)
        with self._send_lock:
            with self._cond:
                if self.responses:
                    raise ProtocolError("%s: unsolicited reply(s) %r before a burst"
                                        % (self.name, self.responses))
            self.send_raw(text)
            self.wait_for(lambda c: len(c.responses) >= n,
                          "%d replies to a burst of %d blocks" % (n, n), timeout)
            with self._cond:
                replies, self.responses = self.responses[:n], self.responses[n:]
                return replies

    def route(self, output, inp, **kw):
        return self.request("VIDEO OUTPUT ROUTING:", ["%d %d" % (output, inp)], **kw)

    def set_input_label(self, index, label, **kw):
        return self.request("INPUT LABELS:", ["%d %s" % (index, label)], **kw)

    def set_output_label(self, index, label, **kw):
        return self.request("OUTPUT LABELS:", ["%d %s" % (index, label)], **kw)

    def lock(self, output, **kw):
        return self.request("VIDEO OUTPUT LOCKS:", ["%d O" % output], **kw)

    def unlock(self, output, **kw):
        return self.request("VIDEO OUTPUT LOCKS:", ["%d U" % output], **kw)

    def ping(self, **kw):
        return self.request("PING:", **kw)

    def close(self):
        try:
            self.sock.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        self.sock.close()
        self._reader.join(1.0)
