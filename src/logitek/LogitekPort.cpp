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

}  // namespace

LogitekClient& Logitek(Server& s, int Slot) { return s.LogitekClients[Slot]; }

const PortKind LogitekPortKind{
    Port::Logitek,
    {"Logitek Connected", "Logitek Disconnect", "Logitek Disconnected", "Console Disconnected",
     "Error Connecting to Console", "Logitek Connection Error", "Error Console Message Data", "TCP/IP Message Error",
     "Error Disconnecting Console", "Logitek IP Message Error", "Invalid Console Socket Count", "Logitek Console Error",
     ConsoleSendError},
    LogitekReadChunk};

void AppendLogitekMessage(Bytes& Stream, const Bytes& Header, unsigned char Command, const Bytes& Data)
{
    Stream += Header;
    Stream += '\x02';
    Stream += static_cast<char>(Data.size() + 1);
    Stream += static_cast<char>(Command);
    Stream += Data;
}

Bytes LogitekMessage(const Bytes& Header, unsigned char Command, const Bytes& Data)
{
    Bytes m;
    AppendLogitekMessage(m, Header, Command, Data);
    return m;
}

Bytes LogitekName8(const std::string& Name)
{
    Bytes name = Name.substr(0, 8);
    std::replace(name.begin(), name.end(), '\0', ' ');
    name.resize(8, ' ');
    return name;
}

void GreetLogitek(Server& s, int Slot) { SendToLogitek(s, Slot, Greeting); }

void SendToLogitek(Server& s, int Slot, const Bytes& Message)
{
    SendToSlot(s, LogitekPortKind, s.LogitekClients, Slot, Message);
}
