// Starts the game in this tab and is its page: draws its frames, passes it
// the player's keys, buttons and pointer, plays its sound, shows its message
// boxes. The game itself runs in a worker (see the web backend); this script
// runs on the page's own thread.
'use strict';

const canvas = document.getElementById('screen');
const notice = document.getElementById('notice');
const messageBoxDialog = document.getElementById('message-box');
const context2d = canvas.getContext('2d', { alpha: false });
const image = context2d.createImageData(640, 480);

function showNotice(text) {
    notice.textContent = text;
    notice.hidden = false;
}

// ---------------------------------------------------------------- the synthesizer

// js-synthesizer (FluidSynth in WebAssembly) with the General MIDI SoundFont,
// loaded once the game has shown its first frame; messages that come before
// it is ready wait for it.
class PageSynthesizer {
    constructor(page) {
        this.page = page;
        this.loading = null;
        this.synth = null;
        this.presets = null;
        this.waiting = [];
        this.channelCount = 16;
        this.reverbOn = true;
    }

    load() {
        if (!this.loading && this.page.audio) {
            this.loading = this.start().catch((error) => {
                console.error('quorvane: the synthesizer did not load:', error);
            });
        }
        return this.loading;
    }

    async start() {
        const audio = this.page.audio;
        const [, , fontBytes] = await Promise.all([
            loadScript('js-synthesizer.min.js'),
            audio.context.audioWorklet.addModule('libfluidsynth-2.4.6.js')
                .then(() => audio.context.audioWorklet.addModule('js-synthesizer.worklet.min.js')),
            fetch('TimGM6mb.sf2').then((response) => response.arrayBuffer()),
        ]);
        const synth = new JSSynth.AudioWorkletNodeSynthesizer();
        // As the desktop's FluidSynth is set up: chorus off, half gain.
        const settings = {
            midiChannelCount: this.channelCount,
            reverbActive: this.reverbOn,
            chorusActive: false,
            initialGain: 0.5,
        };
        synth.init(audio.context.sampleRate, settings);
        const node = synth.createAudioNode(audio.context, settings);
        node.connect(audio.analyser);
        const presets = soundFontPresets(fontBytes);
        await synth.loadSFont(fontBytes);
        this.presets = presets;
        this.synth = synth;
        for (const message of this.waiting.splice(0)) {
            this.message(...message);
        }
    }

    open(channelGroups, reverb) {
        this.channelCount = Math.max(this.channelCount, 16 * channelGroups);
        this.reverbOn = reverb;
        this.load();
    }

    close() {
        this.allNotesOff();
    }

    message(channel, status, data1, data2) {
        const synth = this.synth;
        if (!synth) {
            this.waiting.push([channel, status, data1, data2]);
            return;
        }
        switch (status) {
        case 0x80: synth.midiNoteOff(channel, data1); break;
        case 0x90:
            if (data2 === 0) synth.midiNoteOff(channel, data1);
            else synth.midiNoteOn(channel, data1, data2);
            break;
        case 0xA0: synth.midiKeyPressure(channel, data1, data2); break;
        case 0xB0: synth.midiControl(channel, data1, data2); break;
        case 0xC0: synth.midiProgramChange(channel, data1); break;
        case 0xD0: synth.midiChannelPressure(channel, data1); break;
        case 0xE0: synth.midiPitchBend(channel, data1 | (data2 << 7)); break;
        }
    }

    // The reverb is chosen when the synthesizer starts; it has no switch
    // after that in the browser.
    reverb(on) {
        this.reverbOn = on;
    }

    allNotesOff() {
        this.waiting = this.waiting.filter(([, status]) => status === 0xB0 || status === 0xC0);
        if (this.synth) this.synth.midiAllNotesOff();
    }

    hasPreset(bank, program) {
        this.load();
        return this.presets ? (this.presets.has(bank * 128 + program) ? 1 : 0) : -1;
    }
}

function loadScript(src) {
    return new Promise((resolve, reject) => {
        const script = document.createElement('script');
        script.src = src;
        script.onload = resolve;
        script.onerror = () => reject(new Error(`cannot load ${src}`));
        document.head.appendChild(script);
    });
}

