#include "zolt/Zolt.h"

#include "disk/Logs.h"
#include "disk/StatusDisplay.h"
#include "disk/Trap.h"
#include "model/ByteManipulation.h"
#include "model/Server.h"
#include "zolt/ZoltShared.h"

#include <algorithm>
#include <array>

namespace {

constexpr unsigned char CarriageReturn = 0x0D;
constexpr unsigned char CtrlD = 0x04, CtrlE = 0x05, CtrlF = 0x06, CtrlH = 0x08, CtrlI = 0x09, CtrlL = 0x0C,
                        CtrlQ = 0x11, CtrlR = 0x12, CtrlS = 0x13, CtrlT = 0x14, CtrlX = 0x18, CtrlY = 0x19,
                        CtrlZ = 0x1A;
// Bytes below this can start a command; an incomplete command is cut at one.
constexpr unsigned char FirstPrintable = 0x1B;

constexpr std::array<const char*, 44> HelpLines{
    "               HALVORN ZOLT PORT(1) HELP SCREEN",
    " ",
    "  ^Txxxyyy - Take Command (xxx=input)(yyy=output) In/Out in ASCII format",
    "  ^DT1xxyy - Take Command (xx=input)(yy=output) In/Out in ASCII HEX format",
    "  ^ETxxxxyyyy - Take Command (xxxx=input)(yyyy=output) In/Out in ASCII format",
    "  ^Iyyy    - Inquiry Command (yyy=output) Returns numerical ASCII format",
    "  ^DIyy    - Inquiry Command (yy=output) Returns ASCII HEX format",
    "  ^EIyy    - Inquiry Command (yyyy=output) Returns ASCII",
    "  ^Xxxx    - Request Input Alpha (xxx=in#) 999=All, 998=All in alpha order",
    "  ^EXxxxx  - Request Input Alpha (xxxx=in#) 9999=All, 9998=All in alpha order",
    "  ^Yyyy    - Request Output Alpha (yyy=out#) 999=All, 998=All in alpha order",
    "  ^EYyyyy  - Request Output Alpha (yyyy=out#) 9999=All, 9998=All in alpha order",
    "  ^Stxxx   - Trigger Salvo. (t=1 real, t=0 alpha number)(xxx=Salvo Num)",
    "  ^EStxxx  - Trigger Salvo. (t=1 real, t=0 alpha number)(xxxx=Salvo Num)",
    "  ^Rcxxx   - Trigger Relay. (c=1 mom, c=2 latch, c=3 release)(xxx=Relay Num)",
    "  ^ERcxxx  - Trigger Relay. (c=1 mom, c=2 latch, c=3 release)(xxxx=Relay Num)",
    "  ^Ltvvcccc - StLink (t - 0=In/1=Out)(vv - 00=M/01=St/02=SD/03=LRsum)(cccc=Ch#)",
    "  ^Qsiiooyyyy - Xpoint Transition Ctl (s - 0=CICO/1=FICO/2=CIFO/3=FIFO/4=XFADE)",
    "                (ii=FadeIn Time)(oo=FadeOut Time)(yyyy=output channel)         ",
    "  ^Zttxxxxyyyyggggooooo - Enhanced Take Cmnd w/Gain And Additional Options     ",
    "                (tt=00, xxxx=Inpt, yyyy=Outpt, gggg=Gain, ooooo=Take Options)  ",
    "                (1024 = Unity Gain Change in 1/10th db steps)                  ",
    "                (Take Options Bitmapped, Refer To Zolt Protocol Document)       ",
    "  ^Zttxxxxyyyyggggffss - Gain Command (tt=10, xxxx=Inpt, yyyy=Outpt)           ",
    "                (gggg=Gain, ff=Fade Time * 100mS, ss=GainStage)                ",
    "                (1024 = Unity Gain Change in 1/10th db steps)                  ",
    "                (For Gain Stage Values Refer To Zolt Protocol Document)       ",
    "  ^Frtp    - Feedback Settings (r=replies 0/1)(t=tally bmap)(p=protocol 0/1)",
    "           -      Tally Bit(0) Numeric, Bit(1) Alpha, Bit(2) Alpha Notify",
    "           -      Protocol For Tally 0=ASCII (Txxx:yyy), 1=Hex (Oyy xx)",
    "           -      2=Four digit ASCII (Cxxxx:yyyy)",
    "  ^EVx     - Version Inquiry (x=1 Zolt Ver, x=2 Switcher Type, x=3 Server Ver   ",
    "  ^H       - Display this help screen.",
    " ",
    "Valid numbers are 001-256 (ASCII), 00-FF (HEX) and 0000-9999 (4 digit ASCII).",
    "If Tally is enabled (^Fxxx), each unique xpoint change will be tallied in one",
    "of several formats;",
    " ",
    "  'Txxx:yyy'  - Tally(1) Protocol(0) (ie ^Fx10) xxx=Input, yyy=Output",
    "  'Input001 - Out 001 '  - Tally(2) Protocol(x) (ie ^Fx2x)",
    "  'Txxx:yyy (Input001 - Out 001 )'  - Tally(3) Protocol(0) (^Fx30)",
    "  'Oyy xx'    - Tally(1) Protocol(1) (ie ^Fx11) xx=Input, yy=Output",
    "  'Oyy xx (Input001 - Out 001 )'  - Tally(3) Protocol(1) (^Fx31)",
    "  'Cxxxx:yyyy'  - Tally(1) Protocol(0) (ie ^Fx10) xxx=Input, yyy=Output",
};

using Handler = void (*)(Server&, int, const Bytes&);

struct CommandShape {
    size_t Length = 0;
    Handler Run = nullptr;
};

// How many bytes tell which command starts with First.
size_t TellingBytes(unsigned char First)
{
    switch (First) {
    case CtrlD:
    case CtrlE: return 2;
    case CtrlZ: return 3;
    default: return 1;
    }
}

bool StartsCommand(unsigned char First)
{
    switch (First) {
    case CtrlT:
    case CtrlD:
    case CtrlE:
    case CtrlI:
    case CtrlL:
    case CtrlQ:
    case CtrlR:
    case CtrlS:
    case CtrlF:
    case CtrlX:
    case CtrlY:
    case CtrlZ: return true;
    default: return false;
    }
}

// The command at the front of Buffer, which holds at least its telling bytes;
// no handler when the bytes name no command.
CommandShape ShapeOf(const Bytes& Buffer)
{
    const unsigned char second = Buffer.size() > 1 ? ByteAt(Buffer, 1) : 0;
    switch (ByteAt(Buffer, 0)) {
    case CtrlT: return {7, ZoltTake};
    case CtrlD:
        if (second == 'I')
            return {4, ZoltInquiry};
        if (second == 'T')
            return {7, ZoltTake};
        return {};
    case CtrlE:
        switch (second) {
        case 'I': return {6, ZoltExtendedInquiry};
        case 'R': return {7, ZoltExtendedRelay};
        case 'S': return {7, ZoltExtendedSalvo};
        case 'T': return {10, ZoltExtendedTake};
        case 'V': return {3, ZoltVersion};
        case 'X':
        case 'Y': return {6, ZoltExtendedAlphaRequest};
        default: return {};
        }
    case CtrlI: return {4, ZoltInquiry};
    case CtrlL: return {8, ZoltLink};
    case CtrlQ: return {10, ZoltTransition};
    case CtrlR: return {5, ZoltRelay};
    case CtrlS: return {5, ZoltSalvo};
    case CtrlF: return {4, ZoltFeedback};
    case CtrlX:
    case CtrlY: return {4, ZoltAlphaRequest};
    case CtrlZ:
        switch (DecimalField(Buffer, 1, 2).value_or(-1)) {
        case 0: return {20, ZoltGainTake};
        case 10: return {19, ZoltGain};
        case 50: return {7, ZoltExpandedInquiry};
        default: return {};
        }
    default: return {};
    }
}

// How many bytes an unknown command drops: ^E gives its next byte a chance
// as a first byte, ^D and ^Z drop what named them.
size_t UnknownCommandBytes(unsigned char First) { return First == CtrlE ? 1 : TellingBytes(First); }

// An incomplete command: a control byte behind it means the rest will never
// come, so the bytes before that one go; otherwise the command is still arriving.
void WaitForRest(Server& s, int Slot)
{
    const Bytes& buffer = Console(s, Slot).ReceiveBuffer;
    for (size_t p = 1; p < buffer.size(); ++p)
        if (ByteAt(buffer, p) < FirstPrintable) {
            TakeConsoleBytes(s, p, Slot);
            return;
        }
}

void ParseOneCommand(Server& s, int Slot)
{
    const Bytes& buffer = Console(s, Slot).ReceiveBuffer;
    const unsigned char first = ByteAt(buffer, 0);
    if (first == CarriageReturn) {
        TakeConsoleBytes(s, 1, Slot);
        SendToConsole(s, Slot, s.ZoltPrompt);
        return;
    }
    if (first == CtrlH) {
        TakeConsoleBytes(s, 1, Slot);
        ShowZoltHelp(s, Slot);
        return;
    }
    if (!StartsCommand(first)) {
        TakeConsoleBytes(s, 1, Slot);
        return;
    }
    if (buffer.size() < TellingBytes(first)) {
        WaitForRest(s, Slot);
        return;
    }
    const CommandShape shape = ShapeOf(buffer);
    if (!shape.Run) {
        TakeConsoleBytes(s, UnknownCommandBytes(first), Slot);
        return;
    }
    if (buffer.size() < shape.Length) {
        WaitForRest(s, Slot);
        return;
    }
    const Bytes command = TakeConsoleBytes(s, shape.Length, Slot);
    shape.Run(s, Slot, command);
}

}  // namespace

