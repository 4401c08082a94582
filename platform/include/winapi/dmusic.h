// COM start-up and DirectMusic: the performance (sequencer, music and
// reference time, notifications), the loader reading Standard MIDI Files into
// segments, and the ports a performance plays through (the built-in software
// synthesizer and the machine's MIDI ports), with the kernel-streaming
// property interface used for the synthesizer's reverb.
#pragma once

#include "winapi/base.h"
#include "winapi/dsound.h"
#include "winapi/types.h"

// ---------------------------------------------------------------- COM

inline constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
inline constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
inline constexpr DWORD CLSCTX_INPROC = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER;
inline constexpr DWORD CLSCTX_ALL = 0x17;

inline constexpr HRESULT CO_E_NOTINITIALIZED = static_cast<HRESULT>(0x800401F0);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154);

// Starts COM on the calling thread: S_OK the first time, S_FALSE when it
// already was; each success is balanced by one CoUninitialize.
HRESULT WINAPI CoInitialize(LPVOID reserved);
void WINAPI CoUninitialize();
// Creates the DirectMusic performance, loader or DirectMusic object.
HRESULT WINAPI CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid,
                                LPVOID* object);

// ---------------------------------------------------------------- types

using MUSIC_TIME = LONG;         // 768 ticks a quarter note
using REFERENCE_TIME = LONGLONG; // 100-nanosecond units
using LPREFERENCE_TIME = REFERENCE_TIME*;
inline constexpr MUSIC_TIME DMUS_PPQ = 768;

#ifndef QV_FILETIME_DEFINED
#define QV_FILETIME_DEFINED
struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};
#endif

inline constexpr int DMUS_MAX_NAME = 64;
inline constexpr int DMUS_MAX_CATEGORY = 64;
inline constexpr int DMUS_MAX_FILENAME = 260; // MAX_PATH
inline constexpr int DMUS_MAX_DESCRIPTION = 128;

#define MAKE_DMHRESULTERROR(code) MAKE_HRESULT(1, 0x878, code)
#define MAKE_DMHRESULTSUCCESS(code) MAKE_HRESULT(0, 0x878, code)
inline constexpr HRESULT DMUS_S_PARTIALDOWNLOAD = MAKE_DMHRESULTSUCCESS(0x122);
inline constexpr HRESULT DMUS_E_DRIVER_FAILED = MAKE_DMHRESULTERROR(0x0101);
inline constexpr HRESULT DMUS_E_PORTS_OPEN = MAKE_DMHRESULTERROR(0x0102);
inline constexpr HRESULT DMUS_E_DEVICE_IN_USE = MAKE_DMHRESULTERROR(0x0103);
inline constexpr HRESULT DMUS_E_NOT_INIT = MAKE_DMHRESULTERROR(0x0183);
inline constexpr HRESULT DMUS_E_SYNTHINACTIVE = MAKE_DMHRESULTERROR(0x0159);
inline constexpr HRESULT DMUS_E_ALREADY_ACTIVATED = MAKE_DMHRESULTERROR(0x0144);
inline constexpr HRESULT DMUS_E_NOT_FOUND = MAKE_DMHRESULTERROR(0x0191);
inline constexpr HRESULT DMUS_E_NOT_DOWNLOADED_TO_PORT = MAKE_DMHRESULTERROR(0x0192);
inline constexpr HRESULT DMUS_E_UNSUPPORTED_STREAM = MAKE_DMHRESULTERROR(0x0161);
inline constexpr HRESULT DMUS_E_INVALID_TRACK_HDR = MAKE_DMHRESULTERROR(0x0171);
inline constexpr HRESULT DMUS_E_TYPE_UNSUPPORTED = MAKE_DMHRESULTERROR(0x0206);
inline constexpr HRESULT DMUS_E_OUT_OF_RANGE = MAKE_DMHRESULTERROR(0x0207);
inline constexpr HRESULT DMUS_E_NO_MASTER_CLOCK = MAKE_DMHRESULTERROR(0x0210);
inline constexpr HRESULT DMUS_E_CANNOT_FREE = MAKE_DMHRESULTERROR(0x020E);
inline constexpr HRESULT DMUS_E_ALREADY_SENT = MAKE_DMHRESULTERROR(0x020F);
inline constexpr HRESULT DMUS_E_LOADER_FAILEDOPEN = MAKE_DMHRESULTERROR(0x0403);
inline constexpr HRESULT DMUS_E_LOADER_NOFILENAME = MAKE_DMHRESULTERROR(0x040B);
inline constexpr HRESULT DMUS_E_LOADER_BADPATH = MAKE_DMHRESULTERROR(0x0404);
inline constexpr HRESULT DMUS_E_LOADER_NOCLASSID = MAKE_DMHRESULTERROR(0x0410);
inline constexpr HRESULT DMUS_E_LOADER_OBJECTNOTFOUND = MAKE_DMHRESULTERROR(0x0412);
inline constexpr HRESULT DMUS_E_NOT_LOADED = MAKE_DMHRESULTERROR(0x0409);

