// The programs of a process test: vantel-sim (one connection at a time, like hardware) and
// vantel-hub in front of it with its Ember+ face, on 127.0.0.1 with ports the system picks,
// and a settings file of their own. Every process is ended by its own process id.
'use strict';
const { spawn, execFile } = require('node:child_process');
const fs = require('node:fs');
const net = require('node:net');
const os = require('node:os');
const path = require('node:path');
const readline = require('node:readline');

const SIM = process.env.VANTEL_SIM_EXE;
const HUB = process.env.VANTEL_HUB_EXE;
const CTL = process.env.VANTELCTL_EXE;

// Resolves with the first capture of the first stdout line that matches re.
function lineMatching(child, re, ms = 10000) {
    return new Promise((resolve, reject) => {
        const lines = readline.createInterface({ input: child.stdout });
        const timer = setTimeout(() => reject(new Error(`no line ${re} in time`)), ms);
        lines.on('line', (line) => {
            const m = re.exec(line);
            if (m) {
                clearTimeout(timer);
                resolve(m[1]);
            }
        });
        child.on('exit', () => reject(new Error(`exited before printing ${re}`)));
    });
}

// The prelude the hub's text face sends on connect, up to END PRELUDE.
function textPrelude(port) {
    return new Promise((resolve, reject) => {
        const socket = net.connect(port, '127.0.0.1');
        let text = '';
        socket.on('data', (d) => {
            text += d;
            if (text.includes('END PRELUDE:\n\n')) {
                socket.destroy();
                resolve(text);
            }
        });
        socket.on('error', reject);
    });
}

function stop(child, signal) {
    return new Promise((resolve) => {
        if (!child || child.exitCode !== null || child.signalCode !== null) {
            resolve(child ? child.exitCode : 0);
            return;
        }
        child.once('exit', (code) => resolve(code));
        process.kill(child.pid, signal);
    });
}

class Rig {
    constructor({ inputs = 4, outputs = 4 } = {}) {
        this.inputs = inputs;
        this.outputs = outputs;
        this.dir = fs.mkdtempSync(path.join(os.tmpdir(), 'vantel-ember-'));
        this.settings = path.join(this.dir, 'setup.ini');
        fs.writeFileSync(this.settings, '[BUTTON]\n3000=Cam 1\n');
        this.hubErr = '';
    }

    async start() {
        await this.startSim(0);
        this.hub = spawn(HUB, [
            '--listen', '127.0.0.1:0', '--text-listen', '127.0.0.1:0',
            '--ember-listen', '127.0.0.1:0', '--device', `127.0.0.1:${this.simPort}`,
            '--config', this.settings, '--refresh', '50', '--timeout', '300',
        ]);
        this.hub.stderr.on('data', (d) => { this.hubErr += d; });
        const lines = readline.createInterface({ input: this.hub.stdout });
        const ports = {};
        await new Promise((resolve, reject) => {
            const timer = setTimeout(() => reject(new Error('hub did not listen')), 10000);
            lines.on('line', (line) => {
                const m = /^(|text |ember )listening on 127\.0\.0\.1:(\d+)$/.exec(line);
                if (m) ports[m[1].trim() || 'station'] = Number(m[2]);
                if (ports.ember) {
                    clearTimeout(timer);
                    resolve();
                }
            });
        });
        this.stationPort = ports.station;
        this.textPort = ports.text;
        this.emberPort = ports.ember;
        await this.untilPresent();
    }

    // Until the hub has read the device, so that a consumer browses the device's counts.
    async untilPresent(ms = 10000) {
        const deadline = Date.now() + ms;
        while (!(await textPrelude(this.textPort)).includes('Device present: true')) {
            if (Date.now() > deadline) throw new Error('the hub did not find the device');
            await new Promise((r) => setTimeout(r, 50));
        }
    }

    async startSim(port) {
        this.sim = spawn(SIM, ['--listen', `127.0.0.1:${port}`, '--max-clients', '1',
            '--inputs', String(this.inputs), '--outputs', String(this.outputs)]);
        this.simPort = Number(await lineMatching(this.sim, /^listening on 127\.0\.0\.1:(\d+)$/));
    }

    async killSim() {
        await stop(this.sim, 'SIGKILL');
    }

    // vantelctl through the hub's station face: { code, out, err }.
    ctl(...args) {
        return new Promise((resolve) => {
            execFile(CTL, ['--host', `127.0.0.1:${this.stationPort}`, '--config', this.settings,
                '--timeout', '300', ...args], (error, out, err) => {
                resolve({ code: error ? error.code : 0, out, err });
            });
        });
    }

    // Ends both; the hub must end cleanly on SIGTERM.
    async close() {
        const code = await stop(this.hub, 'SIGTERM');
        await stop(this.sim, 'SIGKILL');
        fs.rmSync(this.dir, { recursive: true, force: true });
        return code;
    }
}

// Polls cond every 10 ms until it holds; rejects after ms.
async function waitFor(cond, ms = 3000, what = 'condition') {
    const end = Date.now() + ms;
    for (;;) {
        if (await cond()) return;
        if (Date.now() > end) throw new Error(`timed out waiting for ${what}`);
        await new Promise((r) => setTimeout(r, 10));
    }
}

module.exports = { Rig, waitFor };