ZoltClient& Console(Server& s, int Slot) { return s.ZoltClients[Slot]; }

const PortKind ZoltPortKind{Port::Zolt,
                            {"Console Connected", "Console Disconnect", "Console Disconnected", "Console Disconnected",
                             "Error Connecting to Console", "TCP/IP Connection Error", "Error Console Message Data",
                             "TCP/IP Message Error", "Error Disconnecting Console", "IP Message Error",
                             "Invalid Console Socket Count", "TCP/IP Console Error", ConsoleSendError},
                            ZoltReadChunk};

void GreetConsole(Server& s, int Slot)
{
    // Three digits cannot name every port of a larger switcher.
    Console(s, Slot).TallyProtocol = s.model.NumSources > 999 || s.model.NumDestinations > 999 ? 2 : 0;
    SendToConsole(s, Slot, "Login Sucessful\r\n");
}

void RestartConsolePort(Server& s)
{
    Trap(s, "IP Port Error", "IP Error", [&] {
        CloseAllSlots(s, ZoltPortKind, s.ZoltClients, "Client Disconnected");
        s.sockets.closeListener(Port::Zolt);
        std::string error;
        if (s.cfg.EnableZoltPort && !s.sockets.listen(Port::Zolt, BindAddress(s.cfg), s.cfg.ZoltPort, error))
            LogTrappedError(s, "IP Port Error", "IP Error", 0, error);
    });
}

