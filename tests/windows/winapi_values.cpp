// Prints the values, sizes and GUIDs of the Windows API names the game uses,
// one "name: value" line each. Built twice: against our stand-in (natively)
// and against the SDK's headers (the Windows build, run under Wine); the two
// listings must be equal, or the stand-in declares something differently
// from Windows.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <type_traits>

#include "winapi.h"

namespace {

// An integer constant: its value. (The SDK's are mostly untyped macros, so
// their types are not compared; the types they are stored in are.)
template <typename T>
requires std::is_integral_v<T> || std::is_enum_v<T>
void PrintValue(const char* name, T value) {
    std::printf("%s: %lld\n", name, static_cast<long long>(value));
}

// A resource or handle constant made from an integer (MAKEINTRESOURCE).
template <typename T> void PrintValue(const char* name, T* value) {
    std::printf("%s: pointer %llu\n", name,
                static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(value)));
}

void PrintGuid(const char* name, const GUID& guid) {
    std::printf("%s: {%08lX-%04X-%04X-", name, static_cast<unsigned long>(guid.Data1),
                static_cast<unsigned>(guid.Data2), static_cast<unsigned>(guid.Data3));
    for (int i = 0; i < 8; ++i) {
        std::printf(i == 2 ? "-%02X" : "%02X", static_cast<unsigned>(guid.Data4[i]));
    }
    std::printf("}\n");
}

template <typename T> void PrintType(const char* name) {
    if constexpr (std::is_integral_v<T>) {
        std::printf("type %s: %s%zu\n", name, std::is_signed_v<T> ? "int" : "uint", sizeof(T) * 8);
    } else {
        std::printf("type %s: %zu bytes, aligned %zu\n", name, sizeof(T), alignof(T));
    }
}

} // namespace

#define VALUE(name) PrintValue(#name, name)
#define TYPE(name) PrintType<name>(#name)
#define FIELD(type, field) std::printf("%s.%s: at %zu\n", #type, #field, offsetof(type, field))
#define GUID_VALUE(name) PrintGuid(#name, name)