// ---------------------------------------------------------------- class and interface ids

DEFINE_GUID(CLSID_DirectMusic, 0x636B9F10, 0x0C7D, 0x11D1, 0x95, 0xB2, 0x00, 0x20, 0xAF, 0xDC, 0x74,
            0x21);
DEFINE_GUID(CLSID_DirectMusicPerformance, 0xD2AC2881, 0xB39B, 0x11D1, 0x87, 0x04, 0x00, 0x60, 0x08,
            0x93, 0xB1, 0xBD);
DEFINE_GUID(CLSID_DirectMusicSegment, 0xD2AC2882, 0xB39B, 0x11D1, 0x87, 0x04, 0x00, 0x60, 0x08,
            0x93, 0xB1, 0xBD);
DEFINE_GUID(CLSID_DirectMusicSegmentState, 0xD2AC2883, 0xB39B, 0x11D1, 0x87, 0x04, 0x00, 0x60, 0x08,
            0x93, 0xB1, 0xBD);
DEFINE_GUID(CLSID_DirectMusicLoader, 0xD2AC2892, 0xB39B, 0x11D1, 0x87, 0x04, 0x00, 0x60, 0x08, 0x93,
            0xB1, 0xBD);

DEFINE_GUID(IID_IDirectMusic, 0x6536115A, 0x7B2D, 0x11D2, 0xBA, 0x18, 0x00, 0x00, 0xF8, 0x75, 0xAC,
            0x12);
DEFINE_GUID(IID_IDirectMusicPort, 0x08F2D8C9, 0x37C2, 0x11D2, 0xB9, 0xF9, 0x00, 0x00, 0xF8, 0x75,
            0xAC, 0x12);
DEFINE_GUID(IID_IDirectMusicPerformance, 0x07D43D03, 0x6523, 0x11D2, 0x87, 0x1D, 0x00, 0x60, 0x08,
            0x93, 0xB1, 0xBD);
DEFINE_GUID(IID_IDirectMusicLoader, 0x2FFAACA2, 0x5DCA, 0x11D2, 0xAF, 0xA6, 0x00, 0xAA, 0x00, 0x24,
            0xD8, 0xB6);
DEFINE_GUID(IID_IDirectMusicSegment, 0xF96029A2, 0x4282, 0x11D2, 0x87, 0x17, 0x00, 0x60, 0x08, 0x93,
            0xB1, 0xBD);
DEFINE_GUID(IID_IDirectMusicSegmentState, 0xA3AFDCC7, 0xD3EE, 0x11D1, 0xBC, 0x8D, 0x00, 0xA0, 0xC9,
            0x22, 0xE6, 0xEB);
DEFINE_GUID(IID_IDirectMusicObject, 0xD2AC28B5, 0xB39B, 0x11D1, 0x87, 0x04, 0x00, 0x60, 0x08, 0x93,
            0xB1, 0xBD);
DEFINE_GUID(IID_IKsControl, 0x28F54685, 0x06FD, 0x11D2, 0xB2, 0x7A, 0x00, 0xA0, 0xC9, 0x22, 0x31,
            0x96);

