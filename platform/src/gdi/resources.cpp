// The executable's resource table.
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "gdi/resource_table.h"
#include "platform/faults.h"
#include "platform/resources.h"
#include "winapi/gdi.h"

namespace platform {
namespace {

// A resource type or name: an integer identifier, or an upper-cased string
// (Windows compares resource names without regard to case).
struct ResourceName {
    bool numeric = false;
    unsigned id = 0;
    std::string text;

    bool operator==(const ResourceName&) const = default;
};

// Also takes "#123", the string form of identifier 123.
ResourceName NameOf(LPCSTR name) {
    ResourceName result;
    if (IS_INTRESOURCE(name)) {
        result.numeric = true;
        result.id = static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(name));
        return result;
    }
    if (name[0] == '#' && name[1] != '\0') {
        char* end = nullptr;
        const unsigned long id = std::strtoul(name + 1, &end, 10);
        if (*end == '\0' && id <= 0xFFFF) {
            result.numeric = true;
            result.id = static_cast<unsigned>(id);
            return result;
        }
    }
    for (const char* c = name; *c != '\0'; ++c) {
        result.text.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(*c))));
    }
    return result;
}

struct Resource {
    ResourceName type;
    ResourceName name;
    std::vector<unsigned char> bytes;
};

std::mutex tableLock;
// Entries are never moved: their addresses are the HRSRC and HGLOBAL handles.
std::vector<std::unique_ptr<Resource>>& Table() {
    static std::vector<std::unique_ptr<Resource>> table;
    return table;
}

Resource* FindEntry(const void* handle) {
    for (auto& entry : Table()) {
        if (entry.get() == handle && !entry->bytes.empty()) {
            return entry.get();
        }
    }
    return nullptr;
}

} // namespace

void RegisterResource(LPCSTR type, LPCSTR name, const void* data, std::size_t size) {
    if (type == nullptr || name == nullptr || (data == nullptr && size > 0)) {
        return;
    }
    std::lock_guard<std::mutex> hold(tableLock);
    const ResourceName typeName = NameOf(type);
    const ResourceName resourceName = NameOf(name);
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (auto& entry : Table()) {
        if (entry->type == typeName && entry->name == resourceName) {
            entry->bytes.assign(bytes, bytes + size);
            return;
        }
    }
    Table().push_back(std::make_unique<Resource>(
        Resource{typeName, resourceName, std::vector<unsigned char>(bytes, bytes + size)}));
}

void RegisterResource(LPCSTR type, int id, const void* data, std::size_t size) {
    RegisterResource(type, MAKEINTRESOURCEA(id), data, size);
}

void ClearResources() {
    std::lock_guard<std::mutex> hold(tableLock);
    // Handles given out stay unusable rather than dangling: the entries are
    // emptied, and kept.
    for (auto& entry : Table()) {
        entry->bytes.clear();
        entry->bytes.shrink_to_fit();
        entry->type = ResourceName{};
        entry->name = ResourceName{};
    }
}

bool LookupResource(LPCSTR type, LPCSTR name, const unsigned char*& data, std::size_t& size) {
    if (type == nullptr || name == nullptr) {
        return false;
    }
    std::lock_guard<std::mutex> hold(tableLock);
    const ResourceName typeName = NameOf(type);
    const ResourceName resourceName = NameOf(name);
    for (auto& entry : Table()) {
        if (!entry->bytes.empty() && entry->type == typeName && entry->name == resourceName) {
            data = entry->bytes.data();
            size = entry->bytes.size();
            return true;
        }
    }
    return false;
}

} // namespace platform

using platform::FindEntry;

HRSRC WINAPI FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
    (void)module; // the executable's own table; there are no other modules
    if (platform::TakeFault("FindResourceA") || name == nullptr || type == nullptr) {
        return nullptr;
    }
    std::lock_guard<std::mutex> hold(platform::tableLock);
    const platform::ResourceName typeName = platform::NameOf(type);
    const platform::ResourceName resourceName = platform::NameOf(name);
    for (auto& entry : platform::Table()) {
        if (!entry->bytes.empty() && entry->type == typeName && entry->name == resourceName) {
            return reinterpret_cast<HRSRC>(entry.get());
        }
    }
    return nullptr;
}

HGLOBAL WINAPI LoadResource(HMODULE module, HRSRC resource) {
    (void)module;
    if (platform::TakeFault("LoadResource")) {
        return nullptr;
    }
    std::lock_guard<std::mutex> hold(platform::tableLock);
    return FindEntry(resource) != nullptr ? static_cast<HGLOBAL>(resource) : nullptr;
}

LPVOID WINAPI LockResource(HGLOBAL data) {
    if (platform::TakeFault("LockResource")) {
        return nullptr;
    }
    std::lock_guard<std::mutex> hold(platform::tableLock);
    platform::Resource* entry = FindEntry(data);
    return entry != nullptr ? entry->bytes.data() : nullptr;
}

DWORD WINAPI SizeofResource(HMODULE module, HRSRC resource) {
    (void)module;
    std::lock_guard<std::mutex> hold(platform::tableLock);
    platform::Resource* entry = FindEntry(resource);
    return entry != nullptr ? static_cast<DWORD>(entry->bytes.size()) : 0;
}
