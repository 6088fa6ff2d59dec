// Walks the SW-P-08 port of a running server with the npm client
// probel-swp-08: names, the full state, takes from two clients that each see
// the other's, an interrogation, a client of the standard commands, and (with
// --await) a take made elsewhere. Prints "ok ..." per check and exits 0, or
// prints "FAIL ..." and exits 1.
//
//   NODE_PATH=build-node/swp08/node_modules node tests/node/swp08/walk.js \
//     --port=8910 --sources=320 --destinations=320 --first-source=Inpt0001 \
//     --last-destination=Out0320 [--await=DEST:SOURCE]
//
// Numbers on the command line are 0-based, as on the wire; --await prints
// "READY" and waits for that crosspoint to reach both extended clients.
//
// What the client (0.0.24) does, found by running it against a listener that
// logged its bytes and by reading its source:
// - `extended` is always true whatever the config says (`config.extended || true`):
//   it sends 81 interrogate, 82 connect, 95 dump (one per level, for `levels`
//   levels), E4 and E6 name requests. Setting `extended = false` afterwards gives
//   02, 01, 15 and the short 64 and 66 (the name length byte only, no matrix byte).
// - Without `sources` and `destinations` in the config it asks E6 then E4 at once
//   on connecting. `route(level, source, destination)` takes 1-based numbers,
//   `interrogate(destination, level, matrix)` 0-based ones.
// - It never waits for an ACK before sending; it ACKs every chunk it receives
//   that is not exactly DLE ACK, and ignores NAK. route() resolves on the first
//   DLE ACK arriving alone, or on 03, 04 or 84; interrogate() on 03 or 83.
// - It finds frames by searching for 10 02 and 10 03 in each chunk, so it cannot
//   read a frame split over two chunks, and doubles DLE in the data only: a
//   message of its own whose byte count or checksum is 10 hex reaches any server
//   broken. guard() below fails the walk if a chosen number would cause that.
// - It reads 84 and 83 by the documents (crosspoint callbacks carry
//   {matrix+1: {level+1: {destination: source}}}, both numbers 0-based), 97 with
//   1-based destinations, and EA and EB by the documents. It reads 03 and 04
//   with its tally dump parser, which throws out of its socket handler and ends
//   the process; and 6A and 6B with the names one byte late once a message holds
//   16 names or more. The standard client below therefore asks 12-character
//   names (10 a message) and reads the connected messages (04) itself.
// - The server sends a client that has used no extended command the standard
//   connected message (04), which this client cannot read: each client here
//   sends an extended command before it watches for takes.
// - getState() resolves once the last destination and the last of `levels`
//   levels arrived; with `levels: 1` one dump of matrix 0, level 0 suffices.
"use strict";
const Probel = require("probel-swp-08");

const args = Object.fromEntries(
    process.argv.slice(2).map((a) => {
        const [key, ...value] = a.replace(/^--/, "").split("=");
        return [key, value.join("=")];
    })
);
const sources = Number(args.sources);
const destinations = Number(args.destinations);

const fail = (what) => {
    console.log(`FAIL ${what}`);
    process.exit(1);
};
const check = (condition, what) => {
    if (!condition) fail(what);
    console.log(`ok ${what}`);
};

function guard(client) {
    const send = client.send;
    client.send = (message) => {
        const body = message.subarray(2, message.length - 2);
        if (message.length > 2 && (body[body.length - 1] === 0x10 || body[body.length - 2] === 0x10))
            fail(`the client would send ${message.toString("hex")} without doubling a DLE`);
        return send(message);
    };
}

function newClient(extended = true) {
    const client = new Probel("127.0.0.1", { port: Number(args.port), sources, destinations, levels: 1, chars: 8 });
    client.extended = extended;
    client.seen = {};
    client.on("crosspoint", (data) => Object.assign(client.seen, data?.[1]?.[1]));
    guard(client);
    return client;
}

function sees(client, destination, source, ms = 5000) {
    return new Promise((resolve) => {
        const started = Date.now();
        const look = () => {
            if (client.seen[destination] === source) resolve(true);
            else if (Date.now() - started > ms) resolve(false);
            else setTimeout(look, 10);
        };
        look();
    });
}

async function names(a) {
    const src = await a.getSourceNames();
    check(Object.keys(src).length === sources, `${sources} source names`);
    check(src[1] === args["first-source"], `source 0 is named ${args["first-source"]}`);
    const dst = await a.getDestinationNames();
    check(Object.keys(dst).length === destinations, `${destinations} destination names`);
    check(dst[destinations] === args["last-destination"], `the last destination is ${args["last-destination"]}`);
}

async function takes(a, b) {
    const state = await a.getState();
    const dump = state?.[1]?.[1] ?? {};
    check(Object.keys(dump).length === destinations, `the dump holds ${destinations} destinations`);
    // The server tells a client in the extended form once it has used an extended command.
    await b.interrogate(0, 0, 0);
    // Destination 5 from source 9 by one client, 6 from 3 by the other.
    await a.route(1, 10, 6);
    check((await sees(a, 5, 9)) && (await sees(b, 5, 9)), "a take of one client reaches both");
    await b.route(1, 4, 7);
    check((await sees(a, 6, 3)) && (await sees(b, 6, 3)), "a take of the other reaches both");
    const tally = await b.interrogate(5, 0, 0);
    check(tally?.[1]?.[1]?.[5] === 9, "interrogating destination 5 gives source 9");
    const later = await a.getState();
    check(later?.[1]?.[1]?.[7] === 3, "the next dump shows destination 6 from source 3");
}

// The standard connected message as the documents give it: matrix and level,
// the multiplier byte (destination DIV 128 in bits 4-6, source DIV 128 in bits
// 0-2), destination and source MOD 128.
function readStandardConnected(client) {
    const original = client.processData;
    client.processData = (data) => {
        const d = [];
        for (let i = 0; i < data.length; i++) {
            d.push(data[i]);
            if (data[i] === 0x10 && data[i + 1] === 0x10) i++;
        }
        if (d[0] !== 0x04) return original(data);
        client.seen[((d[2] >> 4) & 7) * 128 + d[3]] = (d[2] & 7) * 128 + d[4];
        // What route() waits for, as the client itself would say it.
        client.events.emit(4, true);
    };
}

async function standard(a) {
    const c = newClient(false);
    c.chars = 12;
    readStandardConnected(c);
    const src = await c.getSourceNames();
    check(src[1] === args["first-source"], "the short source name request is answered");
    const dst = await c.getDestinationNames();
    check(dst[destinations] === args["last-destination"], "the short destination name request is answered");
    // Destination 130 from source 140 in the standard form, multiplier byte and all.
    if (destinations > 130 && sources > 140) {
        await c.route(1, 141, 131);
        check(await sees(a, 130, 140), "a standard take reaches an extended client as 84");
        check(await sees(c, 130, 140), "and its own client as 04 with the multiplier byte");
    }
}

async function main() {
    const a = newClient();
    const b = newClient();
    await names(a);
    await takes(a, b);
    await standard(a);
    if (args.await) {
        const [destination, source] = args.await.split(":").map(Number);
        console.log("READY");
        check((await sees(a, destination, source, 15000)) && (await sees(b, destination, source)),
              `the take of ${source} to ${destination} made elsewhere reaches both`);
    }
    process.exit(0);
}

main().catch((error) => fail(error.stack));
