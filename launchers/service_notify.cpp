// The sd_notify sender: a datagram socket and one fixed message per service state.
#include "launchers/service_notify.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace tarn::service {

namespace {

struct StateReport {
    ServiceState state;
    const char* message;
};

// The wait hints become timeout extensions: 8 s to get going, 20 s to stop.
constexpr StateReport kReports[] = {
    {ServiceState::StartPending, "STATUS=Start pending\nEXTEND_TIMEOUT_USEC=8000000"},
    {ServiceState::Running, "READY=1\nSTATUS=Running"},
    {ServiceState::StopPending, "STOPPING=1\nSTATUS=Stop pending\nEXTEND_TIMEOUT_USEC=20000000"},
    {ServiceState::Stopped, "STATUS=Stopped"},
};

int g_socket = -1;
sockaddr_un g_address{};
socklen_t g_addressSize = 0;

}  // namespace

void OpenStatusReports() {
    const char* name = std::getenv("NOTIFY_SOCKET");
    if (name == nullptr) return;
    size_t length = std::strlen(name);
    // A leading '@' names a socket in the abstract namespace (a leading zero byte).
    bool usable = (name[0] == '/' || name[0] == '@') && length >= 2 && length < sizeof g_address.sun_path;
    if (usable) {
        g_address.sun_family = AF_UNIX;
        std::memcpy(g_address.sun_path, name, length);
        if (name[0] == '@') g_address.sun_path[0] = 0;
        g_addressSize = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + length);
        g_socket = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    }
    unsetenv("NOTIFY_SOCKET");
}

void ReportState(ServiceState state) {
    if (g_socket < 0) return;
    for (const StateReport& r : kReports) {
        if (r.state != state) continue;
        // A lost report cannot be reported anywhere better; systemd times out on its own.
        (void)sendto(g_socket, r.message, std::strlen(r.message), MSG_NOSIGNAL,
                     reinterpret_cast<const sockaddr*>(&g_address), g_addressSize);
    }
}

}  // namespace tarn::service
