// An open file descriptor, closed with its owner.
#pragma once

#include <unistd.h>

namespace platform {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd(fd) {}
    ~FileDescriptor() { Reset(); }
    FileDescriptor(FileDescriptor&& other) noexcept : fd(other.Release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }
    int Get() const { return fd; }
    bool Valid() const { return fd >= 0; }
    int Release() {
        const int released = fd;
        fd = -1;
        return released;
    }
    void Reset(int newFd = -1) {
        if (fd >= 0) {
            close(fd);
        }
        fd = newFd;
    }

private:
    int fd;
};

} // namespace platform
