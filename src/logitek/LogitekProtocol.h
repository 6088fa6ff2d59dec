#pragma once
// The Logitek console port as the core sees it: the port base with the
// Logitek greeting and decoder, and the fader positions the reported gains give.
#include "logitek/Logitek.h"

class LogitekProtocol : public SocketPort {
public:
    LogitekProtocol() : SocketPort(LogitekPortKind) {}

    void GainsChanged(Server& s, int FirstOutput, int Count) override;

protected:
    SlotTable& Slots(Server& s) const override;
    void Greet(Server& s, int Slot) override { GreetLogitek(s, Slot); }
    // A message still arriving waits for its bytes, never for a discard: the
    // decoder removes what can never complete.
    void DecodeOne(Server& s, int Slot) override { DecodeLogitekMessage(s, Slot); }
    std::string KindText(const Server& s, int Slot) const override;
};
