// Feeds arbitrary bytes to the spot feed's line splitter, cut into two pieces at a point
// the input chooses, and every line to the spot-line reader and the beacon-spot filter.
// What must hold whatever a server sends: the pieces give the same lines as the whole;
// no line is longer than the cap or holds a line end or NUL; a spot has its fields in
// range, is written back by formatSpotLine into a line that reads as the very same spot;
// a beacon spot is a station and band of the network within 1 kHz of the band's beacon
// frequency.

#include "beacon_spot.h"
#include "fuzz_check.h"
#include "spot_line.h"
#include "spot_line_splitter.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using namespace halvion;

namespace {

bool callsignChars(const std::string &text, bool dash)
{
    for (char c : text)
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/' || (dash && c == '-')))
            return false;
    return true;
}

void checkLine(std::string_view line)
{
    CHECK(line.size() <= SpotLineSplitter::MaxLineBytes);
    CHECK(line.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos);
    SpotLine spot;
    if (readSpotLine(line, spot) != SpotLineKind::Spot)
        return;
    CHECK(!spot.skimmer.empty() && spot.skimmer.size() <= MaxSkimmerLength && callsignChars(spot.skimmer, true));
    CHECK(spot.spotted.size() >= 3 && spot.spotted.size() <= MaxCallsignLength && callsignChars(spot.spotted, false));
    CHECK(spot.frequencyKhz >= 100.0 && spot.frequencyKhz <= 300000.0);
    CHECK(spot.snrDb >= -99 && spot.snrDb <= 199);
    CHECK(spot.speed >= 0 && spot.speed <= 999);
    CHECK(spot.minuteOfDay >= 0 && spot.minuteOfDay < 24 * 60);

    SpotLine again;
    CHECK(readSpotLine(formatSpotLine(spot), again) == SpotLineKind::Spot);
    CHECK(again == spot);

    if (const auto beacon = beaconSpotFrom(spot)) {
        CHECK(beacon->station >= 0 && beacon->station < BeaconCount);
        CHECK(beacon->band >= 0 && beacon->band < BandCount);
        CHECK(std::abs(spot.frequencyKhz - beaconFrequencyKhz(beacon->band)) <= BeaconSpotToleranceKhz + 1e-6);
        CHECK(beacon->skimmer == spot.skimmer);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    const std::size_t cut = size == 0 ? 0 : data[0] % (size + 1);

    std::vector<std::string> whole, pieces;
    SpotLineSplitter a, b;
    a.feed(bytes, [&](std::string_view line) {
        checkLine(line);
        whole.emplace_back(line);
    });
    b.feed(bytes.substr(0, cut), [&](std::string_view line) { pieces.emplace_back(line); });
    b.feed(bytes.substr(cut), [&](std::string_view line) { pieces.emplace_back(line); });
    CHECK(whole == pieces);
    CHECK(a.overlongLines() == b.overlongLines());
    CHECK(a.partialLine() == b.partialLine());
    CHECK(a.bufferedBytes() <= SpotLineSplitter::MaxLineBytes);
    (void)looksLikeLoginPrompt(a.partialLine());

    // The whole input as one line, as a reader with no splitter in front would see it.
    SpotLine spot;
    (void)readSpotLine(bytes, spot);
    return 0;
}