DEFINE_GUID(GUID_DirectMusicAllTypes, 0xD2AC2893, 0xB39B, 0x11D1, 0x87, 0x04, 0x00, 0x60, 0x08,
            0x93, 0xB1, 0xBD);
DEFINE_GUID(GUID_NOTIFICATION_SEGMENT, 0xD2AC2899, 0xB39B, 0x11D1, 0x87, 0x04, 0x00, 0x60, 0x08,
            0x93, 0xB1, 0xBD);
DEFINE_GUID(GUID_NOTIFICATION_PERFORMANCE, 0x81F75BC5, 0x4E5D, 0x11D2, 0xBC, 0xC7, 0x00, 0xA0, 0xC9,
            0x22, 0xE6, 0xEB);
DEFINE_GUID(GUID_StandardMIDIFile, 0x06621075, 0xE92E, 0x11D1, 0xA8, 0xC5, 0x00, 0xC0, 0x4F, 0xA3,
            0x72, 0x6E);
DEFINE_GUID(GUID_Download, 0xD2AC28A7, 0xB39B, 0x11D1, 0x87, 0x04, 0x00, 0x60, 0x08, 0x93, 0xB1,
            0xBD);
DEFINE_GUID(GUID_Unload, 0xD2AC28A8, 0xB39B, 0x11D1, 0x87, 0x04, 0x00, 0x60, 0x08, 0x93, 0xB1,
            0xBD);
DEFINE_GUID(GUID_DMUS_PROP_Effects, 0xCDA8D611, 0x684A, 0x11D2, 0x87, 0x1E, 0x00, 0x60, 0x08, 0x93,
            0xB1, 0xBD);

// ---------------------------------------------------------------- kernel-streaming properties

inline constexpr ULONG KSPROPERTY_TYPE_GET = 0x00000001;
inline constexpr ULONG KSPROPERTY_TYPE_SET = 0x00000002;

// Aligned as a 64-bit integer: Windows declares it as a union with one.
struct alignas(8) KSIDENTIFIER {
    GUID Set;
    ULONG Id;
    ULONG Flags;
};
using KSPROPERTY = KSIDENTIFIER;
using PKSPROPERTY = KSPROPERTY*;
static_assert(sizeof(KSPROPERTY) == 24);

struct IKsControl : IUnknown {
    STDMETHOD(KsProperty)
    (PKSPROPERTY property, ULONG propertyLength, LPVOID propertyData, ULONG dataLength,
     ULONG* bytesReturned) PURE;
};

// ---------------------------------------------------------------- ports

inline constexpr DWORD DMUS_PC_INPUTCLASS = 0;
inline constexpr DWORD DMUS_PC_OUTPUTCLASS = 1;

inline constexpr DWORD DMUS_PC_DLS = 0x00000001;
inline constexpr DWORD DMUS_PC_EXTERNAL = 0x00000002;
inline constexpr DWORD DMUS_PC_SOFTWARESYNTH = 0x00000004;
inline constexpr DWORD DMUS_PC_MEMORYSIZEFIXED = 0x00000008;
inline constexpr DWORD DMUS_PC_GMINHARDWARE = 0x00000010;
inline constexpr DWORD DMUS_PC_GSINHARDWARE = 0x00000020;
inline constexpr DWORD DMUS_PC_XGINHARDWARE = 0x00000040;
inline constexpr DWORD DMUS_PC_DIRECTSOUND = 0x00000080;
inline constexpr DWORD DMUS_PC_SHAREABLE = 0x00000100;
inline constexpr DWORD DMUS_PC_DLS2 = 0x00000200;
inline constexpr DWORD DMUS_PC_SYSTEMMEMORY = 0x7FFFFFFF;

inline constexpr DWORD DMUS_PORT_WINMM_DRIVER = 0;
inline constexpr DWORD DMUS_PORT_USER_MODE_SYNTH = 1;
inline constexpr DWORD DMUS_PORT_KERNEL_MODE = 2;

