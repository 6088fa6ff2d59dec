// Two emberplus-connection consumers against the server's Ember+ port.
//
//   node consumers.js HOST PORT TARGET SOURCE STAY_MS
//
// Consumer A browses the whole tree and routes SOURCE to TARGET with
// matrixConnect; consumer B has expanded the tree too and must see the take.
// Both subscribe to the matrix first and record every change of TARGET they
// apply (tallyA, tallyB). Both then stay connected for STAY_MS over
// keep-alives and ask once more. Prints one JSON line with what they saw;
// exits 1 with the reason on a fault.
//
// How the consumer behaves (found by running it against a bare socket and a
// logging proxy):
// - connect() opens the socket and sends nothing; every request is an EmBER
//   packet (flags C0, Glow DTD version 2.31) holding a Root with one element.
// - getDirectory(tree) sends a bare GetDirectory command at the root; expand()
//   then sends, for every node it has learnt of, a QualifiedNode with its known
//   contents and a GetDirectory child, and for a matrix a QualifiedMatrix. It
//   waits for an answer on that path before it goes deeper; a matrix counts as
//   expanded only when its answer carries a children collection.
// - Subscribe and a repeated GetDirectory on a matrix carry every connection
//   the consumer knows (with no operation): a provider must not take those.
// - matrixConnect sends the QualifiedMatrix with an empty children collection
//   and one Connection (operation connect) and waits for an answer on the matrix.
// - A matrix update replaces the consumer's connections with those it carries;
//   subscription callbacks see each message applied in turn, whereas a
//   request's promise may settle after a later message was applied too.
// - A request unanswered for 3 s is rejected. Every 10 s the consumer sends a
//   keep-alive request (00 0E 01 01) and closes the connection when no
//   response has come 500 ms later; then it reconnects by itself.
'use strict';
const { EmberClient } = require('emberplus-connection');

const [host, port, target, source, stayMs] = process.argv.slice(2);
const wantTarget = Number(target);
const wantSource = Number(source);

function fail(reason) {
  console.error('consumers: ' + reason);
  process.exit(1);
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

async function until(test, ms, what) {
  for (const end = Date.now() + ms; Date.now() < end; await sleep(50))
    if (test()) return;
  fail('timed out waiting for ' + what);
}

async function consumer(name) {
  const c = new EmberClient(host, Number(port));
  c.disconnects = 0;
  c.on('error', () => {});
  c.on('disconnected', () => c.disconnects++);
  const err = await c.connect();
  if (err) fail(name + ' could not connect: ' + err);
  await (await c.getDirectory(c.tree)).response;
  await c.expand(c.tree);
  return c;
}

async function element(c, path) {
  const e = await c.getElementByPath(path);
  if (!e) fail('no element at ' + path);
  return e;
}

// The values of the parameters under a node, by number.
async function values(c, path) {
  const node = await element(c, path);
  const out = [];
  for (const [n, child] of Object.entries(node.children || {})) out[Number(n)] = child.contents.value;
  return out;
}

// Records the connection of the wanted target each time the matrix changes,
// as "sources disposition", in the order the consumer applied the messages.
function recorder(list) {
  return (node) => {
    const conn = (node.contents.connections || {})[wantTarget];
    if (conn) list.push((conn.sources || []).join('.') + ' ' + conn.disposition);
  };
}

async function main() {
  const a = await consumer('A');
  // Before B comes: the count of connections grows by one when it does.
  const status = await values(a, '1.3');
  const b = await consumer('B');
  const hvn = await element(a, '1');
  const matrix = await element(a, '1.1');
  const bMatrix = await element(b, '1.1');
  const m = matrix.contents;
  const seen = {
    caption: hvn.contents.description,
    targetCount: m.targetCount,
    sourceCount: m.sourceCount,
    labels: (m.labels || []).map((l) => l.basePath + ' ' + l.description),
    connected: Object.keys(m.connections || {}).length,
    targets: await values(a, '1.2.1'),
    sources: await values(a, '1.2.2'),
    status,
    tallyA: [],
    tallyB: [],
  };

  // A Subscribe carries every connection the consumer knows: one that is
  // not so (a decoy put in A's own tree) must not be taken.
  m.connections[wantTarget] = { target: wantTarget, sources: [(wantSource + 1) % m.sourceCount] };
  await a.subscribe(matrix, recorder(seen.tallyA));
  await b.subscribe(bMatrix, recorder(seen.tallyB));
  await sleep(500);
  const req = await a.matrixConnect(matrix, wantTarget, [wantSource]);
  await req.response;
  await until(() => seen.tallyA.length >= 2 && seen.tallyB.length >= 1, 5000, 'the tallies');
  await sleep(200);

  await sleep(Number(stayMs));
  await (await a.getDirectory(await element(a, '1.3'))).response;
  seen.statusAfter = await values(a, '1.3');
  seen.disconnects = a.disconnects + b.disconnects;
  console.log(JSON.stringify(seen));
  await a.disconnect();
  await b.disconnect();
  process.exit(0);
}

main().catch((e) => fail(e && e.message ? e.message : String(e)));
