#pragma once
// Generates what a skimmer network's telnet feed sends, in its own layout (the spot
// lines come from formatSpotLine, then get the feed's variations: tabs, bells, "24dB",
// CRLF or LF), and keeps the tally a correct reader must arrive at. A seeded stream is
// the same on every run. Mixed in: beacons on and off their frequencies, other
// callsigns on the beacon frequencies, "/B" and lower-case callsigns, the Hawaii
// station's second callsign, other modes, server chatter, malformed spot lines and
// overlong lines.

#include "beacon_spot.h"
#include "spot_line.h"
#include "spot_line_splitter.h"

#include <QByteArray>

#include <array>
#include <cctype>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace halvion::test {

// One beacon spot on the station's band frequency, heard at a minute of the UTC day.
inline BeaconSpot beaconSpot(BeaconIndex station, BandIndex band, const std::string &skimmer, int snr, int minuteOfDay)
{
    BeaconSpot b;
    b.station = station;
    b.band = band;
    b.skimmer = skimmer;
    b.snrDb = snr;
    b.frequencyKhz = beaconFrequencyKhz(band);
    b.minuteOfDay = minuteOfDay;
    return b;
}

struct SpotTally {
    quint64 lines = 0;       // whole lines (overlong ones not included)
    quint64 spots = 0;
    quint64 beaconSpots = 0;
    quint64 malformed = 0;
    quint64 overlong = 0;
    struct Cell {
        std::set<std::string> skimmers;
        int spots = 0;
        int bestSnr = 0;
        std::string bestSkimmer;
    };
    std::array<std::array<Cell, BandCount>, BeaconCount> cells;
};

class SpotStreamGenerator {
public:
    explicit SpotStreamGenerator(unsigned seed, int minuteOfDay = 22 * 60 + 59)
        : rng_(seed), minute_(minuteOfDay)
    {
        for (int i = 0; i < 30; ++i) {
            std::string call = std::string(1, char('A' + i % 26)) + char('A' + (i * 7) % 26) + std::to_string(i % 10)
                + std::string(1, char('A' + (i * 3) % 26)) + char('A' + (i * 11) % 26);
            if (i % 5 == 0)
                call += "-" + std::to_string(1 + i % 3);
            skimmers_.push_back(call);
        }
    }

    const SpotTally &tally() const { return tally_; }

    // `count` lines of every kind, in a random order.
    QByteArray mixed(int count)
    {
        QByteArray out;
        for (int i = 0; i < count; ++i)
            out += oneLine();
        return out;
    }

    // Mixed lines until at least `bytes` bytes.
    QByteArray flood(qsizetype bytes)
    {
        QByteArray out;
        out.reserve(bytes + 4096);
        while (out.size() < bytes)
            out += oneLine();
        return out;
    }

    // A beacon heard on its band, with the given skimmer and SNR; counted.
    QByteArray beacon(BeaconIndex station, BandIndex band, const std::string &skimmer, int snr,
                      double offsetKhz = 0.0, const std::string &suffix = {})
    {
        SpotLine s = base();
        s.skimmer = skimmer;
        s.frequencyKhz = beaconFrequencyKhz(band) + offsetKhz;
        s.spotted = std::string(BeaconCatalogue::beacon(station).callsign) + suffix;
        s.snrDb = snr;
        s.comment = "NCDXF B";
        return spotLine(s);
    }

private:
    SpotLine base()
    {
        SpotLine s;
        s.skimmer = skimmers_[pick(skimmers_.size())];
        s.mode = "CW";
        s.speed = 18 + int(pick(8));
        s.minuteOfDay = minute_;
        return s;
    }