// The bank and program of every preset a SoundFont 2 file holds (its
// "phdr" records, 38 bytes each, the last one a terminator).
function soundFontPresets(bytes) {
    const view = new DataView(bytes);
    const presets = new Set();
    const tag = (at) => String.fromCharCode(...new Uint8Array(bytes, at, 4));
    const walk = (start, end) => {
        for (let at = start; at + 8 <= end;) {
            const id = tag(at);
            const size = view.getUint32(at + 4, true);
            if (id === 'LIST' || id === 'RIFF') {
                walk(at + 12, Math.min(end, at + 8 + size));
            } else if (id === 'phdr') {
                for (let r = at + 8; r + 38 <= at + 8 + size - 38; r += 38) {
                    presets.add(view.getUint16(r + 22, true) * 128 + view.getUint16(r + 20, true));
                }
            }
            at += 8 + size + (size & 1);
        }
    };
    walk(0, bytes.byteLength);
    return presets;
}

// ---------------------------------------------------------------- the page

const page = {
    frames: 0,            // frames put on the canvas
    firstFrameAt: null,   // performance.now() of the first
    exitCode: null,       // the program's, once it has ended
    messageBoxes: [],     // every box shown: {caption, text, type}
    audio: null,          // {context, node, analyser} while the game's sound is open
    scale: 1,

    draw(heap, pointer, width, height) {
        image.data.set(heap.subarray(pointer, pointer + width * height * 4));
        context2d.putImageData(image, 0, 0);
        if (this.frames++ === 0) {
            this.firstFrameAt = performance.now();
            layOut();
            // The synthesizer waits for the first frame, not the other way.
            setTimeout(() => this.synth.load(), 0);
        }
    },

    openAudio(rate, channels, memory, header, samples) {
        const audioContext = new AudioContext({ sampleRate: rate, latencyHint: 'interactive' });
        const analyser = audioContext.createAnalyser();
        analyser.fftSize = 2048;
        analyser.connect(audioContext.destination);
        const audio = { context: audioContext, node: null, analyser };
        this.audio = audio;
        audioContext.audioWorklet.addModule('audio_worklet.js').then(() => {
            if (this.audio !== audio) return;
            audio.node = new AudioWorkletNode(audioContext, 'quorvane-ring', {
                numberOfInputs: 0,
                outputChannelCount: [2],
                processorOptions: { memory, header, samples },
            });
            audio.node.connect(analyser);
        });
    },

    closeAudio() {
        if (this.audio) {
            if (this.audio.node) this.audio.node.disconnect();
            this.audio.context.close();
            this.audio = null;
        }
    },

    // Browsers let sound start only after the player has done something.
    resumeAudio() {
        if (this.audio && this.audio.context.state === 'suspended') {
            this.audio.context.resume();
        }
    },

    messageBox(caption, text, type) {
        this.messageBoxes.push({ caption, text, type });
        const dialog = messageBoxDialog;
        document.getElementById('message-caption').textContent = caption;
        document.getElementById('message-text').textContent = text;
        const buttons = document.getElementById('message-buttons');
        buttons.replaceChildren();
        // The buttons of each box type, with the ids Windows answers with.
        const sets = {
            0: [[1, 'OK']],
            1: [[1, 'OK'], [2, 'キャンセル']],
            2: [[3, '中止(A)'], [4, '再試行(R)'], [5, '無視(I)']],
            3: [[6, 'はい(Y)'], [7, 'いいえ(N)'], [2, 'キャンセル']],
            4: [[6, 'はい(Y)'], [7, 'いいえ(N)']],
            5: [[4, '再試行(R)'], [2, 'キャンセル']],
        };
        const choices = sets[type & 0xF] || sets[0];
        for (const [id, label] of choices) {
            const button = document.createElement('button');
            button.value = String(id);
            button.textContent = label;
            buttons.appendChild(button);
        }
        dialog.onclose = () => {
            const id = Number(dialog.returnValue) || choices[choices.length - 1][0];
            Module._quorvane_web_answer(id);
        };
        dialog.showModal();
    },

    setTitle(title) {
        document.title = title;
    },

    setCursor(visible) {
        canvas.style.cursor = visible ? '' : 'none';
    },
};
page.synth = new PageSynthesizer(page);
window.quorvane = page; // for the browser test and the curious

