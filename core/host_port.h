#pragma once
// The "host:port" texts the user types for a radio's rigctld and the spot feed's server.

#include <string>

namespace halvion {

// "host:port" split; false when the text is not of that form with a port 1..65535.
// A host in square brackets may hold colons ("[::1]:4532").
bool splitHostPort(const std::string &text, std::string &host, int &port);

} // namespace halvion