int main() {
    // Integer types.
    TYPE(BYTE);
    TYPE(WORD);
    TYPE(DWORD);
    TYPE(UINT);
    TYPE(LONG);
    TYPE(ULONG);
    TYPE(BOOL);
    TYPE(HRESULT);
    TYPE(WPARAM);
    TYPE(LPARAM);
    TYPE(LRESULT);
    TYPE(UINT_PTR);
    TYPE(COLORREF);
    TYPE(WCHAR);
    TYPE(MUSIC_TIME);
    TYPE(REFERENCE_TIME);

    // Records: size and alignment, and where the fields the game fills lie.
    TYPE(RECT);
    TYPE(MSG);
    TYPE(WNDCLASSEXA);
    TYPE(BITMAP);
    TYPE(BITMAPINFOHEADER);
    TYPE(RGBQUAD);
    TYPE(PALETTEENTRY);
    TYPE(JOYINFOEX);
    TYPE(GUID);
    TYPE(DDSCAPS);
    TYPE(DDCOLORKEY);
    TYPE(DDBLTFX);
    TYPE(DDSURFACEDESC);
    TYPE(WAVEFORMATEX);
    TYPE(DSBUFFERDESC);
    TYPE(KSPROPERTY);
    TYPE(DMUS_OBJECTDESC);
    TYPE(DMUS_PMSG);
    TYPE(DMUS_NOTIFICATION_PMSG);
    TYPE(DMUS_SYSEX_PMSG);
    TYPE(DMUS_PORTCAPS);
    TYPE(DMUS_PORTPARAMS);
    TYPE(DMUS_PORTPARAMS8);
    FIELD(MSG, message);
    FIELD(MSG, wParam);
    FIELD(WNDCLASSEXA, lpfnWndProc);
    FIELD(WNDCLASSEXA, lpszClassName);
    FIELD(BITMAP, bmBits);
    FIELD(DDBLTFX, dwFillColor);
    FIELD(DDSURFACEDESC, dwBackBufferCount);
    FIELD(DDSURFACEDESC, lpSurface);
    FIELD(DDSURFACEDESC, ddsCaps);
    FIELD(DSBUFFERDESC, lpwfxFormat);
    FIELD(DMUS_OBJECTDESC, guidClass);
    FIELD(DMUS_OBJECTDESC, wszFileName);
    FIELD(DMUS_NOTIFICATION_PMSG, guidNotificationType);
    FIELD(DMUS_NOTIFICATION_PMSG, dwNotificationOption);
    FIELD(DMUS_SYSEX_PMSG, dwLen);
    FIELD(DMUS_SYSEX_PMSG, abData);
    FIELD(DMUS_PORTCAPS, dwClass);
    FIELD(DMUS_PORTCAPS, guidPort);
    FIELD(DMUS_PORTCAPS, wszDescription);
    FIELD(DMUS_PORTPARAMS8, dwChannelGroups);

    // Windows and messages.
    VALUE(CS_BYTEALIGNCLIENT);
    VALUE(CS_BYTEALIGNWINDOW);
    VALUE(WS_POPUP);
    VALUE(WS_SYSMENU);
    VALUE(WS_EX_TOPMOST);
    VALUE(WM_CREATE);
    VALUE(WM_DESTROY);
    VALUE(WM_SIZE);
    VALUE(WM_CLOSE);
    VALUE(WM_QUIT);
    VALUE(WM_ACTIVATEAPP);
    VALUE(WM_KEYDOWN);
    VALUE(WM_MOUSEMOVE);
    VALUE(WM_LBUTTONDOWN);
    VALUE(WM_USER);
    VALUE(PM_REMOVE);
    VALUE(MB_OK);
    VALUE(WHITE_BRUSH);
    VALUE(IDC_ARROW);
    VALUE(IDI_APPLICATION);
    VALUE(VK_LBUTTON);
    VALUE(VK_RBUTTON);
    VALUE(VK_RETURN);
    VALUE(VK_ESCAPE);
    VALUE(VK_SPACE);
    VALUE(VK_LEFT);
    VALUE(VK_UP);
    VALUE(VK_RIGHT);
    VALUE(VK_DOWN);
    VALUE(VK_F12);
    VALUE(TRUE);
    VALUE(FALSE);

    // Kernel: files, waits, memory, code pages, resources.
    VALUE(MAX_PATH);
    VALUE(MUTEX_ALL_ACCESS);
    VALUE(GENERIC_READ);
    VALUE(FILE_SHARE_READ);
    VALUE(OPEN_EXISTING);
    VALUE(FILE_ATTRIBUTE_NORMAL);
    VALUE(FILE_BEGIN);
    VALUE(FILE_CURRENT);
    VALUE(FILE_END);
    VALUE(INVALID_SET_FILE_POINTER);
    VALUE(INVALID_HANDLE_VALUE);
    VALUE(INFINITE);
    VALUE(WAIT_OBJECT_0);
    VALUE(LPTR);
    VALUE(CP_ACP);
    VALUE(RT_BITMAP);
    VALUE(MAKEINTRESOURCEA(109));
    VALUE(S_OK);
    VALUE(S_FALSE);
    VALUE(E_FAIL);
    VALUE(FAILED(E_FAIL));
    VALUE(SUCCEEDED(S_FALSE));

    // GDI.
    VALUE(IMAGE_BITMAP);
    VALUE(LR_CREATEDIBSECTION);
    VALUE(LR_LOADFROMFILE);
    VALUE(SRCCOPY);
    VALUE(OPAQUE);
    VALUE(TRANSPARENT);
    VALUE(TA_CENTER);
    VALUE(TA_TOP);
    VALUE(FW_THIN);
    VALUE(FW_HEAVY);
    VALUE(SHIFTJIS_CHARSET);
    VALUE(OUT_TT_PRECIS);
    VALUE(CLIP_DEFAULT_PRECIS);
    VALUE(DRAFT_QUALITY);
    VALUE(VARIABLE_PITCH);
    VALUE(FF_ROMAN);
    VALUE(RGB(0x12, 0x34, 0x56));

    // winmm.
    VALUE(JOYSTICKID1);
    VALUE(JOYERR_NOERROR);
    VALUE(JOY_RETURNX);
    VALUE(JOY_RETURNY);
    VALUE(JOY_RETURNBUTTONS);
    VALUE(JOY_BUTTON1);
    VALUE(JOY_BUTTON2);

    // DirectDraw.
    VALUE(DD_OK);
    VALUE(DDERR_SURFACELOST);
    VALUE(DDSCL_FULLSCREEN);
    VALUE(DDSCL_ALLOWREBOOT);
    VALUE(DDSCL_EXCLUSIVE);
    VALUE(DDSD_CAPS);
    VALUE(DDSD_HEIGHT);
    VALUE(DDSD_WIDTH);
    VALUE(DDSD_BACKBUFFERCOUNT);
    VALUE(DDSCAPS_PRIMARYSURFACE);
    VALUE(DDSCAPS_FLIP);
    VALUE(DDSCAPS_COMPLEX);
    VALUE(DDSCAPS_BACKBUFFER);
    VALUE(DDSCAPS_OFFSCREENPLAIN);
    VALUE(DDSCAPS_VIDEOMEMORY);
    VALUE(DDBLT_COLORFILL);
    VALUE(DDBLT_KEYSRC);
    VALUE(DDBLT_WAIT);
    VALUE(DDBLTFAST_WAIT);
    VALUE(DDCKEY_SRCBLT);
    VALUE(DDPCAPS_8BIT);

    // DirectSound.
    VALUE(DS_OK);
    VALUE(DSSCL_PRIORITY);
    VALUE(DSBCAPS_PRIMARYBUFFER);
    VALUE(DSBCAPS_CTRLFREQUENCY);
    VALUE(DSBCAPS_CTRLPAN);
    VALUE(DSBCAPS_CTRLVOLUME);
    VALUE(DSBLOCK_FROMWRITECURSOR);
    VALUE(DSBLOCK_ENTIREBUFFER);
    VALUE(DSBPLAY_LOOPING);

    // COM and DirectMusic.
    VALUE(CLSCTX_INPROC);
    VALUE(DMUS_MAX_FILENAME);
    VALUE(DMUS_OBJ_CLASS);
    VALUE(DMUS_OBJ_FILENAME);
    VALUE(DMUS_PC_DLS);
    VALUE(DMUS_PC_OUTPUTCLASS);
    VALUE(DMUS_PORTPARAMS_CHANNELGROUPS);
    VALUE(DMUS_PORTPARAMS_EFFECTS);
    VALUE(DMUS_EFFECT_REVERB);
    VALUE(DMUS_NOTIFICATION_SEGEND);
    VALUE(DMUS_PMSGF_MUSICTIME);
    VALUE(DMUS_PMSGF_TOOL_IMMEDIATE);
    VALUE(DMUS_PMSGT_SYSEX);
    VALUE(DMUS_SEGF_BEAT);
    VALUE(KSPROPERTY_TYPE_SET);
    GUID_VALUE(CLSID_DirectMusicLoader);
    GUID_VALUE(CLSID_DirectMusicPerformance);
    GUID_VALUE(CLSID_DirectMusicSegment);
    GUID_VALUE(IID_IDirectDraw2);
    GUID_VALUE(IID_IDirectMusicLoader);
    GUID_VALUE(IID_IDirectMusicObject);
    GUID_VALUE(IID_IDirectMusicPerformance);
    GUID_VALUE(IID_IDirectMusicSegment);
    GUID_VALUE(IID_IKsControl);
    GUID_VALUE(GUID_DMUS_PROP_Effects);
    GUID_VALUE(GUID_DirectMusicAllTypes);
    GUID_VALUE(GUID_Download);
    GUID_VALUE(GUID_Unload);
    GUID_VALUE(GUID_NOTIFICATION_SEGMENT);
    GUID_VALUE(GUID_StandardMIDIFile);
    return 0;
}