// ---------------------------------------------------------------- layout and input

function layOut() {
    if (!Module._quorvane_web_layout) return;
    const scale = Module._quorvane_web_layout(innerWidth, innerHeight);
    page.scale = scale;
    canvas.style.width = `${640 * scale}px`;
    canvas.style.height = `${480 * scale}px`;
    canvas.style.left = `${Module._quorvane_web_frame_left()}px`;
    canvas.style.top = `${Module._quorvane_web_frame_top()}px`;
}
addEventListener('resize', layOut);

function toggleFullscreen() {
    if (document.fullscreenElement) {
        document.exitFullscreen();
    } else {
        document.documentElement.requestFullscreen().catch(() => {});
    }
}
document.getElementById('fullscreen').addEventListener('click', (event) => {
    event.stopPropagation();
    toggleFullscreen();
});

function sendKey(event, down) {
    page.resumeAudio();
    // While a message box is up it has the keyboard, as on Windows.
    if (!Module._quorvane_web_key || page.exitCode !== null || messageBoxDialog.open) return;
    if (down && event.altKey && event.code === 'Enter') {
        event.preventDefault();
        toggleFullscreen();
        return;
    }
    const known = Module.ccall('quorvane_web_key', 'number', ['string', 'number'],
                               [event.code, down ? 1 : 0]);
    // Arrows and Space steer the game, not the page's scrolling.
    if (known) event.preventDefault();
}
addEventListener('keydown', (event) => sendKey(event, true));
addEventListener('keyup', (event) => sendKey(event, false));

const stage = document.getElementById('stage');
function sendPointer(kind, event) {
    if (kind === 1) page.resumeAudio();
    if (Module._quorvane_web_pointer && page.exitCode === null) {
        Module._quorvane_web_pointer(kind, event.clientX, event.clientY, event.button);
    }
}
stage.addEventListener('pointermove', (event) => sendPointer(0, event));
stage.addEventListener('pointerdown', (event) => sendPointer(1, event));
stage.addEventListener('pointerup', (event) => sendPointer(2, event));
stage.addEventListener('contextmenu', (event) => event.preventDefault());

// The game is active while its tab is shown and has the focus, as a desktop
// game is while its window has; it pauses otherwise.
let focused = true;
let active = true;
function updateActivation() {
    const now = focused && document.visibilityState === 'visible';
    if (now !== active && Module._quorvane_web_activate) {
        active = now;
        Module._quorvane_web_activate(now ? 1 : 0);
    }
}
document.addEventListener('visibilitychange', updateActivation);
addEventListener('blur', () => { focused = false; updateActivation(); });
addEventListener('focus', () => { focused = true; updateActivation(); });

// ---------------------------------------------------------------- start

var Module = {
    page,
    canvas,
    print: (text) => console.log(text),
    printErr: (text) => console.warn(text),
    onAbort(what) {
        showNotice(`Quorvane stopped: ${what}. Reload the page to try again.`);
        canvas.hidden = true;
    },
    onExit(code) {
        page.exitCode = code;
        page.closeAudio();
        showNotice('Quorvane has ended. Reload the page to play again.');
        canvas.hidden = true;
    },
};

// The program to run: the game, unless the address names another program of
// the build (the browser test's music probe).
const program = (new URLSearchParams(location.search).get('program') || 'quorvane')
    .replace(/[^a-z_]/g, '');

function startGame() {
    if (!self.crossOriginIsolated) {
        showNotice('This page needs cross-origin isolation (see the README: serve-web.sh).');
        return;
    }
    const script = document.createElement('script');
    script.src = `${program}.js`;
    document.body.appendChild(script);
}

// One tab runs the game: the others say so and show nothing else, as a
// second start of the desktop game exits at once. The lock goes with the tab.
if (navigator.locks) {
    navigator.locks.request(program, { ifAvailable: true }, (lock) => {
        if (!lock) {
            page.refused = true;
            canvas.hidden = true;
            showNotice('Quorvane is already running in another tab.');
            return undefined;
        }
        startGame();
        return new Promise(() => {}); // held until the tab closes
    });
} else {
    startGame();
}
