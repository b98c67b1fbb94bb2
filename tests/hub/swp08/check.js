// A third-party SW-P-08 client (the npm package probel-swp-08, which speaks the extended
// commands) against vantel-hub's SW-P-08 face, with a 4 x 4 device behind the hub whose input 1
// is labelled "Cam 1". Prints one "check: ..." line per step passed; exits 1 with
// "check: FAIL: ..." at the first that fails.
//
//   node check.js --port P --ctl VANTELCTL --station HOST:PORT --config SETUP.INI
//
// After the last step that needs the device it prints "check: restart the device" and waits
// for the tally dump the hub sends when the device comes back (the test restarts it then).
"use strict";

const net = require("net");
const { execFileSync } = require("child_process");
const Probel = require("probel-swp-08");
const { message } = require("probel-swp-08/utils/utils");

const args = {};
for (let i = 2; i + 1 < process.argv.length; i += 2) {
    args[process.argv[i].replace(/^--/, "")] = process.argv[i + 1];
}
const port = Number(args.port);
const kTimeout = 8000;

const fail = (why) => {
    console.log(`check: FAIL: ${why}`);
    process.exit(1);
};
const pass = (what) => console.log(`check: ${what}`);
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// The package connects to the address it is given; a second client from another loopback
// address is made by naming the local address of its socket.
let nextLocalAddress = null;
const connect = net.Socket.prototype.connect;
net.Socket.prototype.connect = function (options, ...rest) {
    if (nextLocalAddress && typeof options === "object") {
        options = { ...options, localAddress: nextLocalAddress };
        nextLocalAddress = null;
    }
    return connect.call(this, options, ...rest);
};

const open = async (localAddress) => {
    nextLocalAddress = localAddress;
    const client = new Probel("127.0.0.1", { port, sources: 4, destinations: 4, levels: 1 });
    // Every frame the hub sends, as raw bytes, for the messages the package does not decode.
    client.raw = [];
    client.client.on("data", (data) => client.raw.push(...data));
    const deadline = Date.now() + kTimeout;
    while (!client.connected && Date.now() < deadline) {
        await sleep(20);
    }
    if (!client.connected) {
        fail(`no connection to 127.0.0.1:${port}`);
    }
    return client;
};

// Waits until cond() holds; false when it does not within the time-out.
const waitFor = async (cond, ms = kTimeout) => {
    const deadline = Date.now() + ms;
    while (Date.now() < deadline) {
        if (cond()) {
            return true;
        }
        await sleep(20);
    }
    return cond();
};

// The frames of a command among the raw bytes received, their DLE pairs undone.
const framesOf = (client, cmd) => {
    const found = [];
    const b = client.raw;
    for (let i = 0; i + 2 < b.length; i++) {
        if (b[i] !== 0x10 || b[i + 1] !== 0x02 || b[i + 2] !== cmd) {
            continue;
        }
        const body = [];
        for (let k = i + 2; k + 1 < b.length; k++) {
            if (b[k] === 0x10 && b[k + 1] === 0x10) {
                body.push(0x10);
                k++;
            } else if (b[k] === 0x10 && b[k + 1] === 0x03) {
                found.push(body);
                break;
            } else {
                body.push(b[k]);
            }
        }
    }
    return found;
};

// The source (1-based, 0 for none) the client's tallies hold for destination d (1-based).
const tallyOf = (client, d) => {
    const v = client.tallies?.[1]?.[1]?.[d];
    return v === undefined ? undefined : v === 1023 ? 0 : v + 1;
};

// Interrogates destination d (1-based): the source (1-based) of the tally the hub answers.
const interrogate = async (client, d) => {
    const answer = await client.interrogate(d - 1, 0, 0);
    const source = answer?.[1]?.[1]?.[d - 1];
    return source === undefined ? undefined : source + 1;
};

const ctl = (...rest) => {
    try {
        execFileSync(args.ctl, ["--host", args.station, "--config", args.config, "--timeout", "300", ...rest], {
            stdio: "pipe",
        });
        return 0;
    } catch (error) {
        return error.status ?? 1;
    }
};

const main = async () => {
    const a = await open(null);

    const state = await a.getState();
    if (!state || [1, 2, 3, 4].some((d) => tallyOf(a, d) !== d)) {
        fail(`tally dump: ${JSON.stringify(a.tallies)}`);
    }
    pass("tally dump: destinations 1-4 fed by sources 1-4");

    const sources = await a.getSourceNames();
    const dests = await a.getDestinationNames();
    if (sources?.[1] !== "Cam 1" || sources?.[2] !== "2" || dests?.[4] !== "4") {
        fail(`names: ${JSON.stringify(sources)} ${JSON.stringify(dests)}`);
    }
    pass("names: source 1 'Cam 1', unlabelled ones by their number");

    const seen = [];
    a.on("crosspoint", (tallies) => seen.push(tallies));
    await a.route(1, 2, 3);
    if (!(await waitFor(() => seen.some((t) => t?.[1]?.[1]?.[2] === 1)))) {
        fail(`route 2 -> 3: no Connected (${JSON.stringify(seen)})`);
    }
    if ((await interrogate(a, 3)) !== 2) {
        fail("route 2 -> 3 not held by the device");
    }
    pass("route: Connected for destination 3 from source 2");

    // vantelctl: input 1 feeds outputs 1 and 4.
    if (ctl("route", "1", "1", "4") !== 0) {
        fail("vantelctl route 1 1 4 failed");
    }
    if (!(await waitFor(() => seen.some((t) => t?.[1]?.[1]?.[3] === 0)))) {
        fail(`vantelctl's route 1 -> 4 not pushed (${JSON.stringify(seen)})`);
    }
    pass("a route made by vantelctl arrives as Connected");

    // Protect destination 2 (device 5); the answer is Protect Connected, protected.
    a.send(message(12, Buffer.from([0x00, 0x00, 0x01, 0x05])));
    if (!(await waitFor(() => framesOf(a, 0x0d).some((f) => f[1] === 1 && f[4] === 1)))) {
        fail("protect: no Protect Connected");
    }
    pass("protect: destination 2 protected");

    if (ctl("route", "3", "2") === 0) {
        fail("vantelctl routed a protected destination");
    }
    const b = await open("127.0.0.2");
    await b.route(1, 4, 2);
    b.send(message(14, Buffer.from([0x00, 0x00, 0x01, 0x05])));
    if (!(await waitFor(() => framesOf(b, 0x0b).some((f) => f[1] === 1 && f[4] === 1)))) {
        fail("another address's Protect Disconnect not answered protected");
    }
    if ((await interrogate(b, 2)) !== 2 || framesOf(b, 0x0f).length !== 0) {
        fail("another address changed a protected destination");
    }
    b.client.destroy();
    pass("protect: vantelctl and a client of another address are refused");

    a.send(message(14, Buffer.from([0x00, 0x00, 0x01, 0x05])));
    if (!(await waitFor(() => framesOf(a, 0x0f).some((f) => f[1] === 0 && f[4] === 1)))) {
        fail("protect: no Protect Disconnected for the owner");
    }
    pass("protect: released by its owner");

    // The device goes and comes back (a fresh one routes 1:1): a tally dump says so.
    const dumps = framesOf(a, 0x97).length;
    pass("restart the device");
    if (!(await waitFor(() => framesOf(a, 0x97).length > dumps && tallyOf(a, 3) === 3, 30000))) {
        fail(`no tally dump after the device came back (${JSON.stringify(a.tallies)})`);
    }
    pass("the device came back: tally dump received");
    process.exit(0);
};

main().catch((error) => fail(error.stack || String(error)));
