// The calls the web backend makes into its page. Each runs on the page's own
// thread (the game's worker only asks for it), where the page object made by
// boot.js (Module.page) does the work.
mergeInto(LibraryManager.library, {
    quorvane_js_request_draw__proxy: 'async',
    quorvane_js_request_draw: function (width, height) {
        var pointer = Module['_quorvane_web_take_frame']();
        if (pointer) Module.page.draw(HEAPU8, pointer, width, height);
    },

    quorvane_js_open_audio__proxy: 'sync',
    quorvane_js_open_audio: function (rate, channels, header, samples) {
        Module.page.openAudio(rate, channels, HEAPU8.buffer, header, samples);
    },

    quorvane_js_close_audio__proxy: 'sync',
    quorvane_js_close_audio: function () {
        Module.page.closeAudio();
    },

    quorvane_js_message_box__proxy: 'async',
    quorvane_js_message_box: function (caption, text, type) {
        Module.page.messageBox(UTF8ToString(caption), UTF8ToString(text), type);
    },

    quorvane_js_set_title__proxy: 'sync',
    quorvane_js_set_title: function (title) {
        Module.page.setTitle(UTF8ToString(title));
    },

    quorvane_js_set_cursor__proxy: 'async',
    quorvane_js_set_cursor: function (visible) {
        Module.page.setCursor(visible !== 0);
    },

    quorvane_js_synth_open__proxy: 'sync',
    quorvane_js_synth_open: function (channelGroups, reverb) {
        Module.page.synth.open(channelGroups, reverb !== 0);
    },

    quorvane_js_synth_close__proxy: 'async',
    quorvane_js_synth_close: function () {
        Module.page.synth.close();
    },

    quorvane_js_synth_message__proxy: 'async',
    quorvane_js_synth_message: function (channel, status, data1, data2) {
        Module.page.synth.message(channel, status, data1, data2);
    },

    quorvane_js_synth_reverb__proxy: 'async',
    quorvane_js_synth_reverb: function (on) {
        Module.page.synth.reverb(on !== 0);
    },

    quorvane_js_synth_all_notes_off__proxy: 'async',
    quorvane_js_synth_all_notes_off: function () {
        Module.page.synth.allNotesOff();
    },

    // 1 when the SoundFont has the preset, 0 when not, -1 while it is still
    // being loaded.
    quorvane_js_synth_has_preset__proxy: 'sync',
    quorvane_js_synth_has_preset: function (bank, program) {
        return Module.page.synth.hasPreset(bank, program);
    },
});
