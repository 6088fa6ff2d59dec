// Feedback settings, version inquiry, and the Vela functions beyond plain
// takes: links, transitions, takes with gain, gains, the expanded inquiry.
#include "disk/Logs.h"
#include "disk/StatusDisplay.h"
#include "model/ByteManipulation.h"
#include "model/Server.h"
#include "switcher/SwitcherFamily.h"
#include "switcher/ToSwitcher.h"
#include "zolt/Zolt.h"
#include "zolt/ZoltShared.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>

namespace {

constexpr int MaxGain = 2048;  // 1024 is unity
constexpr int LastTakeOption = 16383;
// Take options that need a real input: bits 2 and 5.
constexpr int InputOptions = 4 | 32;

int Field(const Bytes& Command, size_t Offset, size_t Width)
{
    // The callers have checked that every byte is a digit.
    return DecimalField(Command, Offset, Width).value_or(-1);
}

// The gain, link and transition commands: only for a switcher that takes
// them, and all digits after the command byte.
bool GainCommandDigits(const Server& s, const Bytes& Command)
{
    return ConsoleGainAndLinkCommands(s) && VerifyDigits(Command, 2, ToCommandEnd);
}

bool InRange(int Value, int Low, int High) { return Value >= Low && Value <= High; }

// The take with gain and the gain command start alike: input, output and gain
// at the same places.
struct GainFields {
    int Input;
    int Output;
    int Gain;
};

// What a gain command does once its fields are read: the log line of a
// command carried out, or nothing for one refused.
using GainAction = std::optional<std::string> (*)(Server& s, const Bytes& Command, const GainFields& f);

void RunGainCommand(Server& s, int Slot, const Bytes& Command, const char* Error, GainAction Act)
{
    RunOrAnswerError(s, Slot, Error, "Zolt Message Error", [&] {
        std::optional<std::string> logged;
        if (GainCommandDigits(s, Command))
            logged =
                Act(s, Command, GainFields{Field(Command, 3, 4) - 1, Field(Command, 7, 4) - 1, Field(Command, 11, 4)});
        if (!logged) {
            ReplyError(s, Slot);
            return;
        }
        ReplyOk(s, Slot);
        LogIPMessage(s, *logged, Console(s, Slot).Address);
    });
}

// ^Z00: the options are the take type.
std::optional<std::string> TakeWithGain(Server& s, const Bytes& Command, const GainFields& f)
{
    const Model& m = s.model;
    const int options = Field(Command, 15, 5);
    const bool valid = ((options & InputOptions) == 0 || InRange(f.Input, 0, m.NumSources)) &&
                       InRange(f.Output, 0, m.NumDestinations) && f.Gain <= MaxGain && options <= LastTakeOption;
    if (!valid)
        return std::nullopt;
    int takeType = options;
    SendTakeToSwitcher(s, f.Input, f.Output, takeType, f.Gain);
    s.counters.Take(Port::Zolt);
    return "^Z00" + Digits(f.Input + 1, 4) + Digits(f.Output + 1, 4) + Digits(f.Gain, 4) + Digits(options, 5);
}

// ^Z10: the stage says which gain, the fade how it changes.
std::optional<std::string> Gain(Server& s, const Bytes& Command, const GainFields& f)
{
    const Model& m = s.model;
    const int fade = Field(Command, 15, 2);
    const int stage = Field(Command, 17, 2);
    const bool needsInput = stage == 1 || stage == 10 || stage == 11;
    const bool valid = (!needsInput || InRange(f.Input, 0, m.NumSources)) &&
                       (stage == 1 || InRange(f.Output, 0, m.NumDestinations)) && f.Gain <= MaxGain;
    if (!valid)
        return std::nullopt;
    switch (stage) {
    case 1: SendGainToSwitcher(s, 1, f.Gain, f.Input, NoneValue, NoneValue); break;
    case 3:
    case 15: SendGainToSwitcher(s, stage, f.Gain, f.Output, NoneValue, NoneValue); break;
    case 10: SendGainToSwitcher(s, 10, f.Gain, f.Output, f.Input, NoneValue); break;
    case 11: SendGainToSwitcher(s, 11, f.Gain, f.Output, f.Input, fade); break;
    case 16: SendGainToSwitcher(s, 16, f.Gain, f.Output, NoneValue, fade); break;
    // A stage the switcher has no command for: nothing was done.
    default: return std::nullopt;
    }
    return "^Z10" + Command.substr(3);
}

}  // namespace

void ZoltFeedback(Server& s, int Slot, const Bytes& Command)
{
    const std::optional<int> replies = DecimalField(Command, 1, 1);
    const std::optional<int> tally = DecimalField(Command, 2, 1);
    const std::optional<int> protocol = DecimalField(Command, 3, 1);
    if (!replies || !tally || !protocol || *replies > 2 || *tally > 7 || *protocol > 2) {
        ReplyError(s, Slot);
        return;
    }
    ZoltClient& c = Console(s, Slot);
    c.RepliesOn = *replies == 1;
    c.TallyMode = *tally;
    c.TallyProtocol = *protocol;
    ReplyOk(s, Slot);
    if (RecordingConsoles(s))
        DisplayMessage(s, "^F" + Command.substr(1, 3), c.Address);
}

