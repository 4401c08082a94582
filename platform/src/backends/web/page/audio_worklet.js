// Plays the sound the game's mixer leaves in the ring in the program's
// shared memory (the layout is the web backend's SampleRing): frames written,
// frames read and underruns as 32-bit words, then the capacity and channel
// count, and the interleaved 16-bit samples elsewhere.
class RingPlayer extends AudioWorkletProcessor {
    constructor(options) {
        super();
        const { memory, header, samples } = options.processorOptions;
        this.words = new Uint32Array(memory, header, 5);
        this.capacity = this.words[3];
        this.channels = this.words[4];
        this.samples = new Int16Array(memory, samples, this.capacity * this.channels);
    }

    process(inputs, outputs) {
        const out = outputs[0];
        const frames = out[0].length;
        const read = Atomics.load(this.words, 1);
        const ready = Math.min(frames, (Atomics.load(this.words, 0) - read) >>> 0);
        for (let c = 0; c < out.length; ++c) {
            const from = Math.min(c, this.channels - 1);
            const channel = out[c];
            for (let i = 0; i < ready; ++i) {
                const at = (read + i) % this.capacity;
                channel[i] = this.samples[at * this.channels + from] / 32768;
            }
            channel.fill(0, ready);
        }
        if (ready < frames) {
            Atomics.add(this.words, 2, 1);
        }
        Atomics.store(this.words, 1, (read + ready) >>> 0);
        return true;
    }
}

registerProcessor('quorvane-ring', RingPlayer);
