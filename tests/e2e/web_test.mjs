// The web build end to end in headless Chromium (Debian's), driven through
// puppeteer-core: the page served locally with its isolation headers, real
// key events, the canvas read back and the sound heard through an analyser.
//   - the title appears, scaled 2x and centred, and its pixels equal the
//     headless native frame's (all but the frame-rate counter);
//   - Z held for a moment starts play: HUD captions, the sun, a dark sky;
//   - with the tab hidden the game presents no frames; shown, it goes on;
//   - a second tab is refused and shows nothing else;
//   - the background tune is heard at its level;
//   - Escape ends the program with exit code 0;
//   - reloaded, a click starts play, the arrows and Space reach the game
//     without scrolling the page, and a tap of Z shorter than a frame
//     launches a planet (the HUD counts it);
//   - a message box (web_music_probe.cpp) is a dialog on the page, in
//     Japanese, whose OK the program hears; a MIDI segment it plays through
//     DirectMusic is heard from the page's synthesizer, and it ends with 0;
//   - served without the isolation headers, the page gets them from its
//     service worker and the game starts.
//
// usage: node web_test.mjs <site folder> <folder of the music probe>
//                          <native headless runner> <output folder>
// Screenshots (the canvas's, and the whole page in play) stay in the output
// folder.
import { execFileSync } from 'node:child_process';
import { mkdirSync, readFileSync, writeFileSync } from 'node:fs';
import { dirname, join, resolve } from 'node:path';
import puppeteer from 'puppeteer-core';
import { serveSite } from '../../scripts/web-server.mjs';

const [site, probeDir, runner, outArg] = process.argv.slice(2);
if (!site || !probeDir || !runner || !outArg) {
    console.error('usage: node web_test.mjs <site folder> <folder of the music probe> ' +
        '<native headless runner> <output folder>');
    process.exit(2);
}
const out = resolve(outArg);
mkdirSync(out, { recursive: true });

const started = Date.now();
let passed = 0;
function say(text) {
    console.log(`[${((Date.now() - started) / 1000).toFixed(1)}s] ${text}`);
}
function check(what, ok, detail = '') {
    if (!ok) throw new Error(`${what}${detail ? `: ${detail}` : ''}`);
    passed += 1;
    say(`ok: ${what}${detail ? ` (${detail})` : ''}`);
}
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
async function until(what, test, ms) {
    const end = Date.now() + ms;
    for (;;) {
        const value = await test();
        if (value) return value;
        if (Date.now() > end) throw new Error(`${what}: not within ${ms} ms`);
        await sleep(50);
    }
}

// ---------------------------------------------------------------- pictures

// A PNG as 640 x 480 RGB bytes, through ImageMagick.
function rgbOfPng(path) {
    return execFileSync('convert', [path, '-depth', '8', 'rgb:-'], { maxBuffer: 1 << 24 });
}

async function canvasShot(page, name) {
    const url = await page.evaluate(() => document.getElementById('screen').toDataURL('image/png'));
    const path = join(out, name);
    writeFileSync(path, Buffer.from(url.split(',')[1], 'base64'));
    return { path, rgb: rgbOfPng(path) };
}

function near(rgb, i, [r, g, b], tolerance) {
    return Math.abs(rgb[i] - r) <= tolerance && Math.abs(rgb[i + 1] - g) <= tolerance &&
        Math.abs(rgb[i + 2] - b) <= tolerance;
}
function count(rgb, [x0, y0, x1, y1], test) {
    let n = 0;
    for (let y = y0; y < y1; ++y) {
        for (let x = x0; x < x1; ++x) n += test((y * 640 + x) * 3) ? 1 : 0;
    }
    return n;
}
const TITLE_BLUE = [64, 160, 250];
const PROMPT_BLUE = [0, 80, 200];
const HUD_PINK = [255, 64, 128];
const titleText = (rgb) => count(rgb, [100, 95, 540, 200], (i) => near(rgb, i, TITLE_BLUE, 40));
const prompts = (rgb) => count(rgb, [150, 335, 490, 420], (i) => near(rgb, i, PROMPT_BLUE, 40));
const FPS_COUNTER = [0, 0, 128, 48]; // where the frame-rate text is drawn

// Play, once its opening fade is over: HUD captions, the sun near the
// centre, a dark sky, no title.
function isPlayScreen(rgb) {
    const hud = count(rgb, [495, 0, 640, 260], (i) => near(rgb, i, HUD_PINK, 50));
    const sun = count(rgb, [295, 215, 345, 265], (i) => rgb[i] > 240 && rgb[i + 1] > 170);
    const sky = count(rgb, [20, 100, 300, 400], (i) => rgb[i] < 70 && rgb[i + 1] < 70 && rgb[i + 2] < 90);
    return hud >= 400 && sun >= 30 && sky >= 280 * 300 * 0.7 && titleText(rgb) <= 100;
}

