#pragma once
// Hamlib writes a trace line to stderr for every call while its debug level is still
// the library's default. The first locator computation turns that down to
// warnings, unless some other part of the program has chosen a level already.

namespace halvion {

void quietHamlib();

} // namespace halvion
