#pragma once
// The Zolt console port as the core sees it: the port base with the console
// greeting and parser, and the tallies and name notices the consoles get.
#include "zolt/Zolt.h"

class ZoltProtocol : public SocketPort {
public:
    ZoltProtocol() : SocketPort(ZoltPortKind) {}

    void CrosspointChanged(Server& s, int Output, int Input, int TakeType) override;
    void TableChanged(Server& s, int64_t Bit, int First, int Count) override;
    void NamesChanged(Server& s, int Kind) override;

protected:
    SlotTable& Slots(Server& s) const override;
    void Greet(Server& s, int Slot) override { GreetConsole(s, Slot); }
    // Console commands still arriving are never discarded: they wait for their bytes.
    void DecodeOne(Server& s, int Slot) override { DecodeConsoleMessage(s, Slot); }
    std::string KindText(const Server& s, int Slot) const override;
};