inline constexpr DWORD DMUS_EFFECT_NONE = 0x00000000;
inline constexpr DWORD DMUS_EFFECT_REVERB = 0x00000001;
inline constexpr DWORD DMUS_EFFECT_CHORUS = 0x00000002;
inline constexpr DWORD DMUS_EFFECT_DELAY = 0x00000004;

// What EnumPort says about a port; dwSize is sizeof(DMUS_PORTCAPS), 308.
struct DMUS_PORTCAPS {
    DWORD dwSize;
    DWORD dwFlags;
    GUID guidPort;
    DWORD dwClass;
    DWORD dwType;
    DWORD dwMemorySize;
    DWORD dwMaxChannelGroups;
    DWORD dwMaxVoices;
    DWORD dwMaxAudioChannels;
    DWORD dwEffectFlags;
    WCHAR wszDescription[DMUS_MAX_DESCRIPTION];
};
using LPDMUS_PORTCAPS = DMUS_PORTCAPS*;
static_assert(sizeof(DMUS_PORTCAPS) == 308);

inline constexpr DWORD DMUS_PORTPARAMS_VOICES = 0x00000001;
inline constexpr DWORD DMUS_PORTPARAMS_CHANNELGROUPS = 0x00000002;
inline constexpr DWORD DMUS_PORTPARAMS_AUDIOCHANNELS = 0x00000004;
inline constexpr DWORD DMUS_PORTPARAMS_SAMPLERATE = 0x00000008;
inline constexpr DWORD DMUS_PORTPARAMS_EFFECTS = 0x00000020;
inline constexpr DWORD DMUS_PORTPARAMS_SHARE = 0x00000040;
inline constexpr DWORD DMUS_PORTPARAMS_FEATURES = 0x00000080;

// Port parameters: dwSize is 36 (this record) or 32 (without dwFeatures).
struct DMUS_PORTPARAMS8 {
    DWORD dwSize;
    DWORD dwValidParams;
    DWORD dwVoices;
    DWORD dwChannelGroups;
    DWORD dwAudioChannels;
    DWORD dwSampleRate;
    DWORD dwEffectFlags;
    BOOL fShare;
    DWORD dwFeatures;
};
using DMUS_PORTPARAMS = DMUS_PORTPARAMS8;
using LPDMUS_PORTPARAMS = DMUS_PORTPARAMS8*;
static_assert(sizeof(DMUS_PORTPARAMS8) == 36);
inline constexpr DWORD DMUS_PORTPARAMS7_SIZE = 32;

struct IDirectMusicPort : IUnknown {
    // Starts (TRUE) or stops (FALSE) the port's output.
    STDMETHOD(Activate)(BOOL active) PURE;
};
using LPDIRECTMUSICPORT = IDirectMusicPort*;

struct IDirectMusic : IUnknown {
    STDMETHOD(EnumPort)(DWORD index, LPDMUS_PORTCAPS caps) PURE;
    STDMETHOD(CreatePort)
    (REFCLSID port, LPDMUS_PORTPARAMS params, LPDIRECTMUSICPORT* out, LPUNKNOWN outer) PURE;
    STDMETHOD(GetDefaultPort)(LPGUID port) PURE;
};

// ---------------------------------------------------------------- performance messages

inline constexpr DWORD DMUS_PMSGF_REFTIME = 0x1;
inline constexpr DWORD DMUS_PMSGF_MUSICTIME = 0x2;
inline constexpr DWORD DMUS_PMSGF_TOOL_IMMEDIATE = 0x4;
inline constexpr DWORD DMUS_PMSGF_TOOL_QUEUE = 0x8;
inline constexpr DWORD DMUS_PMSGF_TOOL_ATTIME = 0x10;
inline constexpr DWORD DMUS_PMSGF_TOOL_FLUSH = 0x20;

