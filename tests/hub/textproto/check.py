#!/usr/bin/env python3
"""Scenario check of the hub's text face with an independent client.

Two clients A and B (and a third, C, that disconnects mid-block) exercise the
dump, pushed updates, labels, locks, ping and error handling.  Exit 0 on
success; on the first failure print what failed and exit 1.  Every wait is
bounded by --timeout.
"""

import argparse
import os
import socket
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from textclient import TextClient, ProtocolError, Timeout  # noqa: E402


class CheckFailed(Exception):
    pass


def expect(cond, msg):
    if not cond:
        raise CheckFailed(msg)


def step(msg):
    print("check: " + msg, flush=True)


def settle(clients, seconds):
    """Give pushed blocks time to arrive, then make sure each connection has
    caught up with a ping (the reply comes after anything queued before it)."""
    time.sleep(seconds)
    for c in clients:
        r = c.ping()
        expect(r == "ACK", "%s: PING answered %s" % (c.name, r))


def run(args):
    T = args.timeout
    a = TextClient(args.host, args.port, T, "A")
    b = TextClient(args.host, args.port, T, "B", source=args.other_address)
    clients = [a, b]
    restore = []  # (description, callable) run at the end
    try:
        # 1. Full dump on both.
        for c in clients:
            c.wait_prelude()
            s = c.snapshot()
            expect(s["device_present"] == "true",
                   "%s: dump says device present %r, want true" % (c.name, s["device_present"]))
            expect(s["inputs"] and s["inputs"] > 0 and s["outputs"] and s["outputs"] > 0,
                   "%s: dump has no usable input/output counts (%r, %r)"
                   % (c.name, s["inputs"], s["outputs"]))
            for what, table, n in (("input labels", s["input_labels"], s["inputs"]),
                                   ("output labels", s["output_labels"], s["outputs"]),
                                   ("routing", s["routing"], s["outputs"]),
                                   ("locks", s["locks"], s["outputs"])):
                expect(sorted(table) == list(range(n)),
                       "%s: dump %s covers indices %r, want 0..%d"
                       % (c.name, what, sorted(table), n - 1))
            for o, i in s["routing"].items():
                expect(0 <= i < s["inputs"],
                       "%s: dump routes output %d to input %d, out of range" % (c.name, o, i))
            for o, l in s["locks"].items():
                expect(l in ("O", "L", "U"), "%s: lock state %r of output %d" % (c.name, l, o))
        sa, sb = a.snapshot(), b.snapshot()
        expect((sa["inputs"], sa["outputs"]) == (sb["inputs"], sb["outputs"]),
               "A and B got different counts: %r vs %r"
               % ((sa["inputs"], sa["outputs"]), (sb["inputs"], sb["outputs"])))
        expect(sa["routing"] == sb["routing"], "A and B got different routing in the dump")
        expect(sa["input_labels"] == sb["input_labels"] and
               sa["output_labels"] == sb["output_labels"],
               "A and B got different labels in the dump")
        n_in, n_out = sa["inputs"], sa["outputs"]
        expect(n_in >= 3, "need at least 3 inputs to tell routes apart, have %d" % n_in)
        step("dump: device present, %d inputs, %d outputs, same on A and B" % (n_in, n_out))

        free = [o for o in range(n_out) if sa["locks"][o] == "U" and sb["locks"][o] == "U"]
        expect(free, "no unlocked output to work on")
        out = args.output if args.output is not None else free[0]
        expect(out in free, "output %d is locked or out of range" % out)
        orig_in = sa["routing"][out]
        new_in = (orig_in + 1) % n_in
        other_in = (orig_in + 2) % n_in
        orig_in_label = sa["input_labels"][new_in]
        orig_out_label = sa["output_labels"][out]
        restore.append(("route", lambda **kw: a.route(out, orig_in, **kw)))

        # 2. A routes; B receives the push.
        r = a.route(out, new_in)
        expect(r == "ACK", "A: route %d->%d answered %s, want ACK" % (out, new_in, r))
        for c in clients:
            c.wait_for(lambda c: c.routing.get(out) == new_in,
                       "routing of output %d to become %d" % (out, new_in))
        step("route: A took output %d to input %d, ACK, pushed to A and B" % (out, new_in))

        # 3. Labels, one of them non-ASCII UTF-8.
        tag = "%d" % (os.getpid() % 10000)
        in_label = "Kamera Ü→ñ %s" % tag
        out_label = "Out check %s" % tag
        restore.append(("input label", lambda **kw: a.set_input_label(new_in, orig_in_label, **kw)))
        restore.append(("output label", lambda **kw: a.set_output_label(out, orig_out_label, **kw)))
        r = a.set_input_label(new_in, in_label)
        expect(r == "ACK", "A: input label set answered %s, want ACK" % r)
        r = a.set_output_label(out, out_label)
        expect(r == "ACK", "A: output label set answered %s, want ACK" % r)
        for c in clients:
            c.wait_for(lambda c: c.input_labels.get(new_in) == in_label,
                       "input label %d to become %r" % (new_in, in_label))
            c.wait_for(lambda c: c.output_labels.get(out) == out_label,
                       "output label %d to become %r" % (out, out_label))
        step("labels: input %d and output %d set by A, pushed to A and B" % (new_in, out))

        # 4. A tool from A's address connects, locks and leaves: the lock is the
        # address's, so it stays; A sees O, B (another address) sees L.
        restore.insert(0, ("unlock", lambda **kw: a.unlock(out, **kw)))
        t = TextClient(args.host, args.port, T, "T")
        try:
            t.wait_prelude()
            r = t.lock(out)
            expect(r == "ACK", "T: lock of output %d answered %s, want ACK" % (out, r))
        finally:
            t.close()
        a.wait_for(lambda c: c.locks.get(out) == "O", "A to see output %d owned (O)" % out)
        b.wait_for(lambda c: c.locks.get(out) == "L", "B to see output %d locked (L)" % out)
        settle(clients, args.settle)
        expect(a.snapshot()["locks"].get(out) == "O",
               "the lock of output %d went with the connection that made it" % out)
        step("lock: T (A's address) locked output %d and left; A sees O, B sees L" % out)

        # 5. B routes the locked output: NAK, or ACK with no change.
        r = b.route(out, other_in)
        expect(r in ("ACK", "NAK"), "B: route of locked output answered %r" % r)
        settle(clients, args.settle)
        for c in clients:
            got = c.snapshot()["routing"].get(out)
            expect(got == new_in,
                   "%s: output %d locked by A was rerouted by B to %r (want %d unchanged)"
                   % (c.name, out, got, new_in))
        step("lock holds: B's route of output %d answered %s, routing unchanged" % (out, r))

        # B cannot release A's lock with U either.
        r = b.unlock(out)
        settle(clients, args.settle)
        expect(a.snapshot()["locks"].get(out) == "O" and b.snapshot()["locks"].get(out) == "L",
               "B released the lock of A on output %d with U (answer %s)" % (out, r))
        step("lock holds: B's unlock of output %d answered %s, still locked" % (out, r))

        # 6. A, another connection of the address that locked, unlocks; B sees U.
        r = a.unlock(out)
        expect(r == "ACK", "A: unlock of output %d answered %s, want ACK" % (out, r))
        restore.pop(0)
        for c in clients:
            c.wait_for(lambda c: c.locks.get(out) == "U", "output %d to be unlocked (U)" % out)
        step("unlock: A unlocked T's lock of output %d; A and B see U" % out)

        # 7. Bursts: 72 one-line routing blocks back to back, then one block of
        # 72 lines; every block answered ACK and every route applied.
        n_burst = 72
        burst = [("VIDEO OUTPUT ROUTING:", ["%d %d" % (out, k % n_in)]) for k in range(n_burst)]
        replies = b.burst(burst)
        expect(replies == ["ACK"] * n_burst,
               "B: burst of %d one-line routing blocks answered %r" % (n_burst, replies))
        last_in = (n_burst - 1) % n_in
        for c in clients:
            c.wait_for(lambda c: c.routing.get(out) == last_in,
                       "output %d to end on input %d after the burst" % (out, last_in))
        work = [o for o in free]
        orig_routing = {o: sa["routing"][o] for o in work}
        restore.insert(0, ("routing", lambda **kw: a.request(
            "VIDEO OUTPUT ROUTING:", ["%d %d" % (o, i) for o, i in orig_routing.items()], **kw)))
        lines = ["%d %d" % (work[k % len(work)], (k // len(work) + 1) % n_in)
                 for k in range(n_burst)]
        want = {}
        for ln in lines:
            o, i = map(int, ln.split())
            want[o] = i
        r = b.request("VIDEO OUTPUT ROUTING:", lines)
        expect(r == "ACK", "B: one block of %d routing lines answered %s" % (n_burst, r))
        for c in clients:
            c.wait_for(lambda c: all(c.routing.get(o) == i for o, i in want.items()),
                       "the %d-line routing block to be applied in full" % n_burst)
        r = a.request("VIDEO OUTPUT ROUTING:",
                      ["%d %d" % (o, i) for o, i in orig_routing.items()])
        expect(r == "ACK", "A: routing set back after the bursts answered %s" % r)
        restore.pop(0)
        for c in clients:
            c.wait_for(lambda c: all(c.routing.get(o) == i for o, i in orig_routing.items()),
                       "the routing to be set back after the bursts")
        step("bursts: %d one-line blocks and one %d-line block, all ACK and applied"
             % (n_burst, n_burst))

        # 8. Ping.
        r = a.ping()
        expect(r == "ACK", "A: PING answered %s, want ACK" % r)
        step("ping: ACK")

        # 9. Unknown block: NAK, connection still usable.
        r = a.request("NO SUCH BLOCK FOR CHECK:", ["1 2"])
        expect(r == "NAK", "A: unknown block answered %s, want NAK" % r)
        r = a.ping()
        expect(r == "ACK", "A: PING after the unknown block answered %s, want ACK" % r)
        step("unknown block: NAK, then PING ACK on the same connection")

        # 10. C sends half a block and disconnects: no change seen by A or B.
        before = [c.snapshot() for c in clients]
        csock = socket.create_connection((args.host, args.port), timeout=T)
        csock.sendall(("VIDEO OUTPUT ROUTING:\n%d %d\n" % (out, other_in)).encode())
        csock.sendall(("INPUT LABELS:\n%d cut off label\n" % new_in).encode())
        time.sleep(0.1)
        csock.close()
        settle(clients, args.settle)
        for c, s0 in zip(clients, before):
            s1 = c.snapshot()
            for key in ("routing", "input_labels", "output_labels", "locks"):
                expect(s1[key] == s0[key],
                       "%s: %s changed after a client disconnected mid-block" % (c.name, key))
            for h in ("VIDEO OUTPUT ROUTING:", "INPUT LABELS:"):
                expect(s1["block_counts"].get(h, 0) == s0["block_counts"].get(h, 0),
                       "%s: got a %s block after a client disconnected mid-block" % (c.name, h))
        step("cut-off block: A and B saw no change")

        # 11. Restore.
        while restore:
            what, fn = restore.pop()
            r = fn()
            expect(r == "ACK", "A: restoring the %s answered %s" % (what, r))
        for c in clients:
            c.wait_for(lambda c: c.routing.get(out) == orig_in, "the route to be restored")
            c.wait_for(lambda c: c.input_labels.get(new_in) == orig_in_label,
                       "the input label to be restored")
            c.wait_for(lambda c: c.output_labels.get(out) == orig_out_label,
                       "the output label to be restored")
        step("restored: route and labels back as found")
    finally:
        # Best effort if a failure left things changed.
        for what, fn in reversed(restore):
            try:
                fn(timeout=T)
            except Exception:
                pass
        for c in clients:
            c.close()


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--host", default="127.0.0.1", help="host of the text face")
    p.add_argument("--port", type=int, default=9990, help="port of the text face")
    p.add_argument("--timeout", type=float, default=5.0,
                   help="bound of every wait, seconds (default 5)")
    p.add_argument("--settle", type=float, default=0.3,
                   help="time to wait for a push that must NOT come, seconds")
    p.add_argument("--other-address", default="127.0.0.2",
                   help="local address client B connects from, so that the server "
                        "sees two client addresses (default 127.0.0.2, a loopback "
                        "address)")
    p.add_argument("--output", type=int, default=None,
                   help="output to work on (default: the first unlocked one)")
    args = p.parse_args()
    try:
        run(args)
    except (CheckFailed, ProtocolError, Timeout) as e:
        print("check: FAIL: %s" % e, file=sys.stderr)
        return 1
    except OSError as e:
        print("check: FAIL: connection to %s:%d: %s" % (args.host, args.port, e),
              file=sys.stderr)
        return 1
    print("check: OK")
    return 0


if __name__ == "__main__":
    sys.exit(main())
