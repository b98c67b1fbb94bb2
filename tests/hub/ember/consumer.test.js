// vantel-hub's Ember+ face driven by a third-party consumer (emberplus-connection), between a
// live vantel-sim and the hub's other faces.
'use strict';
const { test } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const net = require('node:net');
const { EmberClient, Model, S101Codec } = require('emberplus-connection');
const { Rig, waitFor } = require('./rig');

const Matrix = Model.ElementType.Matrix;

async function consumer(rig) {
    const client = new EmberClient('127.0.0.1', rig.emberPort, 3000);
    client.on('error', () => {});
    const err = await client.connect();
    assert.equal(err, undefined);
    await (await client.getDirectory(client.tree)).response;
    const device = await client.getElementByPath('vantel');
    await (await client.getDirectory(device)).response;
    return { client, device };
}

// Asks for the matrix's connections. The consumer waits for children a matrix does not have,
// so its request is left to time out; the connections land in its tree.
async function watchMatrix(client, matrix, onChange) {
    const req = await client.getDirectory(matrix, undefined, onChange);
    if (req.response) req.response.catch(() => {});
    await waitFor(() => matrix.contents.connections &&
        Object.keys(matrix.contents.connections).length === matrix.contents.targetCount,
    3000, 'the connections');
}

function sourcesOf(matrix, target) {
    const c = matrix.contents.connections && matrix.contents.connections[target];
    return c ? c.sources : undefined;
}

// The text face's dump: routing (output -> input) and labels, read on a connection of its own.
function textDump(rig) {
    return new Promise((resolve, reject) => {
        const socket = net.connect(rig.textPort, '127.0.0.1');
        let text = '';
        socket.on('data', (d) => {
            text += d;
            if (text.includes('END PRELUDE:\n\n')) {
                socket.destroy();
                const block = (name) => {
                    const m = new RegExp(`${name}:\\n([^]*?)\\n\\n`).exec(text);
                    const out = {};
                    for (const line of m ? m[1].split('\n') : []) {
                        const sp = line.indexOf(' ');
                        out[Number(line.slice(0, sp))] = line.slice(sp + 1);
                    }
                    return out;
                };
                resolve({ routing: block('VIDEO OUTPUT ROUTING'), inputs: block('INPUT LABELS') });
            }
        });
        socket.on('error', reject);
    });
}

// A text-face client on another loopback address (locks belong to the address) that locks an
// output for itself.
async function lockOnTextFace(rig, output) {
    const socket = net.connect({ port: rig.textPort, host: '127.0.0.1', localAddress: '127.0.0.2' });
    let text = '';
    socket.on('data', (d) => { text += d; });
    await waitFor(() => text.includes('END PRELUDE:\n\n'), 3000, 'the text dump');
    socket.write(`VIDEO OUTPUT LOCKS:\n${output} O\n\n`);
    await waitFor(() => text.includes('ACK\n\n'), 3000, 'the lock');
    return socket;
}