inline constexpr DWORD DMUS_PMSGT_MIDI = 0;
inline constexpr DWORD DMUS_PMSGT_NOTE = 1;
inline constexpr DWORD DMUS_PMSGT_SYSEX = 2;
inline constexpr DWORD DMUS_PMSGT_NOTIFICATION = 3;
inline constexpr DWORD DMUS_PMSGT_TEMPO = 4;
inline constexpr DWORD DMUS_PMSGT_PATCH = 11;

inline constexpr DWORD DMUS_NOTIFICATION_SEGSTART = 0;
inline constexpr DWORD DMUS_NOTIFICATION_SEGEND = 1;
inline constexpr DWORD DMUS_NOTIFICATION_SEGALMOSTEND = 2;
inline constexpr DWORD DMUS_NOTIFICATION_SEGLOOP = 3;
inline constexpr DWORD DMUS_NOTIFICATION_SEGABORT = 4;

struct IDirectMusicTool;
struct IDirectMusicGraph;

#define DMUS_PMSG_PART                                                                             \
    DWORD dwSize;                                                                                  \
    REFERENCE_TIME rtTime;                                                                         \
    MUSIC_TIME mtTime;                                                                             \
    DWORD dwFlags;                                                                                 \
    DWORD dwPChannel;                                                                              \
    DWORD dwVirtualTrackID;                                                                        \
    IDirectMusicTool* pTool;                                                                       \
    IDirectMusicGraph* pGraph;                                                                     \
    DWORD dwType;                                                                                  \
    DWORD dwVoiceID;                                                                               \
    DWORD dwGroupID;                                                                               \
    IUnknown* punkUser;

struct DMUS_PMSG {
    DMUS_PMSG_PART
};

struct DMUS_MIDI_PMSG {
    DMUS_PMSG_PART
    BYTE bStatus;
    BYTE bByte1;
    BYTE bByte2;
    BYTE bPad[1];
};

struct DMUS_SYSEX_PMSG {
    DMUS_PMSG_PART
    DWORD dwLen;
    BYTE abData[1];
};

struct DMUS_NOTIFICATION_PMSG {
    DMUS_PMSG_PART
    GUID guidNotificationType;
    DWORD dwNotificationOption;
    DWORD dwField1;
    DWORD dwField2;
};

// ---------------------------------------------------------------- segments and the loader

inline constexpr DWORD DMUS_SEGF_REFTIME = 0x40;
inline constexpr DWORD DMUS_SEGF_SECONDARY = 0x80;
inline constexpr DWORD DMUS_SEGF_QUEUE = 0x100;
inline constexpr DWORD DMUS_SEGF_CONTROL = 0x200;
inline constexpr DWORD DMUS_SEGF_AFTERPREPARETIME = 0x400;
inline constexpr DWORD DMUS_SEGF_GRID = 0x800;
inline constexpr DWORD DMUS_SEGF_BEAT = 0x1000;
inline constexpr DWORD DMUS_SEGF_MEASURE = 0x2000;
inline constexpr DWORD DMUS_SEGF_DEFAULT = 0x4000;
inline constexpr DWORD DMUS_SEGF_NOINVALIDATE = 0x8000;

inline constexpr DWORD DMUS_OBJ_OBJECT = 0x00000001;
inline constexpr DWORD DMUS_OBJ_CLASS = 0x00000002;
inline constexpr DWORD DMUS_OBJ_NAME = 0x00000004;
inline constexpr DWORD DMUS_OBJ_CATEGORY = 0x00000008;
inline constexpr DWORD DMUS_OBJ_FILENAME = 0x00000010;
inline constexpr DWORD DMUS_OBJ_FULLPATH = 0x00000020;
inline constexpr DWORD DMUS_OBJ_URL = 0x00000040;
inline constexpr DWORD DMUS_OBJ_VERSION = 0x00000080;
inline constexpr DWORD DMUS_OBJ_DATE = 0x00000100;
inline constexpr DWORD DMUS_OBJ_LOADED = 0x00000200;
inline constexpr DWORD DMUS_OBJ_MEMORY = 0x00000400;
inline constexpr DWORD DMUS_OBJ_STREAM = 0x00000800;

