#include "sntp_arrival.h"

#if defined(__linux__)
#include <linux/net_tstamp.h>
#include <sys/socket.h>
#include <time.h>

#include <cstring>
#endif

namespace halvion::sntp {

#if defined(__linux__)

bool enableArrivalStamps(std::intptr_t socket)
{
    const int flags = SOF_TIMESTAMPING_RX_SOFTWARE | SOF_TIMESTAMPING_SOFTWARE;
    return setsockopt(static_cast<int>(socket), SOL_SOCKET, SO_TIMESTAMPING, &flags, sizeof flags) == 0;
}

std::optional<std::int64_t> peekArrivalStamp(std::intptr_t socket)
{
    char byte = 0;
    iovec part{&byte, 1};
    // Room for the stamps and whatever else the socket was asked to report (packet
    // information, hop limit).
    alignas(cmsghdr) char control[512];
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    if (recvmsg(static_cast<int>(socket), &message, MSG_PEEK | MSG_DONTWAIT) < 0)
        return std::nullopt;
    for (cmsghdr *c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SO_TIMESTAMPING || c->cmsg_len < CMSG_LEN(sizeof(timespec)))
            continue;
        // Three stamps: software, (deprecated), hardware. The first is the system's.
        timespec software{};
        std::memcpy(&software, CMSG_DATA(c), sizeof software);
        if (software.tv_sec == 0 && software.tv_nsec == 0)
            return std::nullopt;
        return static_cast<std::int64_t>(software.tv_sec) * 1000000 + software.tv_nsec / 1000;
    }
    return std::nullopt;
}

#else

bool enableArrivalStamps(std::intptr_t)
{
    return false;
}

std::optional<std::int64_t> peekArrivalStamp(std::intptr_t)
{
    return std::nullopt;
}

#endif

} // namespace halvion::sntp
