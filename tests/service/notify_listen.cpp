// A stand-in for systemd's end of the sd_notify protocol, for the service tests:
//
//   notify_listen SOCKET LOG SECONDS
//
// binds a datagram socket at the path SOCKET (a leading '@' names one in the abstract
// namespace, as systemd may pass it) and appends every datagram it receives to LOG,
// each followed by a line "--", until SECONDS have passed or SIGTERM arrives.
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <csignal>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnTerm(int) { g_stop = 1; }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: notify_listen SOCKET LOG SECONDS\n");
        return 2;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (std::strlen(argv[1]) >= sizeof address.sun_path) {
        std::fprintf(stderr, "notify_listen: socket path too long\n");
        return 2;
    }
    const size_t length = std::strlen(argv[1]);
    std::memcpy(address.sun_path, argv[1], length);
    if (argv[1][0] == '@') address.sun_path[0] = 0;
    else unlink(argv[1]);
    const socklen_t size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + length);
    int fd = socket(AF_UNIX, SOCK_DGRAM, 0);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0) {
        std::perror("notify_listen");
        return 2;
    }
    std::signal(SIGTERM, OnTerm);
    const std::time_t end = std::time(nullptr) + std::atol(argv[3]);
    while (!g_stop && std::time(nullptr) < end) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 200) <= 0) continue;
        char message[4096];
        ssize_t n = recv(fd, message, sizeof message, 0);
        if (n < 0) continue;
        FILE* log = std::fopen(argv[2], "a");
        if (log == nullptr) return 2;
        std::fwrite(message, 1, static_cast<size_t>(n), log);
        std::fputs("\n--\n", log);
        std::fclose(log);
    }
    if (argv[1][0] != '@') unlink(argv[1]);
    return 0;
}
