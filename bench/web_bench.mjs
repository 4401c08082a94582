// Measures the web build in headless Chromium (Debian's), served from this
// machine: how soon the first frame shows, what the page downloads, whether
// 60 frames a second hold on the title and with the sky full of planets and
// how late the game's timed waits end, and the browser's CPU on the title
// screen beside an idle page's. A measurement, not a test: it prints what
// it saw.
//
//   node bench/web_bench.mjs [site folder (build-web/site)] [seconds per measure (10)]
import { readdirSync, readFileSync, writeFileSync } from 'node:fs';
import puppeteer from 'puppeteer-core';
import { serveSite } from '../scripts/web-server.mjs';

const site = process.argv[2] || 'build-web/site';
const seconds = Number(process.argv[3] || 10);
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

let downloads = new Map();
const server = await serveSite(site, 0, {
    served: (path, bytes) => downloads.set(path, bytes),
});
const url = `http://127.0.0.1:${server.address().port}/`;
const browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--mute-audio'],
});

// CPU seconds (user + system) of the browser and all its helper processes.
function browserCpuSeconds() {
    const root = browser.process().pid;
    const parents = new Map();
    const ticks = new Map();
    for (const name of readdirSync('/proc')) {
        if (!/^\d+$/.test(name)) continue;
        try {
            const stat = readFileSync(`/proc/${name}/stat`, 'utf8');
            const fields = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
            parents.set(Number(name), Number(fields[1]));
            ticks.set(Number(name), Number(fields[11]) + Number(fields[12]));
        } catch {
            // gone meanwhile
        }
    }
    let total = 0;
    for (const [pid, t] of ticks) {
        for (let p = pid; p; p = parents.get(p)) {
            if (p === root) {
                total += t;
                break;
            }
        }
    }
    return total / 100; // USER_HZ
}

async function cpuPercentOver(ms) {
    const from = browserCpuSeconds();
    await sleep(ms);
    return (100 * (browserCpuSeconds() - from)) / (ms / 1000);
}

async function framesAndLateness(page, ms) {
    await page.evaluate(() => Module._quorvane_web_take_wake_lateness());
    const from = await page.evaluate(() => Module._quorvane_web_frames_presented());
    await sleep(ms);
    return page.evaluate((from, ms) => ({
        fps: ((Module._quorvane_web_frames_presented() - from) * 1000) / ms,
        late: Module._quorvane_web_take_wake_lateness(),
    }), from, ms);
}

try {
    // --- first frame, three cold loads, and what the page downloads
    const firstFrames = [];
    for (let run = 0; run < 3; ++run) {
        const context = await browser.createBrowserContext();
        const page = await context.newPage();
        downloads = new Map();
        await page.goto(url);
        await page.waitForFunction(() => window.quorvane.frames > 0, { timeout: 20000 });
        firstFrames.push(await page.evaluate(() => window.quorvane.firstFrameAt));
        await page.waitForFunction(() => window.quorvane.synth.synth, { timeout: 30000 }).catch(() => {});
        await sleep(500);
        await context.close();
    }
    console.log(`first frame after navigation: ${firstFrames.map((t) => `${(t / 1000).toFixed(2)} s`).join(', ')}`);
    let total = 0;
    console.log('downloaded:');
    for (const [path, bytes] of [...downloads].sort((a, b) => b[1] - a[1])) {
        console.log(`  ${String(bytes).padStart(10)}  ${path}`);
        total += bytes;
    }
    console.log(`  ${String(total).padStart(10)}  in all`);

    // --- the title: frames, lateness, CPU
    const page = await browser.newPage();
    await page.setViewport({ width: 1280, height: 1024 });
    await page.goto(url);
    await page.waitForFunction(() => window.quorvane.frames > 0, { timeout: 20000 });
    await sleep(2000);
    const title = await framesAndLateness(page, seconds * 1000);
    console.log(`title: ${title.fps.toFixed(1)} frames/s, timed waits end ${title.late.toFixed(2)} ms late on average`);
    const titleCpu = await cpuPercentOver(seconds * 1000);

    // --- the sky filled: taps of Z as fast as the game takes them (a launch
    // every other frame) for 30 s; the launches go on while it is measured
    await page.keyboard.press('Enter');
    await sleep(2000);
    const cdp = await page.createCDPSession();
    const key = { code: 'KeyZ', key: 'z', windowsVirtualKeyCode: 90 };
    let tapping = true;
    const taps = (async () => {
        while (tapping) {
            await Promise.all([
                cdp.send('Input.dispatchKeyEvent', { type: 'keyDown', ...key }),
                cdp.send('Input.dispatchKeyEvent', { type: 'keyUp', ...key }),
            ]);
            await sleep(16);
        }
    })();
    await sleep(30000);
    const full = await framesAndLateness(page, seconds * 1000);
    tapping = false;
    await taps;
    const shot = await page.evaluate(() => document.getElementById('screen').toDataURL());
    console.log(`play, launching for 30 s and on: ${full.fps.toFixed(1)} frames/s, timed waits end ${full.late.toFixed(2)} ms late on average (the planet count is in the HUD of QUORVANE_BENCH_SHOT)`);
    await page.keyboard.press('Escape');
    await page.close();

    // --- an idle page, for comparison
    const idle = await browser.newPage();
    await idle.goto(`${url}page.css`);
    await sleep(2000);
    const idleCpu = await cpuPercentOver(seconds * 1000);
    console.log(`browser CPU (all processes, % of one core): title ${titleCpu.toFixed(1)}%, idle page ${idleCpu.toFixed(1)}%`);
    if (process.env.QUORVANE_BENCH_SHOT) {
        writeFileSync(process.env.QUORVANE_BENCH_SHOT, Buffer.from(shot.split(',')[1], 'base64'));
    }
} finally {
    await browser.close();
    server.close();
}