void ZoltVersion(Server& s, int Slot, const Bytes& Command)
{
    RunOrAnswerError(s, Slot, "Error Processing Relay Command", "Zolt Message Error", [&] {
        const std::optional<int> which = DecimalField(Command, 2, 1);
        if (!which) {
            ReplyError(s, Slot);
            return;
        }
        if (*which == 1)
            SendToConsole(s, Slot, "VERSION 2\r\n");
        else if (*which == 2)
            SendToConsole(s, Slot, std::string(Family(s.model).ConsoleName) + "\r\n");
        else if (*which == 3)
            SendToConsole(s, Slot, "VER " + std::string(VersionText).substr(8, 4) + "\r\n");
        DisplayMessage(s, "^EV" + std::to_string(*which), Console(s, Slot).Address);
    });
}

void ZoltLink(Server& s, int Slot, const Bytes& Command)
{
    if (!GainCommandDigits(s, Command)) {
        ReplyError(s, Slot);
        return;
    }
    const int outputs = Field(Command, 1, 1);
    const int mode = Field(Command, 2, 2);
    const int channel = Field(Command, 4, 4) - 1;
    const int last = outputs == 1 ? s.model.NumDestinations : s.model.NumSources;
    if (outputs > 1 || mode > 3 || !InRange(channel, 0, last)) {
        ReplyError(s, Slot);
        return;
    }
    SendLinkToSwitcher(s, channel, outputs == 1 ? TableDestinations : TableSources, {mode});
    ReplyOk(s, Slot);
    if (RecordingConsoles(s))
        LogIPMessage(s, "^L" + std::to_string(outputs) + Digits(mode, 2) + Digits(channel + 1, 4),
                     Console(s, Slot).Address);
}

void ZoltTransition(Server& s, int Slot, const Bytes& Command)
{
    if (!GainCommandDigits(s, Command)) {
        ReplyError(s, Slot);
        return;
    }
    const Model& m = s.model;
    const int type = Field(Command, 1, 1);
    const int fadeIn = Field(Command, 2, 2);
    const int fadeOut = Field(Command, 4, 2);
    const int output = Field(Command, 6, 4) - 1;
    // The encoder reads the output's own transition record.
    const int known = std::min(m.NumDestinations, static_cast<int>(m.TransitionControl.size()));
    if (!InRange(output, 0, known - 1)) {
        ReplyError(s, Slot);
        return;
    }
    const std::array<uint8_t, 4> settings{0, static_cast<uint8_t>(type), static_cast<uint8_t>(fadeIn),
                                          static_cast<uint8_t>(fadeOut)};
    SendTransitionControlToSwitcher(s, settings, output);
    ReplyOk(s, Slot);
    LogIPMessage(s, "^Q" + std::to_string(type) + Digits(fadeIn, 2) + Digits(fadeOut, 2) + Digits(output + 1, 4),
                 Console(s, Slot).Address);
}

void ZoltGainTake(Server& s, int Slot, const Bytes& Command)
{
    RunGainCommand(s, Slot, Command, "Error Processing Relay Command", TakeWithGain);
}

void ZoltGain(Server& s, int Slot, const Bytes& Command)
{
    RunGainCommand(s, Slot, Command, "Error Processing Gain Command", Gain);
}

void ZoltExpandedInquiry(Server& s, int Slot, const Bytes& Command)
{
    RunOrAnswerError(s, Slot, "Error Processing Expanded Inquiry", "Zolt Message Error", [&] {
        const Model& m = s.model;
        const int output = VerifyDigits(Command, 2, ToCommandEnd) ? Field(Command, 3, 4) - 1 : -1;
        const int known = std::min(m.NumDestinations, static_cast<int>(m.CrosspointMap.size()));
        if (!InRange(output, 0, known - 1)) {
            ReplyError(s, Slot);
            return;
        }
        const CrosspointRecord& r = m.CrosspointMap[static_cast<size_t>(output)];
        std::string reply =
            "U" + Digits(output + 1, 4) + ":P" + std::to_string(r.SumFlag) + ":" + Digits(r.SourceCount, 2) + ":";
        const int count = std::min<int>(r.SourceCount, MaxSourceEntries);
        for (int k = 0; k < count; ++k)
            reply += (k > 0 ? "," : "") + Digits(r.Sources[static_cast<size_t>(k)] + 1, 4);
        SendToConsole(s, Slot, reply + "\r\n");
        LogIPMessage(s, "^Z50" + Command.substr(3, 4), Console(s, Slot).Address);
    });
}
