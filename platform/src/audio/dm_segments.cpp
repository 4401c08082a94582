// Segments made from Standard MIDI Files, their play states, and the loader
// that reads them from its search directory.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <sys/stat.h>

#include "audio/dmusic_internal.h"
#include "platform/faults.h"
#include "platform/sound.h"

namespace platform::audio {
namespace {

// Larger files are refused before reading: no MIDI song comes near this.
constexpr std::streamoff kMaxMidiFileBytes = 64 * 1024 * 1024;

GUID NextObjectGuid() {
    static std::atomic<DWORD> counter{0};
    const DWORD n = ++counter;
    return GUID{0x51A75E60,
                0x3D1C,
                0x4E2F,
                {0x9A, 0x5B, 0x53, 0x45, static_cast<BYTE>(n >> 24), static_cast<BYTE>(n >> 16),
                 static_cast<BYTE>(n >> 8), static_cast<BYTE>(n)}};
}

bool ValidDescSize(DWORD size) {
    return size == sizeof(DMUS_OBJECTDESC) || size == DMUS_OBJECTDESC_SIZE_WIN32;
}

} // namespace

std::string Utf8FromWide(const WCHAR* text, std::size_t limit) {
    std::string out;
    for (std::size_t i = 0; i < limit && text[i]; ++i) {
        std::uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < limit && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// ---------------------------------------------------------------- Segment

Segment::Segment(std::shared_ptr<const MidiSong> song, std::u16string fileName)
    : song(std::move(song)), fileName(std::move(fileName)), objectGuid(NextObjectGuid()),
      length(this->song->length) {}

Segment::~Segment() {
    for (auto& [port, keys] : downloads) {
        port->Driver().Unload(keys);
        port->Release();
    }
}

HRESULT Segment::QueryInterface(REFIID iid, void** out) {
    if (!out) {
        return E_POINTER;
    }
    if (iid == IID_IUnknown || iid == IID_IDirectMusicSegment) {
        *out = static_cast<IDirectMusicSegment*>(this);
    } else if (iid == IID_IDirectMusicObject) {
        *out = static_cast<IDirectMusicObject*>(this);
    } else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG Segment::Release() {
    NoteRelease("IDirectMusicSegment::Release");
    const ULONG left = refs.Drop();
    if (left == 0) {
        delete this;
    }
    return left;
}

HRESULT Segment::GetLength(MUSIC_TIME* out) {
    if (!out) {
        return E_POINTER;
    }
    *out = length;
    return S_OK;
}

HRESULT Segment::SetRepeats(DWORD count) {
    repeats = count;
    return S_OK;
}

HRESULT Segment::SetStartPoint(MUSIC_TIME start) {
    if (start < 0 || start > length) {
        return DMUS_E_OUT_OF_RANGE;
    }
    startPoint = start;
    return S_OK;
}

std::vector<InstrumentKey> Segment::InstrumentsUsed() const {
    std::uint16_t banks[16] = {};
    std::uint8_t programs[16] = {};
    std::set<InstrumentKey> used;
    for (const MidiEvent& event : song->events) {
        const unsigned channel = event.status & 0x0Fu;
        switch (event.status & 0xF0u) {
        case 0xB0:
            // A standard MIDI file plays General MIDI sounds: its bank
            // selects are not followed.
            if (event.data1 == 0 && !standardMidiFile) {
                banks[channel] = event.data2;
            }
            break;
        case 0xC0:
            programs[channel] = event.data1;
            break;
        case 0x90:
            if (event.data2 > 0) {
                used.insert(
                    {channel == kDrumChannel ? kDrumBank : banks[channel], programs[channel]});
            }
            break;
        default:
            break;
        }
    }
    return {used.begin(), used.end()};
}

HRESULT Segment::Download(Performance& performance) {
    HRESULT result = S_OK;
    bool any = false;
    for (MusicPort* port : performance.Ports()) {
        if (!port->TakesDownloads()) {
            continue;
        }
        any = true;
        if (downloads.count(port)) {
            continue; // already there
        }
        auto keys = InstrumentsUsed();
        const HRESULT downloaded = port->Driver().Download(keys);
        if (FAILED(downloaded)) {
            return downloaded;
        }
        if (downloaded != S_OK) {
            result = downloaded;
        }
        port->AddRef();
        downloads.emplace(port, std::move(keys));
    }
    return any ? result : DMUS_E_NOT_FOUND; // no port of this performance takes instruments
}

void Segment::Unload(MusicPort* port) {
    auto it = downloads.find(port);
    if (it == downloads.end()) {
        return;
    }
    port->Driver().Unload(it->second);
    port->Release();
    downloads.erase(it);
}

HRESULT Segment::SetParam(REFGUID type, DWORD groupBits, DWORD index, MUSIC_TIME time, void* data) {
    if (const auto fault = platform::TakeFault("IDirectMusicSegment::SetParam")) {
        return static_cast<HRESULT>(*fault);
    }
    (void)groupBits, (void)index, (void)time;
    if (type == GUID_StandardMIDIFile) {
        standardMidiFile = true;
        return S_OK;
    }
    if (type == GUID_Download || type == GUID_Unload) {
        auto* performance = dynamic_cast<Performance*>(static_cast<IUnknown*>(data));
        if (!performance) {
            return E_INVALIDARG;
        }
        if (type == GUID_Download) {
            return Download(*performance);
        }
        for (MusicPort* port : performance->Ports()) {
            Unload(port);
        }
        return S_OK;
    }
    return DMUS_E_TYPE_UNSUPPORTED;
}

// ---------------------------------------------------------------- SegmentState

SegmentState::SegmentState(Segment* segment, MUSIC_TIME start)
    : segment(segment), start(start), startPoint(segment->StartPoint()),
      repeats(segment->Length() > 0 ? segment->Repeats() : 0), length(segment->Length()),
      seek(segment->StartPoint()) {
    segment->AddRef();
}

SegmentState::~SegmentState() {
    segment->Release();
}

HRESULT SegmentState::QueryInterface(REFIID iid, void** out) {
    return QueryOneInterface(static_cast<IDirectMusicSegmentState*>(this),
                             IID_IDirectMusicSegmentState, iid, out);
}

ULONG SegmentState::Release() {
    NoteRelease("IDirectMusicSegmentState::Release");
    const ULONG left = refs.Drop();
    if (left == 0) {
        delete this;
    }
    return left;
}

HRESULT SegmentState::GetStartTime(MUSIC_TIME* out) {
    if (!out) {
        return E_POINTER;
    }
    *out = start;
    return S_OK;
}

// ---------------------------------------------------------------- Loader

Loader::~Loader() {
    for (auto& [path, segment] : cache) {
        segment->Release();
    }
}

HRESULT Loader::QueryInterface(REFIID iid, void** out) {
    return QueryOneInterface(static_cast<IDirectMusicLoader*>(this), IID_IDirectMusicLoader, iid,
                             out);
}

ULONG Loader::Release() {
    NoteRelease("IDirectMusicLoader::Release");
    const ULONG left = refs.Drop();
    if (left == 0) {
        delete this;
    }
    return left;
}

HRESULT Loader::SetSearchDirectory(REFGUID objectClass, WCHAR* path, BOOL clear) {
    if (const auto fault = platform::TakeFault("IDirectMusicLoader::SetSearchDirectory")) {
        return static_cast<HRESULT>(*fault);
    }
    if (!path) {
        return E_POINTER;
    }
    if (objectClass != GUID_DirectMusicAllTypes && objectClass != CLSID_DirectMusicSegment) {
        return DMUS_E_LOADER_NOCLASSID;
    }
    std::string directory = Utf8FromWide(path, DMUS_MAX_FILENAME);
    std::replace(directory.begin(), directory.end(), '\\', '/');
    struct stat info {};
    if (directory.empty() || stat(directory.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return DMUS_E_LOADER_BADPATH;
    }
    if (clear) {
        ClearCache(objectClass);
    }
    if (directory == searchDirectory) {
        return S_FALSE;
    }
    searchDirectory = directory;
    return S_OK;
}

HRESULT Loader::GetObject(LPDMUS_OBJECTDESC desc, REFIID iid, LPVOID* object) {
    if (const auto fault = platform::TakeFault("IDirectMusicLoader::GetObject")) {
        return static_cast<HRESULT>(*fault);
    }
    if (!object) {
        return E_POINTER;
    }
    *object = nullptr;
    if (!desc || !ValidDescSize(desc->dwSize)) {
        return E_INVALIDARG;
    }
    if ((desc->dwValidData & DMUS_OBJ_CLASS) && desc->guidClass != CLSID_DirectMusicSegment) {
        return DMUS_E_LOADER_NOCLASSID; // segments are the only objects read here
    }

    std::vector<std::uint8_t> bytes;
    std::string path;
    std::u16string name;
    if (desc->dwValidData & DMUS_OBJ_MEMORY) {
        if (!desc->pbMemData || desc->llMemLength <= 0 || desc->llMemLength > kMaxMidiFileBytes) {
            return E_INVALIDARG;
        }
        bytes.assign(desc->pbMemData, desc->pbMemData + desc->llMemLength);
    } else if (desc->dwValidData & DMUS_OBJ_FILENAME) {
        std::size_t length = 0;
        while (length < DMUS_MAX_FILENAME && desc->wszFileName[length]) {
            ++length;
        }
        name.assign(desc->wszFileName, length);
        std::string file = Utf8FromWide(desc->wszFileName, DMUS_MAX_FILENAME);
        if (file.empty()) {
            return DMUS_E_LOADER_NOFILENAME;
        }
        std::replace(file.begin(), file.end(), '\\', '/');
        path = (desc->dwValidData & DMUS_OBJ_FULLPATH) || file.front() == '/'
                   ? file
                   : searchDirectory + "/" + file;
        if (auto cached = cache.find(path); cached != cache.end()) {
            return cached->second->QueryInterface(iid, object);
        }
        std::ifstream in(path, std::ios::binary | std::ios::ate);
        if (!in) {
            return DMUS_E_LOADER_FAILEDOPEN;
        }
        const std::streamoff size = in.tellg();
        if (size < 0 || size > kMaxMidiFileBytes) {
            return DMUS_E_LOADER_FAILEDOPEN;
        }
        bytes.resize(static_cast<std::size_t>(size));
        in.seekg(0);
        if (!in.read(reinterpret_cast<char*>(bytes.data()), size)) {
            return DMUS_E_LOADER_FAILEDOPEN;
        }
    } else {
        return DMUS_E_LOADER_NOFILENAME;
    }

    auto song = std::make_shared<MidiSong>();
    std::string error;
    if (!ParseMidiFile(bytes.data(), bytes.size(), *song, error)) {
        std::fprintf(stderr, "quorvane: cannot load music %s: %s\n",
                     path.empty() ? "from memory" : path.c_str(), error.c_str());
        return DMUS_E_UNSUPPORTED_STREAM;
    }
    auto* segment = new Segment(std::move(song), std::move(name));
    const HRESULT result = segment->QueryInterface(iid, object);
    if (SUCCEEDED(result) && !path.empty()) {
        cache.emplace(path, segment); // the cache keeps the creation reference
    } else {
        segment->Release();
    }
    return result;
}

HRESULT Loader::ReleaseObject(IDirectMusicObject* object) {
    if (!object) {
        return E_POINTER;
    }
    auto* segment = dynamic_cast<Segment*>(object);
    for (auto it = cache.begin(); it != cache.end(); ++it) {
        if (it->second == segment) {
            it->second->Release();
            cache.erase(it);
            return S_OK;
        }
    }
    return S_FALSE; // not in the cache
}

HRESULT Loader::ClearCache(REFGUID objectClass) {
    if (objectClass != GUID_DirectMusicAllTypes && objectClass != CLSID_DirectMusicSegment) {
        return DMUS_E_LOADER_NOCLASSID;
    }
    for (auto& [path, segment] : cache) {
        segment->Release();
    }
    cache.clear();
    return S_OK;
}

} // namespace platform::audio

platform::SegmentSettings platform::SettingsOf(IDirectMusicSegment* segment) {
    auto* ours = dynamic_cast<audio::Segment*>(segment);
    return ours ? SegmentSettings{ours->Repeats(), ours->StartPoint()} : SegmentSettings{};
}
