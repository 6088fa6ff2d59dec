#include "logitek/Logitek.h"

#include "disk/Logs.h"
#include "disk/StatusDisplay.h"
#include "disk/Trap.h"
#include "logitek/LogitekShared.h"
#include "model/Server.h"

#include <algorithm>
#include <array>

namespace {

const Bytes Greeting("\xBC\x00\x00\x02\x02\xF9\x01", 7);

// A console whose output queue is full has stopped reading: dropping it keeps
// it from holding up the others or growing the server's memory.
void DropBusyLogitek(Server& s, int Slot)
{
    LogTrappedError(s, "Socket Busy", "Logitek Console Error", 0, "");
    LogIPMessage(s, "Logitek Disconnected", Logitek(s, Slot).Address);
    s.sockets.close(Port::Logitek, Slot);
    DisconnectLogitek(s, Slot);
}

}  // namespace

LogitekClient& Logitek(Server& s, int Slot) { return s.LogitekClientTable.at(static_cast<size_t>(Slot)); }

bool ValidLogitekSlot(const Server& s, int Slot) { return Slot >= 1 && Slot <= s.LogitekSlotCount(); }

Bytes LogitekMessage(const Bytes& Header, unsigned char Command, const Bytes& Data)
{
    Bytes m = Header;
    m += '\x02';
    m += static_cast<char>(Data.size() + 1);
    m += static_cast<char>(Command);
    m += Data;
    return m;
}

Bytes LogitekName8(const std::string& Name)
{
    Bytes name = Name.substr(0, 8);
    std::replace(name.begin(), name.end(), '\0', ' ');
    name.resize(8, ' ');
    return name;
}

void wscktLogitek_ConnectionRequest(Server& s)
{
    Trap(s, "Error Connecting to Console", "Logitek Connection Error", [&] {
        int slot = 0;
        for (int i = 1; i <= s.LogitekSlotCount() && slot == 0; ++i)
            if (!s.sockets.isConnected(Port::Logitek, i))
                slot = i;
        if (slot == 0) {
            s.LogitekClientTable.emplace_back();
            slot = s.LogitekSlotCount();
        } else if (Logitek(s, slot).Connected) {
            // Its peer left, but the close event has not been seen yet and never will be.
            LogIPMessage(s, "Logitek Disconnect", Logitek(s, slot).Address);
            DisconnectLogitek(s, slot);
        }
        if (!s.sockets.accept(Port::Logitek, slot))
            return;
        s.LogitekClientCount += 1;
        ShowConnectionCount(s);
        LogitekClient& c = Logitek(s, slot);
        c = LogitekClient{};
        c.Connected = true;
        c.Address = s.sockets.peerAddress(Port::Logitek, slot);
        SendToLogitek(s, slot, Greeting);
        LogIPMessage(s, "Logitek Connected", c.Address);
    });
}

void wscktLogitek_DataArrival(Server& s, int Slot, long)
{
    if (!ValidLogitekSlot(s, Slot))
        return;
    Trap(s, "Error Console Message Data", "TCP/IP Message Error", [&] {
        // One bounded read: what is left is announced again by the socket
        // layer, so one busy console cannot keep the others waiting.
        std::array<char, LogitekReadChunk> chunk;
        const long n = s.sockets.read(Port::Logitek, Slot, chunk.data(), LogitekReadChunk);
        if (n < 1)
            return;
        Logitek(s, Slot).ReceiveBuffer.append(chunk.data(), static_cast<size_t>(n));
        s.timers.enable(TimerId::DecodeTcp, 0);
    });
}

void wscktLogitek_Close(Server& s, int Slot)
{
    if (!ValidLogitekSlot(s, Slot))
        return;
    Trap(s, "Error Disconnecting Console", "Logitek IP Message Error", [&] {
        if (Logitek(s, Slot).Connected) {
            LogIPMessage(s, "Logitek Disconnect", Logitek(s, Slot).Address);
            DisconnectLogitek(s, Slot);
        }
        s.sockets.close(Port::Logitek, Slot);
    });
}

void DisconnectLogitek(Server& s, int Slot)
{
    Trap(s, "Error Disconnecting Console", "Logitek IP Message Error", [&] {
        s.LogitekClientCount -= 1;
        if (s.LogitekClientCount < 0) {
            s.LogitekClientCount = 0;
            LogTrappedError(s, "Invalid Console Socket Count", "Logitek IP Message Error", 0, "");
        }
        ShowConnectionCount(s);
        // A freed slot keeps nothing: its old bus outputs must not draw faders.
        if (ValidLogitekSlot(s, Slot))
            Logitek(s, Slot) = LogitekClient{};
    });
}

void CloseAllLogitek(Server& s, const std::string& Message)
{
    for (int i = 1; i <= s.LogitekSlotCount(); ++i) {
        if (s.sockets.isConnected(Port::Logitek, i)) {
            LogIPMessage(s, Message, Logitek(s, i).Address);
            s.sockets.close(Port::Logitek, i);
        }
        s.sockets.remove(Port::Logitek, i);
    }
    s.LogitekClientTable.resize(1);
    s.LogitekClientCount = 0;
}

void SendToLogitek(Server& s, int Slot, const Bytes& Message)
{
    Trap(s, "Error sending to Console: Socket #" + std::to_string(Slot) + " Len " + std::to_string(Message.size()),
         "Logitek Console Error", [&] {
             if (Message.empty() || !ValidLogitekSlot(s, Slot) || !s.sockets.isConnected(Port::Logitek, Slot))
                 return;
             const long length = static_cast<long>(Message.size());
             if (s.sockets.write(Port::Logitek, Slot, Message.data(), length) == length)
                 return;
             if (s.sockets.lastError(Port::Logitek, Slot) == SocketWouldBlock)
                 DropBusyLogitek(s, Slot);
         });
}
