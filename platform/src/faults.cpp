#include "platform/faults.h"

#include <mutex>
#include <string>
#include <vector>

namespace platform {
namespace {

struct Fault {
    std::string operation;
    std::int64_t result;
    int remaining; // -1: unlimited
};

std::mutex faultsLock;
std::vector<Fault> faults;

} // namespace

void InjectFault(std::string_view operation, std::int64_t result, int times) {
    std::lock_guard<std::mutex> hold(faultsLock);
    faults.push_back(Fault{std::string(operation), result, times});
}

void ClearFaults() {
    std::lock_guard<std::mutex> hold(faultsLock);
    faults.clear();
}

std::optional<std::int64_t> TakeFault(std::string_view operation) {
    std::lock_guard<std::mutex> hold(faultsLock);
    for (auto it = faults.begin(); it != faults.end(); ++it) {
        if (it->operation != operation || it->remaining == 0) {
            continue;
        }
        const std::int64_t result = it->result;
        if (it->remaining > 0 && --it->remaining == 0) {
            faults.erase(it);
        }
        return result;
    }
    return std::nullopt;
}

} // namespace platform
