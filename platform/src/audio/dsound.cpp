// DirectSound over the mixer: a device owns the output, a primary buffer that
// sets its format, and secondary buffers of PCM data that the mixer plays.
#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "audio/com_object.h"
#include "audio/dsound_device.h"
#include "audio/mixer.h"
#include "lifetimes_internal.h"
#include "platform/faults.h"
#include "platform/sound.h"

namespace platform::audio {
namespace {

class SoundDevice;

bool ValidPcmFormat(const WAVEFORMATEX& format) {
    return format.wFormatTag == WAVE_FORMAT_PCM &&
           (format.nChannels == 1 || format.nChannels == 2) &&
           (format.wBitsPerSample == 8 || format.wBitsPerSample == 16) &&
           format.nSamplesPerSec >= DSBFREQUENCY_MIN && format.nSamplesPerSec <= DSBFREQUENCY_MAX &&
           format.nBlockAlign == format.nChannels * format.wBitsPerSample / 8;
}

class SoundBuffer final : public IDirectSoundBuffer, private LiveObject<"IDirectSoundBuffer"> {
public:
    SoundBuffer(SoundDevice& owner, std::shared_ptr<Mixer> mixer, std::unique_ptr<Voice> voice)
        : device(owner), mixer(std::move(mixer)), voice(std::move(voice)) {
        if (this->voice) {
            this->mixer->AddVoice(this->voice.get());
        }
    }
    ~SoundBuffer() {
        if (voice) {
            mixer->RemoveVoice(voice.get());
        }
    }

    bool IsPrimary() const { return !voice; }

    SoundBufferState State() {
        if (IsPrimary()) {
            return {};
        }
        std::lock_guard<std::mutex> hold(mixer->Lock());
        return {voice->IsPlaying(), voice->IsPlaying() && voice->IsLooping(), voice->Position()};
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        return QueryOneInterface(static_cast<IDirectSoundBuffer*>(this), IID_IDirectSoundBuffer,
                                 iid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return refs.Add(); }
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE Lock(DWORD offset, DWORD bytes, LPVOID* ptr1, LPDWORD bytes1,
                                   LPVOID* ptr2, LPDWORD bytes2, DWORD lockFlags) override;
    HRESULT STDMETHODCALLTYPE Unlock(LPVOID ptr1, DWORD bytes1, LPVOID ptr2, DWORD bytes2) override;

    HRESULT STDMETHODCALLTYPE Play(DWORD reserved, DWORD priority, DWORD playFlags) override {
        if (const auto fault = platform::TakeFault("IDirectSoundBuffer::Play")) {
            return static_cast<HRESULT>(*fault);
        }
        if (reserved != 0 || priority != 0) {
            return DSERR_INVALIDPARAM;
        }
        if (IsPrimary()) {
            // The output runs whenever the device is open; the primary buffer
            // only asks it to, and it must be asked to loop.
            return (playFlags & DSBPLAY_LOOPING) ? DS_OK : DSERR_INVALIDPARAM;
        }
        std::lock_guard<std::mutex> hold(mixer->Lock());
        return voice->Play((playFlags & DSBPLAY_LOOPING) != 0) ? DS_OK : DSERR_GENERIC;
    }

    HRESULT STDMETHODCALLTYPE SetCurrentPosition(DWORD position) override {
        if (IsPrimary()) {
            return DSERR_INVALIDCALL;
        }
        std::lock_guard<std::mutex> hold(mixer->Lock());
        if (position >= voice->data.size()) {
            return DSERR_INVALIDPARAM;
        }
        voice->SetPosition(position);
        return DS_OK;
    }

    HRESULT STDMETHODCALLTYPE SetFormat(LPCWAVEFORMATEX format) override;

    HRESULT STDMETHODCALLTYPE Stop() override {
        if (IsPrimary()) {
            return DS_OK; // the output keeps running while the device is open
        }
        std::lock_guard<std::mutex> hold(mixer->Lock());
        voice->Stop();
        return DS_OK;
    }

    // memory is never lost

private:
    DWORD WriteCursorLocked(DWORD play) const {
        if (!voice->IsPlaying()) {
            return play;
        }
        // The mixer has taken up to one chunk beyond what is heard.
        const std::uint64_t lead = static_cast<std::uint64_t>(Mixer::kChunkFrames) *
                                   voice->format.rate / std::max<std::uint32_t>(mixer->Rate(), 1) *
                                   voice->format.BlockAlign();
        return static_cast<DWORD>((play + lead) % voice->data.size());
    }

    SoundDevice& device;
    RefCount refs;
    std::shared_ptr<Mixer> mixer;
    std::unique_ptr<Voice> voice; // null for the primary buffer
    // Lock hands out a copy; Unlock writes it back under the mixer's lock, so
    // the game's writes never race the audio thread's reads. The copy lives
    // only while the buffer is locked.
    SampleBytes lockCopy;
    bool locked = false;
    DWORD lockedOffset = 0;
    DWORD lockedBytes = 0;
};

class SoundDevice final : public IDirectSound, private LiveObject<"IDirectSound"> {
public:
    explicit SoundDevice(std::shared_ptr<Mixer> mixer) : mixer(std::move(mixer)) {}
    ~SoundDevice() {
        // Releasing the device releases every buffer made from it.
        for (SoundBuffer* buffer : buffers) {
            delete buffer;
        }
        mixer->Close();
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        return QueryOneInterface(static_cast<IDirectSound*>(this), IID_IDirectSound, iid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return refs.Add(); }
    ULONG STDMETHODCALLTYPE Release() override {
        NoteRelease("IDirectSound::Release");
        const ULONG left = refs.Drop();
        if (left == 0) {
            delete this;
        }
        return left;
    }

    HRESULT STDMETHODCALLTYPE CreateSoundBuffer(LPCDSBUFFERDESC desc, LPDIRECTSOUNDBUFFER* out,
                                                LPUNKNOWN outer) override;

    HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD newLevel) override {
        if (const auto fault = platform::TakeFault("IDirectSound::SetCooperativeLevel")) {
            return static_cast<HRESULT>(*fault);
        }
        if (!window || newLevel < DSSCL_NORMAL || newLevel > DSSCL_WRITEPRIMARY) {
            return DSERR_INVALIDPARAM;
        }
        level = newLevel;
        return DS_OK;
    }

