// Files as kernel objects over POSIX descriptors.
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <string>

#include "platform/faults.h"
#include "platform/text.h"
#include "system/handles.h"

namespace {

class FileObject final : public platform::KernelObject {
public:
    FileObject(int fd, bool readable) : fd(fd), readable(readable) {}
    ~FileObject() override { close(fd); }
    FileObject(const FileObject&) = delete;
    FileObject& operator=(const FileObject&) = delete;

    const int fd;
    const bool readable;
};

int OpenFlags(DWORD access, DWORD disposition, bool& ok) {
    ok = true;
    int flags = O_CLOEXEC;
    const bool read = access & GENERIC_READ;
    const bool write = access & GENERIC_WRITE;
    flags |= read && write ? O_RDWR : write ? O_WRONLY : O_RDONLY;
    switch (disposition) {
    case CREATE_NEW:
        return flags | O_CREAT | O_EXCL;
    case CREATE_ALWAYS:
        return flags | O_CREAT | O_TRUNC;
    case OPEN_EXISTING:
        return flags;
    case OPEN_ALWAYS:
        return flags | O_CREAT;
    case TRUNCATE_EXISTING:
        return flags | O_TRUNC;
    default:
        ok = false;
        return 0;
    }
}

// The entry of `folder` whose name equals `name` ignoring ASCII case.
std::string FindIgnoringCase(const std::string& folder, const std::string& name) {
    DIR* listing = opendir(folder.empty() ? "." : folder.c_str());
    if (!listing) {
        return {};
    }
    std::string found;
    while (const dirent* entry = readdir(listing)) {
        if (strcasecmp(entry->d_name, name.c_str()) == 0) {
            found = entry->d_name;
            break;
        }
    }
    closedir(listing);
    return found;
}

// Windows file names ignore case: where the exact path does not exist, each
// part of it is matched against the folder's entries ignoring case. Parts
// that match nothing stay as written (a file about to be created).
std::string ResolveCase(const std::string& path) {
    if (path.empty() || access(path.c_str(), F_OK) == 0) {
        return path;
    }
    std::string resolved = path[0] == '/' ? "/" : "";
    std::size_t begin = path[0] == '/' ? 1 : 0;
    while (begin <= path.size()) {
        std::size_t end = path.find('/', begin);
        if (end == std::string::npos) {
            end = path.size();
        }
        std::string part = path.substr(begin, end - begin);
        const std::string candidate = resolved + part;
        if (!part.empty() && part != "." && part != ".." && access(candidate.c_str(), F_OK) != 0) {
            const std::string match = FindIgnoringCase(resolved, part);
            if (!match.empty()) {
                part = match;
            }
        }
        resolved += part;
        if (end < path.size()) {
            resolved += '/';
        }
        begin = end + 1;
    }
    return resolved;
}

} // namespace

HANDLE WINAPI CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD, LPSECURITY_ATTRIBUTES,
                          DWORD creationDisposition, DWORD, HANDLE) {
    if (platform::TakeFault("CreateFileA")) {
        return INVALID_HANDLE_VALUE;
    }
    bool dispositionOk = false;
    const int flags = OpenFlags(desiredAccess, creationDisposition, dispositionOk);
    if (!fileName || !*fileName || !dispositionOk ||
        (creationDisposition == TRUNCATE_EXISTING && !(desiredAccess & GENERIC_WRITE))) {
        return INVALID_HANDLE_VALUE;
    }
    const std::string path = ResolveCase(platform::NativePath(fileName));
    const int fd = open(path.c_str(), flags, 0644);
    if (fd < 0) {
        return INVALID_HANDLE_VALUE;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        close(fd); // Windows opens no folder as a file
        return INVALID_HANDLE_VALUE;
    }
    return platform::AddHandle(
        std::make_shared<FileObject>(fd, (desiredAccess & GENERIC_READ) != 0));
}

BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead,
                     LPOVERLAPPED overlapped) {
    if (bytesRead) {
        *bytesRead = 0;
    }
    if (platform::TakeFault("ReadFile")) {
        return FALSE;
    }
    const auto object = platform::FindHandleOf<FileObject>(file);
    if (!object) {
        return FALSE;
    }
    if (!object->readable) {
        return FALSE;
    }
    if ((!buffer && bytesToRead > 0) || overlapped) {
        return FALSE;
    }
    // Reads until the count is met or the file ends: a short count means the
    // end of the file was reached, and reading at the end gives 0 bytes.
    DWORD total = 0;
    auto* out = static_cast<char*>(buffer);
    while (total < bytesToRead) {
        const ssize_t got = read(object->fd, out + total, bytesToRead - total);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            if (bytesRead) {
                *bytesRead = total;
            }
            return FALSE;
        }
        if (got == 0) {
            break;
        }
        total += static_cast<DWORD>(got);
    }
    if (bytesRead) {
        *bytesRead = total;
    }
    return TRUE;
}

// Without a high part the distance is a signed 32-bit value and the new
// position must fit in 32 bits; with one, the two make a signed 64-bit
// distance and the high part receives the new position's upper half.
DWORD WINAPI SetFilePointer(HANDLE file, LONG distanceToMove, PLONG distanceToMoveHigh,
                            DWORD moveMethod) {
    if (platform::TakeFault("SetFilePointer")) {
        return INVALID_SET_FILE_POINTER;
    }
    const auto object = platform::FindHandleOf<FileObject>(file);
    if (!object) {
        return INVALID_SET_FILE_POINTER;
    }
    std::int64_t distance = distanceToMove;
    if (distanceToMoveHigh) {
        distance = static_cast<std::int64_t>(
            (static_cast<std::uint64_t>(static_cast<std::uint32_t>(*distanceToMoveHigh)) << 32) |
            static_cast<std::uint32_t>(distanceToMove));
    }
    int whence = SEEK_SET;
    switch (moveMethod) {
    case FILE_BEGIN:
        whence = SEEK_SET;
        break;
    case FILE_CURRENT:
        whence = SEEK_CUR;
        break;
    case FILE_END:
        whence = SEEK_END;
        break;
    default:
        return INVALID_SET_FILE_POINTER;
    }
    const off_t base = whence == SEEK_SET ? 0 : lseek(object->fd, 0, whence);
    if (base < 0 || (distance < 0 && base < -distance)) {
        return INVALID_SET_FILE_POINTER;
    }
    const std::int64_t target = static_cast<std::int64_t>(base) + distance;
    if (!distanceToMoveHigh && target > static_cast<std::int64_t>(UINT32_MAX) - 1) {
        return INVALID_SET_FILE_POINTER;
    }
    if (lseek(object->fd, static_cast<off_t>(target), SEEK_SET) < 0) {
        return INVALID_SET_FILE_POINTER;
    }
    if (distanceToMoveHigh) {
        *distanceToMoveHigh = static_cast<LONG>(static_cast<std::uint64_t>(target) >> 32);
    }
    return static_cast<DWORD>(static_cast<std::uint64_t>(target) & 0xFFFFFFFFu);
}

DWORD WINAPI GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer) {
    if (platform::TakeFault("GetCurrentDirectoryA")) {
        return 0;
    }
    char native[PATH_MAX];
    if (!getcwd(native, sizeof native)) {
        return 0;
    }
    const std::string ansi = platform::Utf8ToAnsi(native);
    if (bufferLength < ansi.size() + 1 || !buffer) {
        return static_cast<DWORD>(ansi.size() + 1);
    }
    std::memcpy(buffer, ansi.c_str(), ansi.size() + 1);
    return static_cast<DWORD>(ansi.size());
}