test('a consumer browses the tree, routes, renames and meets locks and bad frames', async () => {
    const rig = new Rig();
    await rig.start();
    const { client, device } = await consumer(rig);
    try {
        // The device node: online, identity, one matrix and its labels.
        const kids = device.children;
        assert.equal(kids[1].contents.identifier, 'online');
        assert.equal(kids[1].contents.value, true);
        assert.equal(kids[3].contents.value, 4);
        assert.equal(kids[4].contents.value, 4);
        const matrices = Object.values(kids).filter((k) => k.contents.type === Matrix);
        assert.equal(matrices.length, 1);
        const matrix = matrices[0];
        assert.equal(matrix.contents.matrixType, Model.MatrixType.OneToN);
        assert.equal(matrix.contents.addressingMode, Model.MatrixAddressingMode.Linear);
        assert.equal(matrix.contents.targetCount, 4);
        assert.equal(matrix.contents.sourceCount, 4);
        assert.equal(matrix.contents.labels[0].basePath, '1.6');

        // A fresh device routes output j from input j.
        await watchMatrix(client, matrix);
        for (let j = 0; j < 4; ++j) assert.deepEqual(sourcesOf(matrix, j), [j]);

        // Labels: the text face's (a button without one shows its number from 1).
        const sources = await client.getElementByPath('vantel.labels.sources');
        await (await client.getDirectory(sources)).response;
        assert.deepEqual(Object.values(sources.children).map((p) => p.contents.value),
            ['Cam 1', '2', '3', '4']);

        // Connect: answered tally once the device holds it, and the device holds it.
        const answer = await (await client.matrixConnect(matrix, 2, [3])).response;
        assert.deepEqual(answer.contents.connections[2].sources, [3]);
        assert.equal(answer.contents.connections[2].disposition, 'TALLY');
        assert.equal((await textDump(rig)).routing[2], '3');

        // A change made by vantelctl reaches every consumer that asked for the matrix; input 1
        // taken from output 1 leaves target 0 fed by nothing.
        const others = [];
        for (let i = 0; i < 3; ++i) {
            const other = await consumer(rig);
            const m = Object.values(other.device.children).find((k) => k.contents.type === Matrix);
            await watchMatrix(other.client, m);
            others.push({ ...other, matrix: m });
        }
        const routed = await rig.ctl('route', '1', '4');
        assert.equal(routed.code, 0, routed.err);
        for (const o of others) {
            await waitFor(() => String(sourcesOf(o.matrix, 3)) === '0' &&
                sourcesOf(o.matrix, 0) && sourcesOf(o.matrix, 0).length === 0, 3000, 'the push');
        }

        // A label written here is stored as the text face stores it, and pushed.
        const otherSources = await others[0].client.getElementByPath('vantel.labels.sources');
        await (await others[0].client.getDirectory(otherSources)).response;
        const renamed = await (await client.setValue(sources.children[1], 'Desk')).response;
        assert.equal(renamed.contents.value, 'Desk');
        assert.match(fs.readFileSync(rig.settings, 'latin1'), /^3001=Desk\r?$/m);
        assert.equal((await textDump(rig)).inputs[1], 'Desk');
        await waitFor(() => otherSources.children[1].contents.value === 'Desk', 3000, 'label push');
        const long = await (await client.setValue(sources.children[2], 'x'.repeat(300))).response;
        assert.equal(long.contents.value, 'x'.repeat(254));

        // A target locked on the text face is answered locked and left alone.
        const locker = await lockOnTextFace(rig, 1);
        const refused = await (await client.matrixConnect(matrix, 1, [0])).response;
        assert.equal(refused.contents.connections[1].disposition, 'LOCKED');
        assert.deepEqual(refused.contents.connections[1].sources, [1]);
        assert.equal((await textDump(rig)).routing[1], '1');
        locker.destroy();

        // Bad frames from a socket of our own are dropped; the connection stays and its
        // keep-alive is answered; other consumers are not affected.
        const codec = new S101Codec();
        const good = codec.keepAliveRequest();
        const badCrc = Buffer.from(good);
        badCrc[badCrc.length - 2] ^= 1;
        const raw = net.connect(rig.emberPort, '127.0.0.1');
        let got = Buffer.alloc(0);
        raw.on('data', (d) => { got = Buffer.concat([got, d]); });
        await new Promise((r) => raw.once('connect', r));
        raw.write(Buffer.concat([
            Buffer.from('noise'), badCrc, good.subarray(0, 4),
            ...codec.encodeBER(Buffer.from('600a6b08a0066a04', 'hex')),  // lengths past data
            ...codec.encodeBER(Buffer.from('3000', 'hex')),  // no Glow root
            Buffer.concat([Buffer.from([0xfe]), Buffer.alloc(20000, 0x41), Buffer.from([0xff])]),
            good,
        ]));
        await waitFor(() => got.equals(codec.keepAliveResponse()), 3000, 'keep-alive answer');
        const again = await (await client.getDirectory(device)).response;
        assert.equal(again.contents.identifier, 'vantel');
        raw.destroy();

        for (const o of others) o.client.discard();
    } finally {
        client.discard();
        assert.equal(await rig.close(), 0, rig.hubErr);
    }
});

test('device gone: online false, nothing applied; device back: online, then the routing', async () => {
    const rig = new Rig();
    await rig.start();
    const { client, device } = await consumer(rig);
    try {
        const events = [];
        const online = await client.getElementByPath('vantel.online', (n) => {
            events.push(`online ${n.contents.value}`);
        });
        const matrix = Object.values(device.children).find((k) => k.contents.type === Matrix);
        await watchMatrix(client, matrix, () => events.push('routing'));
        const simPort = rig.simPort;

        await rig.killSim();
        await waitFor(() => online.contents.value === false, 6000, 'online false');

        // A connect meanwhile is not answered as made...
        const req = await client.matrixConnect(matrix, 0, [3]);
        await assert.rejects(req.response);

        events.length = 0;
        await rig.startSim(simPort);
        await waitFor(() => online.contents.value === true, 6000, 'online true');
        await waitFor(() => events.includes('routing'), 3000, 'the routing pushed');
        assert.equal(events[0], 'online true');
        // ...nor applied later: the new device keeps its own routing.
        for (let j = 0; j < 4; ++j) assert.deepEqual(sourcesOf(matrix, j), [j]);
        assert.equal((await textDump(rig)).routing[0], '0');
    } finally {
        client.discard();
        assert.equal(await rig.close(), 0, rig.hubErr);
    }
});

test('a 72 x 72 switcher is routed entirely from a consumer', async () => {
    const rig = new Rig({ inputs: 72, outputs: 72 });
    await rig.start();
    const { client, device } = await consumer(rig);
    try {
        const matrix = Object.values(device.children).find((k) => k.contents.type === Matrix);
        assert.equal(matrix.contents.targetCount, 72);
        await watchMatrix(client, matrix);
        const wanted = (j) => (j * 5 + 3) % 72;
        for (let j = 0; j < 72; ++j) {
            const answer = await (await client.matrixSetConnection(matrix, j, [wanted(j)])).response;
            assert.deepEqual(answer.contents.connections[j].sources, [wanted(j)]);
        }
        const { routing } = await textDump(rig);
        for (let j = 0; j < 72; ++j) assert.equal(routing[j], String(wanted(j)));
    } finally {
        client.discard();
        assert.equal(await rig.close(), 0, rig.hubErr);
    }
});
