// The game flow's messages and texts in Shift-JIS (code page 932), as the
// ANSI Win32 calls take them; each is shown above its bytes.
#pragma once

// リストア失敗
inline constexpr char MSG_RESTORE_FAILED[] = "\x83\x8A\x83X\x83g\x83"
                                             "A\x8E\xB8\x94s";
// ＭＳ　ゴシック
inline constexpr char TITLE_FONT_FACE[] = "\x82l\x82r\x81@\x83S\x83V\x83"
                                          "b\x83N";
