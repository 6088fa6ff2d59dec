#include "LogitekConsole.h"

#include "logitek/Logitek.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <vector>

namespace {

const Bytes Header("\x01\x03\x00", 3);
const Bytes Greeting("\xBC\x00\x00\x02\x02\xF9\x01", 7);
const Bytes IdentAnswer("\xBC\x03\xF0\x02\x02\xF0\x00", 7);
const Bytes Identification = Bytes("\xBC\x03\x00\x02\x21\xF9", 6) + "HVN TEST CONSOLE" + "hvn-logitek-cons";
const Bytes SignOff("\xBC\x03\x00\x02\x01\xF7", 6);

bool ReadNumber(std::istringstream& In, long Low, long High, long& Value)
{
    std::string word;
    if (!(In >> word))
        return false;
    char* end = nullptr;
    Value = std::strtol(word.c_str(), &end, 10);
    return *end == '\0' && Value >= Low && Value <= High;
}

bool ValidChannel(long Channel)
{
    return (Channel >= 1 && Channel <= 10) || Channel == Bus1Channel || Channel == Bus2Channel ||
           Channel == Channel27 || Channel == Channel33;
}

std::string Hex(const Bytes& Message)
{
    std::string text;
    char buf[4];
    for (size_t i = 0; i < Message.size(); ++i) {
        std::snprintf(buf, sizeof buf, i == 0 ? "%02X" : " %02X", ByteAt(Message, i));
        text += buf;
    }
    return text;
}

std::string Reading(const Bytes& m)
{
    if (m == Greeting)
        return "greeting";
    if (m == IdentAnswer)
        return "identification answered";
    if (m.size() < LogitekHeadBytes + 1 || m.compare(0, 3, Header) != 0)
        return m.size() == 1 ? "stray byte" : "unknown";
    const int command = ByteAt(m, 5);
    const auto at = [&](size_t i) { return i < m.size() ? static_cast<int>(ByteAt(m, i)) : -1; };
    const std::string ch = "ch " + std::to_string(at(6) - ChannelCodeOffset);
    switch (command) {
    case LogitekStartAnswer: return at(6) == 1 ? "start answered: loaded" : "start answered: switcher away";
    case LogitekName:
        return "name ch " + std::to_string(at(6)) + (at(9) == 1 ? " source " : " output ") +
               std::to_string(at(7) * 256 + at(8)) + " '" + (m.size() > 11 ? m.substr(11) : "") + "'";
    case LogitekAssign: return "assign " + ch + " to " + std::to_string(at(7) * 256 + at(8));
    case LogitekOn: return (at(7) == 0 ? "on " : "switch " + std::to_string(at(7)) + " on ") + ch;
    case LogitekOff: return (at(7) == 0 ? "off " : "switch " + std::to_string(at(7)) + " off ") + ch;
    case LogitekFader: return "fader " + ch + " at " + std::to_string(at(7));
    case LogitekTrim: return "trim " + ch + " by " + std::to_string(at(8));
    case LogitekMode: return "mode " + ch + (at(7) == 0 ? " stereo" : " mono");
    default: return "unknown";
    }
}

}  // namespace

std::optional<Bytes> ConsoleCommand(const std::string& Line, std::string& Error)
{
    std::istringstream in(Line);
    std::string word;
    if (!(in >> word))
        return Bytes();
    if (word == "ident")
        return Identification;
    if (word == "start")
        return LogitekMessage(Header, LogitekStart, Bytes("\x01\x06", 2));
    if (word == "signoff")
        return SignOff;
    if (word == "raw") {
        Bytes bytes;
        std::string hex;
        while (in >> hex) {
            char* end = nullptr;
            const long v = std::strtol(hex.c_str(), &end, 16);
            if (*end != '\0' || hex.size() > 2 || v < 0) {
                Error = "not a hex byte: " + hex;
                return std::nullopt;
            }
            bytes += static_cast<char>(v);
        }
        return bytes;
    }
    static const std::map<std::string, unsigned char> commands{{"assign", LogitekAssign}, {"on", LogitekOn},
                                                               {"off", LogitekOff},       {"fader", LogitekFader},
                                                               {"trim", LogitekTrim},     {"mode", LogitekMode}};
    const auto command = commands.find(word);
    if (command == commands.end()) {
        Error = "unknown command: " + word;
        return std::nullopt;
    }
    long channel = 0;
    if (!ReadNumber(in, 1, 33, channel) || !ValidChannel(channel)) {
        Error = "channel: 1..10, 25, 26, 27 or 33";
        return std::nullopt;
    }
    Bytes data(1, static_cast<char>(channel + ChannelCodeOffset));
    // The switch number of on and off may be left out: the channel itself.
    const bool defaulted = (word == "on" || word == "off") && (in >> std::ws).eof();
    const long high = word == "assign" ? 65535 : 255;
    long value = 0;
    if (!defaulted && !ReadNumber(in, 0, high, value)) {
        Error = "value: 0.." + std::to_string(high);
        return std::nullopt;
    }
    if (word == "assign")
        data += static_cast<char>(value / 256);
    else if (word == "trim")
        data += '\x06';
    data += static_cast<char>(value % 256);
    return LogitekMessage(Header, command->second, data);
}

Bytes NextMessage(Bytes& Buffer)
{
    if (Buffer.empty())
        return Bytes();
    const unsigned char first = ByteAt(Buffer, 0);
    if (first != 0xBC && first != 0x01) {
        Bytes stray = Buffer.substr(0, 1);
        Buffer.erase(0, 1);
        return stray;
    }
    if (Buffer.size() < LogitekHeadBytes || Buffer.size() < LogitekHeadBytes + ByteAt(Buffer, 4))
        return Bytes();
    const size_t length = LogitekHeadBytes + ByteAt(Buffer, 4);
    Bytes message = Buffer.substr(0, length);
    Buffer.erase(0, length);
    return message;
}

std::string DescribeMessage(const Bytes& Message) { return Hex(Message) + "  " + Reading(Message); }
