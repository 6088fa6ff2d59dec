'use strict';
// Debian's Chromium, driven by playwright-core: the browser of the machine,
// never a download. Headless, sandbox off (tests may run as root), and
// nothing that reaches out to the network on its own. Playwright gives each
// launch an empty profile folder of its own (--user-data-dir) and removes it
// afterwards; it refuses that flag from us.
const { chromium } = require('playwright-core');

const Executable = process.env.HVN_CHROMIUM || '/usr/bin/chromium';

function launch() {
    return chromium.launch({
        executablePath: Executable,
        headless: true,
        args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
            '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    });
}

module.exports = { launch };
