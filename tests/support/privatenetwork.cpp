#include "privatenetwork.h"

#include <QByteArray>

#include <cstdlib>
#include <cstring>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace line {

namespace {
const char* const InsideMark = "VENTOR_PRIVATE_NETWORK";

bool bringLoopbackUp() {
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    bool up = fd >= 0 && ::ioctl(fd, SIOCGIFFLAGS, &request) == 0;
    request.ifr_flags |= IFF_UP | IFF_RUNNING;
    up = up && ::ioctl(fd, SIOCSIFFLAGS, &request) == 0;
    if (fd >= 0)
        ::close(fd);
    return up;
}
} // namespace

QString enterPrivateNetwork(int argc, char** argv) {
    const QByteArray mark = qgetenv(InsideMark);
    if (mark == "1") {
        char home[] = "/tmp/ventor-sip-home-XXXXXX";
        if (::mkdtemp(home))
            ::setenv("HOME", home, 1);
        for (const char* xdg : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
            ::unsetenv(xdg);
        return bringLoopbackUp() ? QString() : QStringLiteral("loopback could not be brought up");
    }
    if (!mark.isEmpty())
        return QString::fromLocal8Bit(mark);
    // As root a network namespace is enough; other users need a user namespace around it.
    const bool asRoot = std::system("unshare -n true >/dev/null 2>&1") == 0;
    if (!asRoot && std::system("unshare -rn true >/dev/null 2>&1") != 0) {
        qputenv(InsideMark, "unshare -n is not permitted here (needs root or user namespaces)");
        return QString::fromLocal8Bit(qgetenv(InsideMark));
    }
    qputenv(InsideMark, "1");
    std::vector<char*> command{const_cast<char*>("unshare"),
                               const_cast<char*>(asRoot ? "-n" : "-rn"), const_cast<char*>("--")};
    command.insert(command.end(), argv, argv + argc);
    command.push_back(nullptr);
    ::execvp("unshare", command.data());
    return QStringLiteral("unshare could not be started");
}

} // namespace line
