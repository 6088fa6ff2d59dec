'use strict';
// The web panel: every destination with its source, kept current by the
// events socket; a tap on a destination and then on a source makes a take.
// Numbers are 1-based, as on the server.

const panel = {
    names: { sources: [], destinations: [], salvos: [] },
    sources: [],      // per destination: its source number, or null
    tiles: [],        // per destination: { item, label, source }
    chosen: 0,        // the destination the picker is open for
    retryMs: 500,
};

const byId = (id) => document.getElementById(id);

function sourceName(n) {
    return n ? `${n} ${panel.names.sources[n - 1] || ''}`.trim() : 'none';
}

function destinationName(n) {
    return `${n} ${panel.names.destinations[n - 1] || ''}`.trim();
}

function button(number, name, kind) {
    const b = document.createElement('button');
    b.type = 'button';
    b.dataset[kind] = number;
    const label = document.createElement('span');
    label.className = 'name';
    label.textContent = name;
    b.append(label);
    return b;
}

function showSource(d) {
    const tile = panel.tiles[d - 1];
    if (!tile) return;
    const s = panel.sources[d - 1];
    tile.source.textContent = sourceName(s);
    tile.source.classList.toggle('routed', !!s);
}

function filter(list, text) {
    const wanted = text.trim().toLowerCase();
    for (const item of list.children)
        item.hidden = wanted !== '' && !item.dataset.find.includes(wanted);
}

function renderDestinations() {
    const items = document.createDocumentFragment();
    panel.tiles = panel.names.destinations.map((_, i) => {
        const item = document.createElement('li');
        const b = button(i + 1, destinationName(i + 1), 'destination');
        const source = document.createElement('span');
        source.className = 'source';
        b.append(source);
        item.append(b);
        item.dataset.find = destinationName(i + 1).toLowerCase();
        items.append(item);
        return { item, source };
    });
    byId('destinations').replaceChildren(items);
    panel.tiles.forEach((_, i) => showSource(i + 1));
    filter(byId('destinations'), byId('find').value);
}

function renderSources() {
    const items = document.createDocumentFragment();
    panel.names.sources.forEach((_, i) => {
        const item = document.createElement('li');
        item.append(button(i + 1, sourceName(i + 1), 'source'));
        item.dataset.find = sourceName(i + 1).toLowerCase();
        items.append(item);
    });
    byId('sources').replaceChildren(items);
}

function renderSalvos() {
    const salvos = panel.names.salvos || [];
    const items = document.createDocumentFragment();
    salvos.forEach((name, i) => {
        const item = document.createElement('li');
        item.append(button(i + 1, `${i + 1} ${name}`.trim(), 'salvo'));
        items.append(item);
    });
    byId('salvos').replaceChildren(items);
    byId('salvo-section').hidden = salvos.length === 0;
}

function setNames(names) {
    panel.names = names;
    renderDestinations();
    renderSources();
    renderSalvos();
}

function setLink(online) {
    const link = byId('link');
    link.textContent = online ? 'Switcher on line' : 'Switcher off line';
    link.className = `link ${online ? 'up' : 'down'}`;
}

let messageTimer = 0;
function say(text, error) {
    const message = byId('message');
    message.textContent = text;
    message.className = error ? 'error' : '';
    message.hidden = false;
    clearTimeout(messageTimer);
    messageTimer = setTimeout(() => { message.hidden = true; }, error ? 6000 : 2000);
}

function openPicker(d) {
    panel.chosen = d;
    byId('picker-title').textContent = `Source for ${destinationName(d)}`;
    const current = panel.sources[d - 1];
    for (const b of byId('sources').querySelectorAll('button'))
        b.classList.toggle('current', Number(b.dataset.source) === current);
    byId('find-source').value = '';
    filter(byId('sources'), '');
    byId('picker').hidden = false;
    byId('find-source').focus();
}

function closePicker() {
    byId('picker').hidden = true;
    panel.chosen = 0;
}

// A change for the switcher; the browser asks for the password when one is set.
async function post(path, body, done) {
    try {
        const reply = await fetch(path, {
            method: 'POST', headers: { 'Content-Type': 'application/json' }, body: JSON.stringify(body),
        });
        const answer = await reply.json().catch(() => ({}));
        if (reply.ok) say(done, false);
        else say(answer.error || `Refused (${reply.status})`, true);
    } catch (e) {
        say('The server cannot be reached', true);
    }
}

function onState(state) {
    byId('switcher').textContent = `${state.status.switcher}${state.status.demo ? ' (demo)' : ''}`;
    setLink(state.status.online);
    panel.sources = state.crosspoints.map((c) => c.source);
    setNames(state.names);
}

function onEvent(event) {
    switch (event.type) {
    case 'state': onState(event); break;
    case 'crosspoint':
        panel.sources[event.destination - 1] = event.source;
        showSource(event.destination);
        break;
    case 'names': setNames(event); break;
    case 'link': setLink(event.online); break;
    default: break;
    }
}

function connect() {
    const scheme = location.protocol === 'https:' ? 'wss' : 'ws';
    const socket = new WebSocket(`${scheme}://${location.host}/api/v1/events`);
    socket.onopen = () => { panel.retryMs = 500; };
    socket.onmessage = (m) => onEvent(JSON.parse(m.data));
    socket.onclose = () => {
        const link = byId('link');
        link.textContent = 'Server not reachable';
        link.className = 'link down';
        setTimeout(connect, panel.retryMs);
        panel.retryMs = Math.min(panel.retryMs * 2, 10000);
    };
}

byId('destinations').addEventListener('click', (e) => {
    const b = e.target.closest('button');
    if (b) openPicker(Number(b.dataset.destination));
});
byId('sources').addEventListener('click', (e) => {
    const b = e.target.closest('button');
    if (!b || !panel.chosen) return;
    const destination = panel.chosen;
    const source = Number(b.dataset.source);
    closePicker();
    post('api/v1/take', { destination, source }, `Take sent: ${sourceName(source)} to ${destinationName(destination)}`);
});
byId('salvos').addEventListener('click', (e) => {
    const b = e.target.closest('button');
    if (b) post('api/v1/salvo', { salvo: Number(b.dataset.salvo) }, 'Salvo sent');
});
byId('close').addEventListener('click', closePicker);
document.addEventListener('keydown', (e) => { if (e.key === 'Escape') closePicker(); });
byId('find').addEventListener('input', (e) => filter(byId('destinations'), e.target.value));
byId('find-source').addEventListener('input', (e) => filter(byId('sources'), e.target.value));
connect();