// Takes shots of the canvas (kept as `name`) until one is the play screen,
// within 10 s, and returns it.
function untilPlayScreen(page, name, what) {
    return until(what, async () => {
        const shot = await canvasShot(page, name);
        return isPlayScreen(shot.rgb) ? shot : null;
    }, 10000);
}

// Where the sun is: the middle of its hot pixels in the screen's central
// column, above and below its place at the start.
function sunCentre(rgb) {
    let n = 0, sx = 0, sy = 0;
    for (let y = 180; y < 420; ++y) {
        for (let x = 280; x < 360; ++x) {
            const i = (y * 640 + x) * 3;
            if (rgb[i] > 240 && rgb[i + 1] > 170) {
                ++n; sx += x; sy += y;
            }
        }
    }
    const tenth = (v) => Math.round(v * 10) / 10;
    return n === 0 ? { x: NaN, y: NaN } : { x: tenth(sx / n), y: tenth(sy / n) };
}

// ---------------------------------------------------------------- sound

// The level of the tune's first seconds, as the analyser sees it (mono).
function tuneLevel(wavPath) {
    const wav = readFileSync(wavPath);
    let at = 12;
    let channels = 2;
    while (at + 8 <= wav.length) {
        const id = wav.toString('ascii', at, at + 4);
        const size = wav.readUInt32LE(at + 4);
        if (id === 'fmt ') channels = wav.readUInt16LE(at + 10);
        if (id === 'data') {
            let sum = 0;
            let n = 0;
            for (let f = at + 8; f + 2 * channels <= at + 8 + Math.min(size, 44100 * 4 * 8); f += 2 * channels) {
                let mono = 0;
                for (let c = 0; c < channels; ++c) mono += wav.readInt16LE(f + 2 * c) / 32768;
                mono /= channels;
                sum += mono * mono;
                n += 1;
            }
            return Math.sqrt(sum / n);
        }
        at += 8 + size + (size & 1);
    }
    throw new Error(`no data in ${wavPath}`);
}

// The level (RMS) the page's analyser hears over `ms` milliseconds.
function heardLevel(page, ms) {
    return page.evaluate(async (ms) => {
        const { analyser, context } = window.quorvane.audio;
        const samples = new Float32Array(analyser.fftSize);
        let sum = 0;
        let n = 0;
        for (let waited = 0; waited < ms; waited += 40) {
            analyser.getFloatTimeDomainData(samples);
            for (const s of samples) { sum += s * s; n += 1; }
            await new Promise((r) => setTimeout(r, 40));
        }
        return { rms: Math.sqrt(sum / n), state: context.state };
    }, ms);
}

// ---------------------------------------------------------------- the run

const nativeDir = join(out, 'native');
mkdirSync(nativeDir, { recursive: true });
const scenario = join(out, 'native-title.txt');
writeFileSync(scenario, 'capture ms 1000 title.png\nat 1100 press ESCAPE\nexpect exit 0\n');
execFileSync(resolve(runner), ['--out', nativeDir, scenario], { cwd: dirname(resolve(runner)) });
const nativeTitle = rgbOfPng(join(nativeDir, 'title.png'));
say('native reference: the headless title frame at 1000 ms');

