#include "host_port.h"

#include <charconv>

namespace halvion {

bool splitHostPort(const std::string &text, std::string &host, int &port)
{
    std::string::size_type colon;
    if (!text.empty() && text.front() == '[') {
        const auto close = text.find(']');
        if (close == std::string::npos || close + 1 >= text.size() || text[close + 1] != ':')
            return false;
        host = text.substr(1, close - 1);
        colon = close + 1;
    } else {
        colon = text.rfind(':');
        if (colon == std::string::npos)
            return false;
        host = text.substr(0, colon);
        if (host.find(':') != std::string::npos)
            return false;
    }
    const std::string number = text.substr(colon + 1);
    const char *end = number.data() + number.size();
    const auto [ptr, ec] = std::from_chars(number.data(), end, port);
    return !host.empty() && !number.empty() && ec == std::errc() && ptr == end && port >= 1 && port <= 65535;
}

} // namespace halvion
