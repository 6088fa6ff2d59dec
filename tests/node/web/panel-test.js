'use strict';
// The web panel as an operator uses it, in Debian's Chromium against a running server:
//   node panel-test.js URL ZOLT_PORT [--password PW] [--screenshots DIR]
// On a desk and on a phone: every destination shows its source by name, a tap
// on a destination and one on a source make a take, and a take from a Zolt
// console reaches the open panel without reloading it. Prints a line per check
// and "N passed, N failed"; exits 1 when one failed.
//
// What playwright-core and this Chromium do (found by trying): a fetch answered
// 401 with a Basic challenge is retried by the browser with the context's
// httpCredentials; without them the panel sees the 401 itself. Taps need a
// context with hasTouch.
const net = require('net');
const path = require('path');
const { launch } = require('./browser');

const [url, zoltPort, ...rest] = process.argv.slice(2);
const option = (name) => { const i = rest.indexOf(name); return i >= 0 ? rest[i + 1] : undefined; };
const password = option('--password');
const screenshots = option('--screenshots');

let passed = 0;
let failed = 0;
function check(ok, what, detail = '') {
    if (ok) passed += 1; else failed += 1;
    console.log(`${ok ? 'ok' : 'not ok'} - ${what}${detail ? ` (${detail})` : ''}`);
}

// A Zolt console that makes one take (^T, three digits each) and hangs up.
function zoltTake(input, output) {
    return new Promise((resolve, reject) => {
        const console_ = net.connect(Number(zoltPort), '127.0.0.1');
        let seen = '';
        console_.on('data', (d) => {
            seen += d.toString('latin1');
            if (seen.includes('Login Sucessful')) {
                seen = '';
                console_.write(`\x14${String(input).padStart(3, '0')}${String(output).padStart(3, '0')}`);
            }
            if (seen.includes('OK')) { console_.end(); resolve(); }
        });
        console_.on('error', reject);
        setTimeout(() => { console_.destroy(); reject(new Error('the console got no OK')); }, 5000);
    });
}

// The page as it stands, without the passing message of the last take.
async function shoot(page, name) {
    if (!screenshots) return;
    await page.evaluate(() => { document.getElementById('message').hidden = true; });
    await page.screenshot({ path: path.join(screenshots, name) });
}

const sourceOf = (page, d) => page.locator(`[data-destination="${d}"] .source`).textContent();

async function waitForSource(page, d, s, ms) {
    const started = Date.now();
    await page.waitForFunction(([dd, ss]) => {
        const shown = document.querySelector(`[data-destination="${dd}"] .source`);
        return shown && shown.textContent.startsWith(`${ss} `);
    }, [d, s], { timeout: ms, polling: 20 });
    return Date.now() - started;
}

async function openPanel(browser, contextOptions, expected) {
    const context = await browser.newContext({
        ...contextOptions, ...(password !== undefined ? { httpCredentials: { username: '', password } } : {}),
    });
    const page = await context.newPage();
    const started = Date.now();
    await page.goto(url);
    await page.waitForSelector('#link.up', { timeout: 10000 });
    await page.waitForFunction((n) => document.querySelectorAll('#destinations button').length === n, expected,
        { timeout: 10000 });
    check(true, `${expected} destinations shown with the link up`, `${Date.now() - started} ms`);
    return { context, page };
}

// What every destination's tile should say, from the JSON interface.
async function expectedSources(names) {
    const { crosspoints } = await (await fetch(new URL('api/v1/crosspoints', url))).json();
    return crosspoints.map((c) => (c.source ? `${c.source} ${names.sources[c.source - 1]}` : 'none'));
}

async function onTheDesk(browser, expected, names) {
    const { context, page } = await openPanel(browser, { viewport: { width: 1280, height: 800 } }, expected);
    const shown = await page.$$eval('#destinations .source', (all) => all.map((e) => e.textContent));
    const wanted = await expectedSources(names);
    const wrong = shown.findIndex((text, i) => text !== wanted[i]);
    check(wrong < 0 && shown.length === wanted.length, "every destination shows its source by name",
        wrong < 0 ? '' : `destination ${wrong + 1}: ${shown[wrong]} instead of ${wanted[wrong]}`);

    await page.click('[data-destination="3"]');
    await page.click('#sources [data-source="5"]');
    await waitForSource(page, 3, 5, 3000);
    check((await sourceOf(page, 3)) === `5 ${names.sources[4]}`, 'a click take shows the new source by name');

    const ms = await zoltTake(7, 3).then(() => waitForSource(page, 3, 7, 1000)).catch(() => -1);
    check(ms >= 0, "a Zolt console's take appears within a second", `${ms} ms`);

    await page.fill('#find', names.destinations[11]);
    const visible = await page.locator('#destinations li:not([hidden])').count();
    check(visible === 1, 'finding a destination by name leaves it alone', `${visible} shown`);
    await page.fill('#find', '');
    await shoot(page, 'web-panel-desktop.png');
    await context.close();
}

async function onAPhone(browser, expected) {
    const { context, page } = await openPanel(browser, {
        viewport: { width: 390, height: 844 }, isMobile: true, hasTouch: true,
    }, expected);
    const box = await page.locator('[data-destination="2"]').boundingBox();
    check(box.height >= 44 && box.width >= 150, 'tiles are large enough to tap', `${box.width}x${box.height}`);
    await page.tap('[data-destination="2"]');
    check(await page.isVisible('#picker'), 'a tap opens the source list');
    await shoot(page, 'web-panel-phone-sources.png');
    await page.tap('#sources [data-source="4"]');
    await waitForSource(page, 2, 4, 3000).then(() => check(true, 'a tap take shows the new source'),
        () => check(false, 'a tap take shows the new source'));
    await shoot(page, 'web-panel-phone.png');
    await context.close();
}

(async () => {
    const status = await (await fetch(new URL('api/v1/status', url))).json();
    const names = await (await fetch(new URL('api/v1/names', url))).json();
    const browser = await launch();
    try {
        await onTheDesk(browser, status.destinations, names);
        await onAPhone(browser, status.destinations);
    } finally {
        await browser.close();
    }
})().catch((e) => { check(false, 'the panel test ran to its end', e.message); })
    .finally(() => {
        console.log(`${passed} passed, ${failed} failed`);
        process.exitCode = failed ? 1 : 0;
    });
