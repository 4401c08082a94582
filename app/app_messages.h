// The shell's start-up messages in Shift-JIS (code page 932), as the ANSI
// Win32 calls take them; each is shown above its bytes.
#pragma once

// DirectDrawの初期化に失敗しました
inline constexpr char MSG_DIRECTDRAW_INIT_FAILED[] =
    "DirectDraw\x82\xCC\x8F\x89\x8A\xFA\x89\xBB\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82"
    "\xBD";
// DirectSoundの初期化に失敗しました
inline constexpr char MSG_DIRECTSOUND_INIT_FAILED[] =
    "DirectSound\x82\xCC\x8F\x89\x8A\xFA\x89\xBB\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82"
    "\xBD";
// DirectMusicの初期化に失敗しました
inline constexpr char MSG_DIRECTMUSIC_INIT_FAILED[] =
    "DirectMusic\x82\xCC\x8F\x89\x8A\xFA\x89\xBB\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82"
    "\xBD";
