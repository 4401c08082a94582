// The graphics device's messages and captions, stored in Shift-JIS (code
// page 932) as the ANSI Win32 calls take them; each is shown above its bytes.
#pragma once

// DirectDrawCreateに失敗
inline constexpr char MSG_DIRECTDRAW_CREATE_FAILED[] = "DirectDrawCreate\x82\xC9\x8E\xB8\x94s";
// SetCooperativeLevelに失敗
inline constexpr char MSG_SET_COOPERATIVE_LEVEL_FAILED[] =
    "SetCooperativeLevel\x82\xC9\x8E\xB8\x94s";
// SetDisplayModeに失敗
inline constexpr char MSG_SET_DISPLAY_MODE_FAILED[] = "SetDisplayMode\x82\xC9\x8E\xB8\x94s";
// CreateSurfaceに失敗
inline constexpr char MSG_CREATE_SURFACE_FAILED[] = "CreateSurface\x82\xC9\x8E\xB8\x94s";
// GetAttachedSurfaceに失敗
inline constexpr char MSG_GET_ATTACHED_SURFACE_FAILED[] = "GetAttachedSurface\x82\xC9\x8E\xB8\x94s";
// Zeb_LoadBitmapに失敗
inline constexpr char MSG_LOAD_BITMAP_FAILED[] = "Zeb_LoadBitmap\x82\xC9\x8E\xB8\x94s";
// bitmapハンドルがnullです
inline constexpr char MSG_BITMAP_HANDLE_NULL[] =
    "bitmap\x83n\x83\x93\x83h\x83\x8B\x82\xAAnull\x82\xC5\x82\xB7";
// copybitmapが失敗しました
inline constexpr char MSG_COPY_BITMAP_FAILED[] =
    "copybitmap\x82\xAA\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD";
// createcompatible dcが失敗しました
inline constexpr char MSG_CREATE_COMPATIBLE_DC_FAILED[] =
    "createcompatible dc\x82\xAA\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD";
// get dcが失敗しました
inline constexpr char MSG_GET_DC_FAILED[] =
    "get dc\x82\xAA\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD";
// lock resourceが失敗しました
inline constexpr char MSG_LOCK_RESOURCE_FAILED[] =
    "lock resource\x82\xAA\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD";
// VRAM合計容量\t%d Bytes\nVRAM使用可能容量\t%d Bytes
inline constexpr char MSG_VRAM_REPORT[] = "VRAM\x8D\x87\x8Cv\x97"
                                          "e\x97\xCA\t%d Bytes\nVRAM\x8Eg\x97p\x89\xC2\x94\x5C\x97"
                                          "e\x97\xCA\t%d Bytes";
// VRAM情報
inline constexpr char CAPTION_VRAM[] = "VRAM\x8F\xEE\x95\xF1";
