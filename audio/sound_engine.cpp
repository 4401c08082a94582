#include "audio/sound_engine.h"

#include <cstring>

#include "audio/audio_messages.h"

namespace {

constexpr WORD WAVE_FORMAT_PCM_TAG = 1;
constexpr DWORD RIFF_HEADER_SIZE = 12;
constexpr DWORD FORMAT_RECORD_SIZE = 18; // a WAVEFORMATEX, whatever the chunk's size

bool ReadBytes(HANDLE file, void* into, DWORD count, DWORD* got = nullptr) {
    DWORD read = 0;
    const BOOL ok = ReadFile(file, into, count, &read, nullptr);
    if (got != nullptr) {
        *got = read;
    }
    return ok != FALSE;
}

DWORD ReadLittleEndian32(const BYTE* bytes) {
    return DWORD{bytes[0]} | (DWORD{bytes[1]} << 8) | (DWORD{bytes[2]} << 16) |
           (DWORD{bytes[3]} << 24);
}

} // namespace

int SoundEngine::InitSound() {
    if (DirectSoundCreate(nullptr, &device, nullptr) != DS_OK) {
        return 0;
    }
    if (device->SetCooperativeLevel(window, DSSCL_PRIORITY) != DS_OK) {
        return 0;
    }
    DSBUFFERDESC desc;
    std::memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    desc.dwFlags = DSBCAPS_PRIMARYBUFFER;
    if (device->CreateSoundBuffer(&desc, &primary, nullptr) != DS_OK) {
        return 0;
    }
    WAVEFORMATEX format;
    std::memset(&format, 0, sizeof format);
    format.wFormatTag = WAVE_FORMAT_PCM_TAG;
    format.nChannels = 2;
    format.nSamplesPerSec = 44100;
    format.wBitsPerSample = 16;
    format.nBlockAlign = static_cast<WORD>(format.nChannels * (format.wBitsPerSample / 8));
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    format.cbSize = 0;
    if (primary->SetFormat(&format) != DS_OK) {
        return 0;
    }
    SendMessageA(window, UM_SOUND_READY, 0, 0);
    return 1;
}

void SoundEngine::ReleaseSound() {
    if (device != nullptr) {
        device->Release();
    }
    device = nullptr;
}

int SoundEngine::FailWave(HANDLE file, LPCSTR message) {
    CloseHandle(file);
    ReportError(message);
    return 0;
}

std::optional<WaveChunkHeader> SoundEngine::FindChunk(HANDLE file, const char* id, DWORD end) {
    SetFilePointer(file, RIFF_HEADER_SIZE, nullptr, FILE_BEGIN);
    for (;;) {
        const DWORD position = SetFilePointer(file, 0, nullptr, FILE_CURRENT);
        if (position == INVALID_SET_FILE_POINTER || position >= end) {
            return std::nullopt;
        }
        BYTE header[8];
        DWORD got = 0;
        if (!ReadBytes(file, header, sizeof header, &got) || got < sizeof header) {
            return std::nullopt;
        }
        std::memcpy(chunk.id, header, 4);
        chunk.size = ReadLittleEndian32(header + 4);
        if (std::memcmp(chunk.id, id, 4) == 0) {
            return chunk;
        }
        // A chunk that reaches past the 4 GiB a 32-bit offset can name ends the
        // walk instead of wrapping back to an earlier chunk, which would loop.
        if (DWORD{0xFFFFFFFFu} - (position + 8) < chunk.size) {
            return std::nullopt;
        }
        LONG high = 0; // with the high part the move is a 64-bit one, always forwards
        SetFilePointer(file, static_cast<LONG>(chunk.size), &high, FILE_CURRENT);
    }
}

int SoundEngine::LoadWave(SoundSlot& slot, LPCSTR fileName) {
    HANDLE file = CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 0;
    }
    BYTE riff[RIFF_HEADER_SIZE] = {}; // bytes a short read leaves out count as zero
    if (!ReadBytes(file, riff, sizeof riff)) {
        return FailWave(file, MSG_RIFF_HEADER_READ_FAILED);
    }
    if (std::memcmp(riff, "RIFF", 4) != 0) {
        return FailWave(file, MSG_RIFF_ID_MISMATCH);
    }
    if (std::memcmp(riff + 8, "WAVE", 4) != 0) {
        return FailWave(file, MSG_RIFF_FORM_MISMATCH);
    }
    const DWORD end = ReadLittleEndian32(riff + 4) + 8;
    if (!FindChunk(file, "fmt ", end)) {
        return FailWave(file, MSG_FMT_CHUNK_NOT_FOUND);
    }
    WAVEFORMATEX format;
    std::memset(&format, 0, sizeof format);
    BYTE record[FORMAT_RECORD_SIZE] = {};
    if (!ReadBytes(file, record, sizeof record)) {
        return FailWave(file, MSG_FMT_CHUNK_READ_FAILED);
    }
    std::memcpy(&format, record, sizeof record);
    if (format.wFormatTag != WAVE_FORMAT_PCM_TAG) {
        return FailWave(file, MSG_FORMAT_TAG_MISMATCH);
    }
    const std::optional<WaveChunkHeader> data = FindChunk(file, "data", end);
    if (!data) {
        return FailWave(file, MSG_DATA_CHUNK_NOT_FOUND);
    }

    DSBUFFERDESC desc;
    std::memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    desc.dwFlags = DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME;
    // The buffer takes the declared size even when the file ends sooner: the
    // samples that are there play, then the rest of the buffer as the device
    // made it, silence. DirectSound itself refuses a size above 256 MiB.
    desc.dwBufferBytes = data->size;
    desc.lpwfxFormat = &format;
    if (device->CreateSoundBuffer(&desc, &slot, nullptr) != DS_OK) {
        return FailWave(file, MSG_CREATE_SOUND_BUFFER_FAILED);
    }
    void* first = nullptr;
    void* second = nullptr;
    DWORD firstBytes = 0;
    DWORD secondBytes = 0;
    if (slot->Lock(0, 0, &first, &firstBytes, &second, &secondBytes,
                   DSBLOCK_FROMWRITECURSOR | DSBLOCK_ENTIREBUFFER) != DS_OK) {
        return FailWave(file, MSG_SOUND_BUFFER_LOCK_FAILED);
    }
    if (firstBytes > 0 && !ReadBytes(file, first, firstBytes)) {
        return FailWave(file, MSG_DATA1_READ_FAILED);
    }
    if (secondBytes > 0 && !ReadBytes(file, second, secondBytes)) {
        return FailWave(file, MSG_DATA2_READ_FAILED);
    }
    slot->Unlock(first, firstBytes, second, secondBytes);
    CloseHandle(file);
    return 1;
}

int SoundEngine::LoadSlot(SoundSlot& slot, LPCSTR fileName) {
    if (slot != nullptr) {
        slot->Release();
        slot = nullptr;
    }
    return LoadWave(slot, fileName);
}

void SoundEngine::PlaySlot(SoundSlot& slot, int loop) {
    if (slot == nullptr) {
        return;
    }
    slot->SetCurrentPosition(0);
    slot->Play(0, 0, loop != 0 ? DSBPLAY_LOOPING : 0);
}

void SoundEngine::StopSlot(SoundSlot& slot) {
    if (slot != nullptr) {
        slot->Stop();
    }
}