void DecodeConsoleMessage(Server& s, int Slot)
{
    if (!s.ZoltClients.Valid(Slot) || Console(s, Slot).ReceiveBuffer.empty())
        return;
    try {
        if (!s.Link.Ready()) {
            // Nobody could carry the commands out.
            Console(s, Slot).ReceiveBuffer.clear();
            return;
        }
        ParseOneCommand(s, Slot);
        // Checked on every call: a stream of discarded bytes must not grow it either.
        ZoltClient& c = Console(s, Slot);
        if (c.ReceiveBuffer.size() >= ZoltBufferLimit) {
            c.ReceiveBuffer.clear();
            LogTrappedError(s, "Zolt Buffer cleared - IP " + c.Address, "TCP/IP Console Error", 0, "");
        }
    } catch (const std::exception& e) {
        LogException(s, "Error Decoding Console Message(" + Console(s, Slot).Address + ")", "TCP/IP Console Error", e);
        TakeConsoleBytes(s, 1, Slot);
    }
}

Bytes TakeConsoleBytes(Server& s, size_t Count, int Slot)
{
    if (!s.ZoltClients.Valid(Slot))
        return Bytes();
    return TakeBytes(Console(s, Slot).ReceiveBuffer, Count);
}

void SendToConsole(Server& s, int Slot, const Bytes& Message)
{
    // NULs are dropped, but the alpha replies carry a raw number byte (the
    // second), which may be 0.
    const bool numbered = !Message.empty() && (ByteAt(Message, 0) == CtrlX || ByteAt(Message, 0) == CtrlY);
    Bytes data = Message;
    const auto from = data.begin() + static_cast<std::ptrdiff_t>(std::min<size_t>(numbered ? 2 : 0, data.size()));
    data.erase(std::remove(from, data.end(), '\0'), data.end());
    SendToSlot(s, ZoltPortKind, s.ZoltClients, Slot, data);
}

void ShowZoltHelp(Server& s, int Slot)
{
    Trap(s, "Error Processing Relay Command", "Zolt Message Error", [&] {
        // One write: the console gets the page whole.
        Bytes page = "\x1B[2J\x1B[H";
        for (const char* line : HelpLines)
            page.append(line).append("\r\n");
        SendToConsole(s, Slot, page + "\r\n");
        if (RecordingConsoles(s) && s.ZoltClients.Valid(Slot))
            DisplayMessage(s, "^H", Console(s, Slot).Address);
    });
}

bool VerifyDigits(const Bytes& Command, size_t First, size_t Last)
{
    if (Last == ToCommandEnd)
        Last = Command.size();
    if (First < 1 || Last > Command.size())
        return false;
    for (size_t i = First; i <= Last; ++i)
        if (ByteAt(Command, i - 1) < '0' || ByteAt(Command, i - 1) > '9')
            return false;
    return true;
}

void ReplyOk(Server& s, int Slot)
{
    if (Console(s, Slot).RepliesOn)
        SendToConsole(s, Slot, "OK\r\n");
}

void ReplyError(Server& s, int Slot)
{
    if (Console(s, Slot).RepliesOn)
        SendToConsole(s, Slot, "ERROR\r\n");
}

bool RecordingConsoles(const Server& s) { return s.cfg.RecordZolt || s.cfg.LogZolt; }

std::optional<int> DecimalField(const Bytes& Command, size_t Offset, size_t Width)
{
    if (Offset + Width > Command.size() || !VerifyDigits(Command, Offset + 1, Offset + Width))
        return std::nullopt;
    int value = 0;
    for (size_t i = Offset; i < Offset + Width; ++i)
        value = value * 10 + (ByteAt(Command, i) - '0');
    return value;
}

int HexDigitValue(unsigned char Ch)
{
    if (Ch >= '0' && Ch <= '9')
        return Ch - '0';
    if (Ch >= 'A' && Ch <= 'F')
        return Ch - 'A' + 10;
    return 99;
}

std::string Name8(const std::string& Name)
{
    std::string name = Name.substr(0, 8);
    std::replace(name.begin(), name.end(), '\0', ' ');
    name.resize(8, ' ');
    return name;
}
