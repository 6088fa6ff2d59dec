#include "logitek/Logitek.h"

#include "disk/Trap.h"
#include "logitek/LogitekShared.h"
#include "model/ByteManipulation.h"
#include "model/Server.h"

#include <algorithm>
#include <array>

namespace {

constexpr unsigned char LinkFirst = 0xBC, ChannelFirst = 0x01, FormatByte = 0x02;
const Bytes SignOff("\xBC\x03\x00\x02\x01\xF7", 6);
const Bytes IdentificationHead("\xBC\x03\x00\x02\x21\xF9", 6);
const Bytes IdentificationAnswer("\xBC\x03\xF0\x02\x02\xF0\x00", 7);
constexpr size_t NameBytes = 16;

using Handler = void (*)(Server&, int, const Bytes&);

struct ChannelCommand {
    unsigned char Command;
    size_t Length;
    Handler Run;
};

constexpr std::array<ChannelCommand, 6> ChannelCommands{{
    {LogitekAssign, 9, ChangeInputAssignment},
    {LogitekOn, 8, ProcessChannelOn},
    {LogitekOff, 8, ProcessChannelOff},
    {LogitekFader, 8, ProcessFaderMovement},
    {LogitekTrim, 9, ProcessFaderTrim},
    {LogitekMode, 8, SetChannelMode},
}};

// The whole message at the front of Buffer, removed; empty while it is still arriving.
Bytes TakeWholeMessage(Bytes& Buffer)
{
    if (Buffer.size() < LogitekHeadBytes)
        return Bytes();
    const size_t length = LogitekHeadBytes + ByteAt(Buffer, 4);
    return Buffer.size() < length ? Bytes() : TakeBytes(Buffer, length);
}

// Nothing a console sends can be carried out while the switcher is away.
void EmptyWhileOffline(Server& s, int Slot)
{
    if (!SwitcherReady(s))
        Logitek(s, Slot).ReceiveBuffer.clear();
}

void DecodeLinkMessage(Server& s, int Slot)
{
    LogitekClient& c = Logitek(s, Slot);
    if (c.ReceiveBuffer.size() > 3 && ByteAt(c.ReceiveBuffer, 3) != FormatByte) {
        TakeBytes(c.ReceiveBuffer, 1);
        return;
    }
    const Bytes message = TakeWholeMessage(c.ReceiveBuffer);
    if (message.empty())
        return;
    if (message == SignOff) {
        // The console ends its session; the connection stays until it closes.
        c.ReceiveBuffer.clear();
        c.Identified = false;
        c.SetUp = false;
        return;
    }
    if (message.compare(0, IdentificationHead.size(), IdentificationHead) == 0) {
        c.ConsoleName = message.substr(IdentificationHead.size(), NameBytes);
        c.ConsoleInfo = message.substr(IdentificationHead.size() + NameBytes, NameBytes);
        c.Identified = true;
        SendToLogitek(s, Slot, IdentificationAnswer);
    }
    EmptyWhileOffline(s, Slot);
}

void StartConsole(Server& s, int Slot, const Bytes& Message)
{
    if (Message.size() < 8 || ByteAt(Message, 6) != 0x01 || ByteAt(Message, 7) != 0x06) {
        LogTrappedError(s, "Error Decoding Logitek", "Logitek Error", 0, "");
        return;
    }
    const bool ready = SwitcherReady(s);
    if (ready)
        SetUpLogitekConsole(s, Slot);
    SendToLogitek(s, Slot, LogitekMessage(s.LogitekHeader, LogitekStartAnswer, Bytes(1, ready ? '\x01' : '\x00')));
}

void DecodeChannelMessage(Server& s, int Slot)
{
    Bytes& buffer = Logitek(s, Slot).ReceiveBuffer;
    // The head is checked on the bytes present, so a false start never waits
    // for a length it does not have.
    const Bytes head = s.LogitekHeader + static_cast<char>(FormatByte);
    const size_t present = std::min(buffer.size(), head.size());
    if (buffer.compare(0, present, head, 0, present) != 0) {
        TakeBytes(buffer, 1);
        return;
    }
    const Bytes message = TakeWholeMessage(buffer);
    if (message.empty())
        return;
    const unsigned char command = message.size() > LogitekHeadBytes ? ByteAt(message, LogitekHeadBytes) : 0;
    if (command == LogitekStart) {
        StartConsole(s, Slot, message);
        return;
    }
    const auto known = std::find_if(ChannelCommands.begin(), ChannelCommands.end(),
                                    [&](const ChannelCommand& c) { return c.Command == command; });
    if (known != ChannelCommands.end() && known->Length == message.size()) {
        known->Run(s, Slot, message);
        return;
    }
    EmptyWhileOffline(s, Slot);
}

}  // namespace

bool SwitcherReady(const Server& s) { return s.Link.Ready(); }

void DecodeLogitekMessage(Server& s, int Slot)
{
    if (!s.LogitekClients.Valid(Slot) || Logitek(s, Slot).ReceiveBuffer.empty())
        return;
    Trap(s, "Error Decoding Logitek", "Logitek Error", [&] {
        switch (ByteAt(Logitek(s, Slot).ReceiveBuffer, 0)) {
        case LinkFirst: DecodeLinkMessage(s, Slot); break;
        case ChannelFirst: DecodeChannelMessage(s, Slot); break;
        default: TakeBytes(Logitek(s, Slot).ReceiveBuffer, 1); break;
        }
        // Checked on every call: a stream of dropped bytes must not grow it either.
        LogitekClient& c = Logitek(s, Slot);
        if (c.ReceiveBuffer.size() > LogitekBufferLimit) {
            c.ReceiveBuffer.clear();
            LogTrappedError(s, "Logitek Buffer cleared - IP " + c.Address, "Logitek Error", 0, "");
        }
    });
}
