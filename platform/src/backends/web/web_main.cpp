// The process entry in a browser tab. The program is built so that main runs
// in a worker rather than on the page's own thread: WinMain and its message
// loop may then block and sleep as on the desktop while the page stays
// responsive. The command line is empty, as a double-click gives it.
#include "backends/web/web_backend.h"
#include "platform/backend.h"
#include "winapi/kernel.h"
#include "winapi/user.h"

int main() {
    int result = 0;
    {
        platform::web::WebBackend backend;
        platform::InstallBackend(&backend);
        char commandLine[] = "";
        result = WinMain(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOWDEFAULT);
        platform::InstallBackend(nullptr);
    }
    return result;
}