    void Forget(SoundBuffer* buffer) {
        buffers.erase(std::remove(buffers.begin(), buffers.end(), buffer), buffers.end());
    }
    DWORD Level() const { return level; }
    const std::shared_ptr<Mixer>& MixerRef() const { return mixer; }

private:
    RefCount refs;
    std::shared_ptr<Mixer> mixer;
    std::vector<SoundBuffer*> buffers;
    DWORD level = 0;
};

ULONG SoundBuffer::Release() {
    NoteRelease("IDirectSoundBuffer::Release");
    const ULONG left = refs.Drop();
    if (left == 0) {
        device.Forget(this);
        delete this;
    }
    return left;
}

HRESULT SoundBuffer::Lock(DWORD offset, DWORD bytes, LPVOID* ptr1, LPDWORD bytes1, LPVOID* ptr2,
                          LPDWORD bytes2, DWORD lockFlags) {
    if (const auto fault = platform::TakeFault("IDirectSoundBuffer::Lock")) {
        return static_cast<HRESULT>(*fault);
    }
    if (IsPrimary()) {
        return device.Level() == DSSCL_WRITEPRIMARY ? DSERR_INVALIDCALL : DSERR_PRIOLEVELNEEDED;
    }
    if (!ptr1 || !bytes1 || locked) {
        return DSERR_INVALIDPARAM;
    }
    std::lock_guard<std::mutex> hold(mixer->Lock());
    const auto size = static_cast<DWORD>(voice->data.size());
    if (lockFlags & DSBLOCK_FROMWRITECURSOR) {
        offset = WriteCursorLocked(voice->Position());
    }
    if (lockFlags & DSBLOCK_ENTIREBUFFER) {
        bytes = size;
    }
    if (offset >= size || bytes == 0 || bytes > size) {
        return DSERR_INVALIDPARAM;
    }
    const DWORD first = std::min(bytes, size - offset);
    const DWORD second = bytes - first;
    if (second > 0 && (!ptr2 || !bytes2)) {
        return DSERR_INVALIDPARAM;
    }
    lockCopy = SampleBytes(size);
    if (!lockCopy.data()) {
        return DSERR_OUTOFMEMORY;
    }
    CopyChangedSpans(lockCopy.data() + offset, voice->data.data() + offset, first);
    CopyChangedSpans(lockCopy.data(), voice->data.data(), second);
    *ptr1 = lockCopy.data() + offset;
    *bytes1 = first;
    if (ptr2) {
        *ptr2 = second ? lockCopy.data() : nullptr;
    }
    if (bytes2) {
        *bytes2 = second;
    }
    locked = true;
    lockedOffset = offset;
    lockedBytes = bytes;
    return DS_OK;
}

HRESULT SoundBuffer::Unlock(LPVOID ptr1, DWORD bytes1, LPVOID ptr2, DWORD bytes2) {
    if (IsPrimary() || !locked) {
        return DSERR_INVALIDCALL;
    }
    const auto size = static_cast<DWORD>(voice->data.size());
    const DWORD first = std::min(lockedBytes, size - lockedOffset);
    if (ptr1 != lockCopy.data() + lockedOffset || bytes1 > first ||
        (ptr2 && (ptr2 != lockCopy.data() || bytes2 > lockedBytes - first))) {
        return DSERR_INVALIDPARAM;
    }
    {
        std::lock_guard<std::mutex> hold(mixer->Lock());
        // Only the bytes the caller says it wrote are committed.
        CopyChangedSpans(voice->data.data() + lockedOffset, static_cast<std::uint8_t*>(ptr1),
                         bytes1);
        if (ptr2 && bytes2) {
            CopyChangedSpans(voice->data.data(), static_cast<std::uint8_t*>(ptr2), bytes2);
        }
    }
    lockCopy = SampleBytes();
    locked = false;
    return DS_OK;
}

HRESULT SoundBuffer::SetFormat(LPCWAVEFORMATEX format) {
    if (const auto fault = platform::TakeFault("IDirectSoundBuffer::SetFormat")) {
        return static_cast<HRESULT>(*fault);
    }
    if (!IsPrimary()) {
        return DSERR_INVALIDCALL;
    }
    if (device.Level() < DSSCL_PRIORITY) {
        return DSERR_PRIOLEVELNEEDED;
    }
    if (!format || !ValidPcmFormat(*format)) {
        return DSERR_BADFORMAT;
    }
    if (!mixer->SetOutputFormat(format->nSamplesPerSec, format->nChannels)) {
        return DSERR_GENERIC;
    }
    return DS_OK;
}

HRESULT SoundDevice::CreateSoundBuffer(LPCDSBUFFERDESC desc, LPDIRECTSOUNDBUFFER* out,
                                       LPUNKNOWN outer) {
    if (const auto fault = platform::TakeFault("IDirectSound::CreateSoundBuffer")) {
        return static_cast<HRESULT>(*fault);
    }
    if (!desc || !out || outer ||
        (desc->dwSize != sizeof(DSBUFFERDESC) && desc->dwSize != DSBUFFERDESC_SIZE_WIN32)) {
        return DSERR_INVALIDPARAM;
    }
    if (level == 0) {
        return DSERR_UNINITIALIZED;
    }
    SoundBuffer* buffer = nullptr;
    if (desc->dwFlags & DSBCAPS_PRIMARYBUFFER) {
        if (desc->dwBufferBytes != 0 || desc->lpwfxFormat) {
            return DSERR_INVALIDPARAM;
        }
        buffer = new SoundBuffer(*this, mixer, nullptr);
    } else {
        if (!desc->lpwfxFormat || desc->dwBufferBytes < DSBSIZE_MIN ||
            desc->dwBufferBytes > DSBSIZE_MAX) {
            return DSERR_INVALIDPARAM;
        }
        const WAVEFORMATEX& format = *desc->lpwfxFormat;
        if (!ValidPcmFormat(format)) {
            return DSERR_BADFORMAT;
        }
        PcmFormat pcm{format.nSamplesPerSec, format.nChannels, format.wBitsPerSample};
        if (desc->dwBufferBytes < pcm.BlockAlign()) {
            return DSERR_INVALIDPARAM;
        }
        auto voice = std::make_unique<Voice>(*mixer, pcm, desc->dwBufferBytes);
        if (!voice->data.data()) {
            return DSERR_OUTOFMEMORY;
        }
        {
            std::lock_guard<std::mutex> hold(mixer->Lock());
            if (!voice->RebuildStream()) {
                return DSERR_OUTOFMEMORY;
            }
        }
        buffer = new SoundBuffer(*this, mixer, std::move(voice));
    }
    buffers.push_back(buffer);
    *out = buffer;
    return DS_OK;
}

} // namespace

std::shared_ptr<Mixer> MixerOfDevice(IDirectSound* device) {
    auto* own = dynamic_cast<SoundDevice*>(device);
    return own ? own->MixerRef() : nullptr;
}

} // namespace platform::audio

platform::SoundBufferState platform::StateOf(IDirectSoundBuffer* buffer) {
    auto* ours = dynamic_cast<audio::SoundBuffer*>(buffer);
    return ours ? ours->State() : SoundBufferState{};
}

HRESULT WINAPI DirectSoundCreate(const GUID* device, LPDIRECTSOUND* directSound, LPUNKNOWN outer) {
    if (const auto fault = platform::TakeFault("DirectSoundCreate")) {
        return static_cast<HRESULT>(*fault);
    }
    if (!directSound || outer) {
        return DSERR_INVALIDPARAM;
    }
    *directSound = nullptr;
    if (device) {
        return DSERR_NODRIVER; // only the default device exists
    }
    if (platform::audio::Mixer::OutputTaken()) {
        return DSERR_ALLOCATED; // one device at a time owns the output
    }
    auto mixer = platform::audio::Mixer::Open();
    if (!mixer) {
        return DSERR_NODRIVER;
    }
    *directSound = new platform::audio::SoundDevice(std::move(mixer));
    return DS_OK;
}