struct DMUS_VERSION {
    DWORD dwVersionMS;
    DWORD dwVersionLS;
};

struct IStream;

// An object's description. dwSize is sizeof(DMUS_OBJECTDESC), or 848, the
// size the structure has in a 32-bit Windows program.
struct DMUS_OBJECTDESC {
    DWORD dwSize;
    DWORD dwValidData;
    GUID guidObject;
    GUID guidClass;
    FILETIME ftDate;
    DMUS_VERSION vVersion;
    WCHAR wszName[DMUS_MAX_NAME];
    WCHAR wszCategory[DMUS_MAX_CATEGORY];
    WCHAR wszFileName[DMUS_MAX_FILENAME];
    LONGLONG llMemLength;
    LPBYTE pbMemData;
    IStream* pStream;
};
using LPDMUS_OBJECTDESC = DMUS_OBJECTDESC*;
inline constexpr DWORD DMUS_OBJECTDESC_SIZE_WIN32 = 848;

// A loaded object as the loader's cache knows it: the game only hands it
// back to ReleaseObject.
struct IDirectMusicObject : IUnknown {};

struct IDirectMusicSegmentState;
struct IDirectMusicPerformance;

struct IDirectMusicSegment : IUnknown {
    STDMETHOD(GetLength)(MUSIC_TIME* length) PURE;
    STDMETHOD(SetRepeats)(DWORD repeats) PURE;
    // GUID_StandardMIDIFile, GUID_Download (data: the performance) and
    // GUID_Unload (data: the performance).
    STDMETHOD(SetParam)
    (REFGUID type, DWORD groupBits, DWORD index, MUSIC_TIME time, void* data) PURE;
    STDMETHOD(SetStartPoint)(MUSIC_TIME start) PURE;
};

struct IDirectMusicSegmentState : IUnknown {
    STDMETHOD(GetStartTime)(MUSIC_TIME* start) PURE;
};

struct IDirectMusicLoader : IUnknown {
    STDMETHOD(GetObject)(LPDMUS_OBJECTDESC desc, REFIID iid, LPVOID* object) PURE;
    STDMETHOD(SetSearchDirectory)(REFGUID objectClass, WCHAR* path, BOOL clear) PURE;
    STDMETHOD(ReleaseObject)(IDirectMusicObject* object) PURE;
};

struct IDirectMusicPerformance : IUnknown {
    STDMETHOD(Init)(IDirectMusic** directMusic, LPDIRECTSOUND directSound, HWND window) PURE;
    STDMETHOD(PlaySegment)
    (IDirectMusicSegment* segment, DWORD flags, LONGLONG startTime,
     IDirectMusicSegmentState** state) PURE;
    STDMETHOD(Stop)
    (IDirectMusicSegment* segment, IDirectMusicSegmentState* state, MUSIC_TIME time,
     DWORD flags) PURE;
    STDMETHOD(GetTime)(REFERENCE_TIME* referenceNow, MUSIC_TIME* musicNow) PURE;
    STDMETHOD(AllocPMsg)(ULONG size, DMUS_PMSG** message) PURE;
    STDMETHOD(FreePMsg)(DMUS_PMSG* message) PURE;
    STDMETHOD(SendPMsg)(DMUS_PMSG* message) PURE;
    STDMETHOD(MusicToReferenceTime)(MUSIC_TIME music, REFERENCE_TIME* reference) PURE;
    STDMETHOD(SetNotificationHandle)(HANDLE event, REFERENCE_TIME minimum) PURE;
    STDMETHOD(GetNotificationPMsg)(DMUS_NOTIFICATION_PMSG** message) PURE;
    STDMETHOD(AddNotificationType)(REFGUID type) PURE;
    STDMETHOD(AddPort)(IDirectMusicPort* port) PURE;
    STDMETHOD(RemovePort)(IDirectMusicPort* port) PURE;
    STDMETHOD(AssignPChannelBlock)(DWORD block, IDirectMusicPort* port, DWORD group) PURE;
    STDMETHOD(CloseDown)() PURE;
};