const server = await serveSite([resolve(site), resolve(probeDir)]);
const url = `http://127.0.0.1:${server.address().port}/`;
const browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--mute-audio'],
});
const errors = [];
try {
    const page = await browser.newPage();
    page.on('pageerror', (error) => errors.push(error.message));
    await page.setViewport({ width: 1280, height: 1024 });
    await page.goto(url);
    await until('the first frame', () => page.evaluate(() => window.quorvane.frames > 0), 15000);
    const firstFrame = await page.evaluate(() => window.quorvane.firstFrameAt);
    say(`first frame ${firstFrame.toFixed(0)} ms after navigation`);

    const placed = await page.evaluate(() => {
        const r = document.getElementById('screen').getBoundingClientRect();
        return [r.left, r.top, r.width, r.height];
    });
    check('the frame is scaled 2x and centred in the 1280 x 1024 view',
        JSON.stringify(placed) === JSON.stringify([0, 32, 1280, 960]), JSON.stringify(placed));

    // The prompts blink: wait for a frame that shows them.
    let title = null;
    await until('the title with its prompts', async () => {
        title = await canvasShot(page, 'title.png');
        return prompts(title.rgb) > 300 && titleText(title.rgb) > 3000;
    }, 10000);
    let differing = 0;
    let fpsArea = 0;
    for (let y = 0; y < 480; ++y) {
        for (let x = 0; x < 640; ++x) {
            const i = (y * 640 + x) * 3;
            const same = title.rgb[i] === nativeTitle[i] && title.rgb[i + 1] === nativeTitle[i + 1] &&
                title.rgb[i + 2] === nativeTitle[i + 2];
            const inFps = x >= FPS_COUNTER[0] && y >= FPS_COUNTER[1] && x < FPS_COUNTER[2] && y < FPS_COUNTER[3];
            if (!same) {
                if (inFps) fpsArea += 1; else differing += 1;
            }
        }
    }
    check('the title equals the native frame pixel for pixel (frame-rate counter aside)',
        differing === 0, `${differing} pixels differ, ${fpsArea} in the counter`);

    // --- Z held: play
    await page.keyboard.down('KeyZ');
    await sleep(400);
    await page.keyboard.up('KeyZ');
    await untilPlayScreen(page, 'play.png', 'the play screen');
    check('Z held starts play: HUD captions, the sun, a dark sky, no title', true);
    await page.screenshot({ path: join(out, 'page-play.png') });

    // --- hidden, the game pauses; a second tab is refused
    const presented = () => page.evaluate(() => Module._quorvane_web_frames_presented());
    const second = await browser.newPage();
    await second.bringToFront();
    await second.goto(url);
    await until('the first tab hidden', () => page.evaluate(() => document.visibilityState === 'hidden'), 5000);
    await sleep(300);
    const hiddenFrom = await presented();
    await sleep(700);
    const hiddenTo = await presented();
    check('with the tab hidden no frames are presented', hiddenTo === hiddenFrom,
        `${hiddenTo - hiddenFrom} frames in 0.7 s`);
    const refusal = await until('the second tab\'s refusal', () => second.evaluate(() =>
        !document.getElementById('notice').hidden && document.getElementById('notice').textContent), 5000);
    const secondState = await second.evaluate(() => ({
        frames: window.quorvane.frames,
        canvasHidden: document.getElementById('screen').hidden,
        program: !!document.querySelector('script[src="quorvane.js"]'),
    }));
    check('a second tab says the game runs elsewhere and shows nothing else',
        /already running/.test(refusal) && secondState.frames === 0 && secondState.canvasHidden &&
        !secondState.program, `${refusal} ${JSON.stringify(secondState)}`);
    await second.close();
    await page.bringToFront();
    const shownFrom = await presented();
    await sleep(1000);
    const shownTo = await presented();
    check('shown again, the game presents its frames at 60 per second',
        shownTo - shownFrom >= 50 && shownTo - shownFrom <= 70, `${shownTo - shownFrom} frames in 1 s`);

    // --- the tune, at its level
    const level = await heardLevel(page, 2000);
    const wanted = tuneLevel(join(site, '..', 'web', 'data', 'Wave', 'BGM00.wav'));
    const percent = Math.round((100 * level.rms) / wanted);
    check('the tune is heard at its level', level.state === 'running' && percent >= 50 && percent <= 200,
        `${percent}% of the tune's level, audio ${level.state}`);

    // --- Escape
    await page.keyboard.press('Escape');
    const exitCode = await until('the program\'s end',
        () => page.evaluate(() => window.quorvane.exitCode !== null && [window.quorvane.exitCode]), 10000);
    check('Escape ends the program with exit code 0', exitCode[0] === 0, `exit code ${exitCode[0]}`);

    // --- again from the start: a click starts play without a launch; the
    // arrows are the game's, and a tap of Z shorter than a frame launches a
    // planet
    await page.reload();
    await until('the title again', () => page.evaluate(() => window.quorvane.frames > 0), 15000);
    await page.evaluate(() => {
        window.prevented = {};
        addEventListener('keydown', (e) => { window.prevented[e.code] = e.defaultPrevented; });
    });
    await sleep(300);
    await page.mouse.click(640, 512); // the left button, in the middle of the frame
    const playAfterClick = await untilPlayScreen(page, 'play-enter.png', 'the play screen after a click');
    check('a click on the frame (the left button) starts play', true);
    // With nothing launched the sun is the steered body: Left pushes it down
    // the screen, a little faster every frame.
    const sunBefore = sunCentre(playAfterClick.rgb);
    await page.keyboard.down('ArrowLeft');
    await page.keyboard.down('Space');
    await sleep(300);
    await page.keyboard.up('Space');
    await sleep(1700);
    await page.keyboard.up('ArrowLeft');
    const afterArrows = await canvasShot(page, 'arrows.png');
    const sunAfter = sunCentre(afterArrows.rgb);
    check('Left held steers the sun down the screen',
        sunAfter.y - sunBefore.y >= 10 && Math.abs(sunAfter.x - sunBefore.x) <= 2,
        `sun centre from ${JSON.stringify(sunBefore)} to ${JSON.stringify(sunAfter)}`);
    const prevented = await page.evaluate(() => window.prevented);
    check('the arrows and Space go to the game, not to the page\'s scrolling',
        prevented.ArrowLeft === true && prevented.Space === true, JSON.stringify(prevented));

    const hudOf = (rgb) => {
        const rows = [];
        for (let y = 0; y < 260; ++y) rows.push(rgb.subarray((y * 640 + 495) * 3, (y * 640 + 640) * 3));
        return Buffer.concat(rows);
    };
    // Both halves of each tap are sent at once, so the page has them both
    // before the game next samples its keys.
    const cdp = await page.createCDPSession();
    const key = { code: 'KeyZ', key: 'z', windowsVirtualKeyCode: 90 };
    let hud = hudOf(afterArrows.rgb);
    for (let tap = 1; tap <= 3; ++tap) {
        await Promise.all([
            cdp.send('Input.dispatchKeyEvent', { type: 'keyDown', ...key }),
            cdp.send('Input.dispatchKeyEvent', { type: 'keyUp', ...key }),
        ]);
        let after = hud;
        await until(`launch ${tap} in the HUD`, async () => {
            after = hudOf((await canvasShot(page, 'launched.png')).rgb);
            return !after.equals(hud);
        }, 2000);
        hud = after;
        await sleep(100);
    }
    check('each of three taps of Z shorter than a frame launches a planet (the HUD counts it)', true);
    await page.keyboard.press('Escape');
    await until('the second run\'s end', () => page.evaluate(() => window.quorvane.exitCode !== null), 10000);

    // --- a MIDI segment through DirectMusic, heard from the page's synthesizer
    const probe = await browser.newPage();
    probe.on('pageerror', (error) => errors.push(error.message));
    const said = [];
    probe.on('console', (message) => said.push(message.text()));
    await probe.goto(`${url}?program=quorvane_music_probe`);
    const box = await until('the probe\'s message box', () => probe.evaluate(() => {
        const dialog = document.getElementById('message-box');
        return dialog.open && {
            caption: document.getElementById('message-caption').textContent,
            text: document.getElementById('message-text').textContent,
            buttons: [...dialog.querySelectorAll('button')].map((b) => b.textContent),
        };
    }), 15000);
    check('a message box is a page dialog in Japanese with the buttons of its type',
        box.caption === 'ミュージックの試験' && box.text === '音楽を鳴らします' &&
        JSON.stringify(box.buttons) === JSON.stringify(['OK', 'キャンセル']), JSON.stringify(box));
    await probe.click('#message-buttons button[value="1"]');
    await until('the probe\'s readiness', () => said.some((t) => /press Space/.test(t)), 15000);
    await probe.keyboard.press('Space');
    await until('the segment playing', () => said.some((t) => /playing|failed/.test(t)), 30000);
    check('the probe loaded, downloaded and started the segment', said.some((t) => /playing/.test(t)),
        said.join(' | '));
    await sleep(500);
    const music = await heardLevel(probe, 1500);
    check('the segment is heard', music.state === 'running' && music.rms > 0.02,
        `level ${music.rms.toFixed(3)}, audio ${music.state}`);
    const probeExit = await until('the probe\'s end',
        () => probe.evaluate(() => window.quorvane.exitCode !== null && [window.quorvane.exitCode]), 15000);
    check('the segment ends and the probe exits with 0', probeExit[0] === 0 && said.some((t) => /ended/.test(t)),
        said.join(' | '));
    await probe.close();

    // --- a static host that sends no isolation headers: the service worker
    // adds them, and the game starts after one reload
    const plain = await serveSite(resolve(site), 0, { isolate: false });
    try {
        const hosted = await browser.newPage();
        hosted.on('pageerror', (error) => errors.push(error.message));
        await hosted.goto(`http://127.0.0.1:${plain.address().port}/`);
        await until('the game on a plain static host',
            () => hosted.evaluate(() => crossOriginIsolated && window.quorvane && window.quorvane.frames > 0)
                .catch(() => false), 20000);
        check('on a host without the headers the page isolates itself and the game starts', true);
        await hosted.close();
    } finally {
        plain.close();
    }
    check('no script errors on the pages', errors.length === 0, errors.join('; '));
} catch (error) {
    say(`FAIL: ${error.message}`);
    if (errors.length) say(`page errors: ${errors.join('; ')}`);
    console.log(`web: ${passed} passed, 1 failed`);
    process.exitCode = 1;
} finally {
    await browser.close();
    server.close();
}
if (process.exitCode !== 1) console.log(`web: ${passed} passed, 0 failed`);