    std::size_t pick(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng_); }

    // Counts the spot as the reader should and writes it with one of the feed's layouts.
    QByteArray spotLine(const SpotLine &s)
    {
        ++tally_.lines;
        ++tally_.spots;
        if (const auto b = beaconSpotFrom(s)) {
            ++tally_.beaconSpots;
            SpotTally::Cell &c = tally_.cells[std::size_t(b->station)][std::size_t(b->band)];
            c.skimmers.insert(b->skimmer);
            if (++c.spots == 1 || b->snrDb >= c.bestSnr) { // equal reports: the later one
                c.bestSnr = b->snrDb;
                c.bestSkimmer = b->skimmer;
            }
        }
        std::string text = formatSpotLine(s);
        switch (pick(5)) {
        case 0: // tabs for the padding
            for (std::size_t p; (p = text.find("  ")) != std::string::npos;)
                text.replace(p, 2, "\t");
            break;
        case 1: // "24dB", and the bells a cluster rings
            if (const auto p = text.find(" dB"); p != std::string::npos)
                text.erase(p, 1);
            text += "\a\a";
            break;
        case 2:
            text += "   ";
            break;
        default:
            break;
        }
        return QByteArray::fromStdString(text) + (pick(3) == 0 ? "\n" : "\r\n");
    }

    QByteArray textLine(const char *text)
    {
        ++tally_.lines;
        return QByteArray(text) + "\r\n";
    }

    QByteArray malformedLine()
    {
        static const char *const Bad[] = {
            "DX de KM3T-#:",
            "DX de KM3T-#:  14100.0  CS3B         CW    24 dB  22 WPM  NCDXF B 2260Z",
            "DX de KM3T-#:  1e4      CS3B         CW    24 dB  22 WPM  NCDXF B 2259Z",
            "DX de KM3T-#:  14100.0  CS3B         CW    twenty dB  22 WPM  NCDXF B 2259Z",
            "DX de KM3T-#   14100.0  CS3B         CW    24 dB  22 WPM  NCDXF B 2259Z",
            "DX de KM3T-#:  14100.0  CS<3B        CW    24 dB  22 WPM  NCDXF B 2259Z",
            "DX de KM3T-#:  14100.0  CS3B         CW    24 dB  22 WPM  NCDXF B",
            "DX de KM3T-#:  -14100.0 CS3B         CW    24 dB  22 WPM  NCDXF B 2259Z",
            "DX de KM3T-#:  14100.0  CS3B         CW    999 dB  22 WPM  NCDXF B 2259Z",
            "DX de KM3T-#:  14100.0  CS3B         CW    24 dB\x01 22 WPM  NCDXF B 2259Z",
            "DX de KM3T-#:  14100.0  CS3B         C-W   24 dB  22 WPM  NCDXF B 2259Z",
            "DX de :  14100.0  CS3B  CW  24 dB  22 WPM  NCDXF B 2259Z",
            "DX de KM3T-#:  14100.0.1  CS3B  CW  24 dB  22 WPM  NCDXF B 2259Z",
        };
        ++tally_.lines;
        ++tally_.malformed;
        return QByteArray(Bad[pick(std::size(Bad))]) + "\r\n";
    }

    QByteArray overlongLine()
    {
        ++tally_.overlong;
        SpotLine s = base();
        s.frequencyKhz = beaconFrequencyKhz(0);
        s.spotted = "CS3B";
        std::string text = formatSpotLine(s);
        text.insert(text.size() - 6, std::string(SpotLineSplitterLimit + 1 + pick(3000), ' '));
        return QByteArray::fromStdString(text) + "\r\n";
    }

    QByteArray oneLine()
    {
        SpotLine s = base();
        const std::size_t kind = pick(100);
        if (kind < 35) { // a beacon on its frequency
            const auto station = BeaconIndex(pick(BeaconCount));
            const auto band = BandIndex(pick(BandCount));
            const double offset = (double(pick(19)) - 9.0) / 10.0;
            static const char *const Suffixes[] = {"", "", "/B", "/b"};
            std::string call = std::string(BeaconCatalogue::beacon(station).callsign) + Suffixes[pick(4)];
            if (station == 3 && pick(2) == 0)
                call = "KH6RS";
            if (pick(4) == 0)
                for (char &c : call)
                    c = char(std::tolower(static_cast<unsigned char>(c)));
            s.spotted = call;
            s.frequencyKhz = beaconFrequencyKhz(band) + offset;
            s.snrDb = 1 + int(pick(40));
            s.comment = "NCDXF B";
            return spotLine(s);
        }
        if (kind < 50) { // a beacon heard off its frequency (a skimmer misreading either)
            s.spotted = std::string(BeaconCatalogue::beacon(BeaconIndex(pick(BeaconCount))).callsign);
            const double off = 1.1 + double(pick(40)) / 10.0;
            s.frequencyKhz = beaconFrequencyKhz(BandIndex(pick(BandCount))) + (pick(2) ? off : -off);
            s.snrDb = 1 + int(pick(30));
            s.comment = "CQ";
            return spotLine(s);
        }
        if (kind < 65) { // other stations on and near the beacon frequencies
            static const char *const Calls[] = {"K1ABC", "AB8Z/B", "4U1ITU", "W6WX0", "CS3BB", "OH2BH", "KH6WOX"};
            s.spotted = Calls[pick(std::size(Calls))];
            s.frequencyKhz = beaconFrequencyKhz(BandIndex(pick(BandCount))) + (double(pick(11)) - 5.0) / 10.0;
            s.snrDb = int(pick(30));
            s.comment = pick(2) ? "BEACON" : "CQ";
            return spotLine(s);
        }
        if (kind < 78) { // the rest of the band: other modes, weak signals
            s.spotted = "JA1XYZ";
            s.frequencyKhz = 7000.0 + double(pick(3000)) / 10.0;
            s.mode = pick(2) ? "RTTY" : "FT8";
            s.snrDb = -20 + int(pick(30));
            s.speed = s.mode == "RTTY" ? 45 : 0;
            s.comment = "CQ";
            return spotLine(s);
        }
        if (kind < 88)
            return malformedLine();
        if (kind < 96) {
            static const char *const Chatter[] = {"Hello N0CALL, this is the relay", "Local users = 312",
                                                  "*** new skimmers online ***", "To ALL de SYSOP: maintenance at 0300Z"};
            return textLine(Chatter[pick(std::size(Chatter))]);
        }
        return overlongLine();
    }

    static constexpr std::size_t SpotLineSplitterLimit = SpotLineSplitter::MaxLineBytes;

    std::mt19937 rng_;
    int minute_;
    std::vector<std::string> skimmers_;
    SpotTally tally_;
};

} // namespace halvion::test
