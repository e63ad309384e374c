#include "spot_line_splitter.h"

namespace halvion {

namespace {
constexpr unsigned char IAC = 255, SB = 250, SE = 240, WILL = 251, DONT = 254;
} // namespace

void SpotLineSplitter::reset()
{
    line_.clear();
    line_.shrink_to_fit();
    skipping_ = false;
    telnet_ = Telnet::Text;
}

bool SpotLineSplitter::takeByte(unsigned char c)
{
    switch (telnet_) {
    case Telnet::Text:
        if (c == IAC) {
            telnet_ = Telnet::Command;
            return false;
        }
        return c != 0;
    case Telnet::Command:
        if (c == IAC) { // an escaped 255: a byte of text, though never a valid one here
            telnet_ = Telnet::Text;
            return true;
        }
        if (c == SB) {
            telnet_ = Telnet::Sub;
            subBytes_ = 0;
        }
        else if (c >= WILL && c <= DONT)
            telnet_ = Telnet::Option;
        else
            telnet_ = Telnet::Text;
        return false;
    case Telnet::Option:
        telnet_ = Telnet::Text;
        return false;
    case Telnet::Sub:
        if (c == IAC)
            telnet_ = Telnet::SubCommand;
        else if (++subBytes_ > MaxLineBytes)
            telnet_ = Telnet::Text;
        return false;
    case Telnet::SubCommand:
        telnet_ = c == SE ? Telnet::Text : Telnet::Sub;
        return false;
    }
    return false;
}

} // namespace halvion
