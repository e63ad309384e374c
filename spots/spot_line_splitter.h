#pragma once
// Cuts the bytes of a telnet feed into lines. A line ends at CR or LF (empty lines are
// skipped); telnet's option talk (IAC sequences) is taken out of the text, never
// answered; NUL bytes are dropped. A line is at most MaxLineBytes long: a longer one is
// discarded up to its end and counted, so whatever the server sends, this holds at most
// one line's worth of bytes. No Qt here: the fuzzer builds it on its own.

#include <cstdint>
#include <string>
#include <string_view>

namespace halvion {

class SpotLineSplitter {
public:
    static constexpr std::size_t MaxLineBytes = 1024;

    // Calls onLine(std::string_view) for every whole line in `bytes`, in order.
    template <typename OnLine>
    void feed(std::string_view bytes, OnLine &&onLine)
    {
        for (const char c : bytes) {
            if (!takeByte(static_cast<unsigned char>(c)))
                continue;
            if (c == '\r' || c == '\n') {
                if (!skipping_ && !line_.empty())
                    onLine(std::string_view(line_));
                line_.clear();
                skipping_ = false;
            } else if (!skipping_) {
                if (line_.size() == MaxLineBytes) {
                    line_.clear();
                    skipping_ = true;
                    ++overlong_;
                } else {
                    line_.push_back(c);
                }
            }
        }
    }

    // The text after the last line end: a prompt the server waits on shows here.
    std::string_view partialLine() const { return skipping_ ? std::string_view() : std::string_view(line_); }
    std::uint64_t overlongLines() const { return overlong_; }
    std::size_t bufferedBytes() const { return line_.size(); }
    // Forgets everything held (a new connection starts afresh); the count stays.
    void reset();

private:
    // False for a byte that is telnet talk or a NUL, not text.
    bool takeByte(unsigned char c);

    enum class Telnet { Text, Command, Option, Sub, SubCommand };
    std::string line_;
    bool skipping_ = false;
    Telnet telnet_ = Telnet::Text;
    std::size_t subBytes_ = 0; // inside one sub-negotiation: cut off after a line's worth
    std::uint64_t overlong_ = 0;
};

} // namespace halvion
