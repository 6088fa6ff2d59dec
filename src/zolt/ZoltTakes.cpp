// Takes, crosspoint inquiries and the tally lines of crosspoint changes.
#include "disk/Logs.h"
#include "disk/StatusDisplay.h"
#include "disk/Trap.h"
#include "model/ByteManipulation.h"
#include "model/Server.h"
#include "switcher/SwitcherFamily.h"
#include "switcher/ToSwitcher.h"
#include "zolt/Zolt.h"
#include "zolt/ZoltShared.h"

#include <algorithm>
#include <array>
#include <optional>

namespace {

constexpr const char* CrLf = "\r\n";
// The inquiry numbers that ask for every output.
constexpr int AllOutputs3 = 999;
constexpr int AllOutputs4 = 9999;
// Hexadecimal and one-byte numbers end here.
constexpr int LastByteNumber = 255;

// The value of two hexadecimal digits; none when either is not one.
std::optional<int> HexField(const Bytes& Command, size_t Offset)
{
    const int high = HexDigitValue(ByteAt(Command, Offset));
    const int low = HexDigitValue(ByteAt(Command, Offset + 1));
    if (high > 15 || low > 15)
        return std::nullopt;
    return high * 16 + low;
}

std::string Hex2(int Value)
{
    std::string hex = HexText(static_cast<unsigned>(Value));
    return hex.size() < 2 ? "0" + hex : hex;
}

std::optional<int> OneBased(std::optional<int> Field) { return Field ? std::optional<int>(*Field - 1) : std::nullopt; }

// Number of outputs whose crosspoint records the server holds.
int KnownOutputs(const Model& m) { return std::min(m.NumDestinations, static_cast<int>(m.CrosspointMap.size())); }

// The output's current source; -1 when it is off.
int SourceOf(const Model& m, int Output)
{
    const CrosspointRecord& r = m.CrosspointMap.at(static_cast<size_t>(Output));
    return r.SourceCount == 0 ? -1 : r.Sources[0];
}

// Sends the take, or the turn-off for input -1 where the switcher can do it.
// False when nothing was sent.
bool SendConsoleTake(Server& s, int Input, int Output)
{
    int takeType = 4;
    if (Input == -1) {
        if (!TurnOffTakes(s))
            return false;
        takeType = 0;
        Input = 0;
    }
    SendTakeToSwitcher(s, Input, Output, takeType, NoneValue);
    s.counters.Take(Port::Zolt);
    return true;
}

void LogConsoleTake(Server& s, int Slot, int Input, int Output, const std::string& TurnOffText)
{
    if (!RecordingConsoles(s))
        return;
    const std::string out = "-->Out:" + Digits(Output + 1, 3);
    LogIPMessage(s, (Input == -1 ? TurnOffText : "Take - In:" + Digits(Input + 1, 3)) + out, Console(s, Slot).Address);
}

std::string NameAt(const std::vector<std::string>& Names, int Index)
{
    return Index >= 0 && Index < static_cast<int>(Names.size()) ? Names[static_cast<size_t>(Index)] : std::string();
}

using TallyTexts = std::array<std::string, 7>;

TallyTexts BuildTallyTexts(const Model& m, int Destination, int Source)
{
    const bool off = Source == -1;
    TallyTexts t;
    t[0] = "T" + Digits(Source + 1, 3) + ":" + Digits(Destination + 1, 3) + CrLf;
    t[1] = "C" + Digits(Source + 1, 4) + ":" + Digits(Destination + 1, 4) + CrLf;
    t[2] = "O" + Hex2(Destination) + " " + Hex2(off ? 0 : Source) + CrLf;
    const std::string names = (off ? std::string("  -Off- ") : Name8(NameAt(m.SourceAlphasRaw, Source))) + " - " +
                              Name8(NameAt(m.DestinationAlphasRaw, Destination));
    t[3] = names + CrLf;
    t[4] = t[0].substr(0, 8) + "(" + names + ")" + CrLf;
    t[5] = t[2].substr(0, 6) + "(" + names + ")" + CrLf;
    t[6] = t[1].substr(0, 10) + "(" + names + ")" + CrLf;
    return t;
}

// The text a console's feedback settings ask for; empty for none.
const std::string& ChooseTally(const TallyTexts& t, const ZoltClient& c, bool Off, bool BeyondByte)
{
    static const std::string none;
    const int protocol = c.TallyProtocol;
    if ((Off && protocol == 1) || (BeyondByte && protocol != 2))
        return none;
    switch (c.TallyMode & 3) {
    case 1: return t[protocol == 2 ? 1 : protocol == 0 ? 0 : 2];
    case 2: return t[3];
    case 3: return t[protocol == 0 ? 4 : protocol == 2 ? 6 : 5];
    default: return none;
    }
}

void AllOutputsThreeDigit(Server& s, int Slot)
{
    const Model& m = s.model;
    Bytes reply;
    for (int o = 0; o < KnownOutputs(m); ++o) {
        const int source = SourceOf(m, o);
        if (source <= LastByteNumber)
            reply += Digits(source + 1, 3);
        reply += o < LastByteNumber ? " " : CrLf;
    }
    SendToConsole(s, Slot, reply);
    if (RecordingConsoles(s))
        DisplayMessage(s, "^I999", Console(s, Slot).Address);
}

void InquiryThreeDigit(Server& s, int Slot, const Bytes& Command)
{
    const Model& m = s.model;
    const std::optional<int> field = DecimalField(Command, 1, 3);
    if (m.NumSources > 999 || m.NumDestinations > 999 || !field) {
        ReplyError(s, Slot);
        return;
    }
    if (*field == AllOutputs3) {
        AllOutputsThreeDigit(s, Slot);
        return;
    }
    const int output = *field - 1;
    if (output < 0 || output >= KnownOutputs(m))
        return;
    const int source = SourceOf(m, output);
    if (source > LastByteNumber)
        return;
    SendToConsole(s, Slot, Digits(source + 1, 3) + CrLf);
    if (RecordingConsoles(s))
        DisplayMessage(s, "^I" + Digits(output + 1, 3), Console(s, Slot).Address);
}

void InquiryHex(Server& s, int Slot, const Bytes& Command)
{
    const Model& m = s.model;
    const std::optional<int> output = HexField(Command, 2);
    if (m.NumSources > 256 || m.NumDestinations > 256 || !output) {
        ReplyError(s, Slot);
        return;
    }
    if (*output >= KnownOutputs(m))
        return;
    const int source = SourceOf(m, *output);
    if (source >= 0 && source <= LastByteNumber)
        SendToConsole(s, Slot, "O" + Command.substr(2, 2) + " " + Hex2(source) + CrLf);
    if (RecordingConsoles(s))
        DisplayMessage(s, "^DI" + Command.substr(2, 2), Console(s, Slot).Address);
}

std::string FourDigitInquiryLine(const Model& m, int Output)
{
    return "D" + Digits(Output + 1, 4) + " " + Digits(SourceOf(m, Output) + 1, 4) + CrLf;
}

}  // namespace

