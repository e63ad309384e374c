#include "rbn_settings.h"

#include "host_port.h"

#include <algorithm>

namespace halvion {

namespace {

std::string upper(std::string text)
{
    for (char &c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

std::string trimmed(const std::string &text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool isSkimmerCallsign(const std::string &call)
{
    // A skimmer may carry a receiver number: "KM3T-2".
    const auto dash = call.find('-');
    if (dash == std::string::npos)
        return isSendableCallsign(call);
    const std::string number = call.substr(dash + 1);
    return isSendableCallsign(call.substr(0, dash)) && !number.empty() && number.size() <= 2
        && std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

RbnSettings readRbnSettings(const SettingsFile &settings)
{
    RbnSettings s;
    if (const auto on = settings.read(RbnKeys::RbnEnabled))
        s.enabled = *on == SettingsKeys::True;
    if (const auto server = settings.read(RbnKeys::RbnServer))
        s.server = trimmed(*server);
    if (const auto call = settings.read(RbnKeys::RbnCallsign))
        s.callsign = upper(trimmed(*call));
    if (const auto list = settings.read(RbnKeys::RbnSkimmers))
        s.skimmers = parseSkimmerList(*list);
    return s;
}

void saveRbnSettings(SettingsFile &settings, const RbnSettings &next)
{
    const RbnSettings now = readRbnSettings(settings);
    if (next.enabled != now.enabled)
        settings.writeSwitch(RbnKeys::RbnEnabled.key, next.enabled);
    if (next.server != now.server)
        settings.write(RbnKeys::RbnServer.key, next.server);
    if (next.callsign != now.callsign)
        settings.write(RbnKeys::RbnCallsign.key, next.callsign);
    if (next.skimmers != now.skimmers)
        settings.write(RbnKeys::RbnSkimmers.key, skimmerListText(next.skimmers));
}

std::optional<std::string> rbnSettingsProblem(const RbnSettings &settings)
{
    if (settings.callsign.empty())
        return "Your callsign is needed: the server asks for it before it sends any spots.";
    if (!isSendableCallsign(settings.callsign))
        return "\"" + settings.callsign + "\" is not a callsign.";
    std::string host;
    int port = 0;
    if (!splitServer(settings.server, host, port))
        return "The server must be given as host:port, for example " + std::string(RbnKeys::DefaultServer) + ".";
    for (const std::string &skimmer : settings.skimmers)
        if (!isSkimmerCallsign(skimmer))
            return "\"" + skimmer + "\" in the skimmer list is not a callsign.";
    if (skimmerListText(settings.skimmers).size() >= static_cast<std::size_t>(RbnKeys::RbnSkimmers.sizeLimit))
        return "The skimmer list is too long to be kept.";
    return std::nullopt;
}

bool isSendableCallsign(const std::string &call)
{
    if (call.size() < 3 || call.size() > 20)
        return false;
    bool letter = false, digit = false;
    for (std::size_t i = 0; i < call.size(); ++i) {
        const char c = call[i];
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))
            letter = true;
        else if (c >= '0' && c <= '9')
            digit = true;
        else if (c != '/' || i == 0 || i + 1 == call.size() || call[i - 1] == '/')
            return false;
    }
    return letter && digit;
}

std::vector<std::string> parseSkimmerList(const std::string &text)
{
    std::vector<std::string> out;
    std::string word;
    auto take = [&] {
        if (!word.empty() && std::find(out.begin(), out.end(), word) == out.end())
            out.push_back(word);
        word.clear();
    };
    for (char c : text) {
        if (c == ' ' || c == ',' || c == ';' || c == '\t')
            take();
        else
            word.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);
    }
    take();
    return out;
}

std::string skimmerListText(const std::vector<std::string> &skimmers)
{
    std::string text;
    for (const std::string &s : skimmers) {
        if (!text.empty())
            text += ' ';
        text += s;
    }
    return text;
}

bool splitServer(const std::string &text, std::string &host, int &port)
{
    return splitHostPort(text, host, port) && host.find_first_of(" \t") == std::string::npos;
}

} // namespace halvion