void ZoltTake(Server& s, int Slot, const Bytes& Command)
{
    RunOrAnswerError(s, Slot, "Error Processing Zolt Take", "Zolt Error", [&] {
        const Model& m = s.model;
        std::optional<int> input, output;
        if (Command[0] == '\x14') {
            input = OneBased(DecimalField(Command, 1, 3));
            output = OneBased(DecimalField(Command, 4, 3));
        } else if (Command[2] == '1') {
            input = HexField(Command, 3);
            output = HexField(Command, 5);
        }
        // Numbers only passed on to the switcher, which checks them itself.
        const bool valid =
            input && output && *input >= -1 && *input <= m.NumSources && *output >= 0 && *output <= m.NumDestinations;
        if (!valid || !SendConsoleTake(s, *input, *output)) {
            ReplyError(s, Slot);
            return;
        }
        ReplyOk(s, Slot);
        LogConsoleTake(s, Slot, *input, *output, "Turn Off");
    });
}

void ZoltExtendedTake(Server& s, int Slot, const Bytes& Command)
{
    RunOrAnswerError(s, Slot, "Error Processing Zolt Take", "Zolt Error", [&] {
        const Model& m = s.model;
        const std::optional<int> input = OneBased(DecimalField(Command, 2, 4));
        const std::optional<int> output = OneBased(DecimalField(Command, 6, 4));
        const bool valid =
            input && output && *input >= -1 && *input < m.NumSources && *output >= 0 && *output < m.NumDestinations;
        if (!valid || !SendConsoleTake(s, *input, *output)) {
            // This form has always reported a refused take in the error log.
            LogTrappedError(s, "Error Processing Zolt Take", "Zolt Error", 0, "");
            ReplyError(s, Slot);
            return;
        }
        ReplyOk(s, Slot);
        LogConsoleTake(s, Slot, *input, *output, "Turn off ");
    });
}

void ZoltInquiry(Server& s, int Slot, const Bytes& Command)
{
    Trap(s, "Error Processing Inquire from Console", "TCP/IP Console Error", [&] {
        if (Command[0] == '\x09')
            InquiryThreeDigit(s, Slot, Command);
        else
            InquiryHex(s, Slot, Command);
    });
}

void ZoltExtendedInquiry(Server& s, int Slot, const Bytes& Command)
{
    Trap(s, "Error Processing Inquire from Console", "TCP/IP Console Error", [&] {
        const Model& m = s.model;
        const std::optional<int> field = DecimalField(Command, 2, 4);
        if (!field) {
            ReplyError(s, Slot);
            return;
        }
        if (*field == AllOutputs4) {
            for (int o = 0; o < KnownOutputs(m); ++o)
                SendToConsole(s, Slot, FourDigitInquiryLine(m, o));
            if (RecordingConsoles(s))
                DisplayMessage(s, "^EI9999", Console(s, Slot).Address);
            return;
        }
        const int output = *field - 1;
        if (output < 0 || output >= KnownOutputs(m))
            return;
        SendToConsole(s, Slot, FourDigitInquiryLine(m, output));
        if (RecordingConsoles(s))
            DisplayMessage(s, "^EI" + Digits(output + 1, 4), Console(s, Slot).Address);
    });
}

void SendConsoleTally(Server& s, int Destination)
{
    if (s.ZoltClients.Count < 1)
        return;
    Trap(s, "Error sending Crosspoint change to Console", "TCP/IP Console Error", [&] {
        const Model& m = s.model;
        if (Destination < 0 || Destination >= KnownOutputs(m))
            return;
        const int source = SourceOf(m, Destination);
        const TallyTexts texts = BuildTallyTexts(m, Destination, source);
        const bool beyondByte = Destination > LastByteNumber || source > LastByteNumber;
        for (int i = 1; i <= s.ZoltClients.SlotCount(); ++i) {
            const std::string& text = ChooseTally(texts, Console(s, i), source == -1, beyondByte);
            if (!text.empty())
                SendToConsole(s, i, text);
        }
    });
}
