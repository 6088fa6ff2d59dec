#pragma once
// The Helm port as the core sees it: the port base with the Helm greeting
// and decoder, and what the Helm clients are told of the switcher's reports.
#include "helm/HelmPort.h"

class HelmProtocol : public SocketPort {
public:
    HelmProtocol() : SocketPort(HelmPortKind) {}

    void PassThrough(Server& s, const Bytes& Data) override;
    void ForwardFrame(Server& s, const Bytes& Frame, FrameAudience Audience, int64_t WaitBits,
                      int64_t ClearBits) override;
    void CrosspointChanged(Server& s, int Output, int Input, int TakeType) override;
    void RelayOptoChanged(Server& s, int Table, int Index) override;
    void TableChanged(Server& s, int64_t Bit, int First, int Count) override;

protected:
    SlotTable& Slots(Server& s) const override;
    void Greet(Server& s, int Slot) override { GreetHelmClient(s, Slot); }
    bool Received(Server& s, int Slot) override { return HelmBytesArrived(s, Slot); }
    void DecodeOne(Server& s, int Slot) override;
    bool DropsUnfinished() const override { return true; }
    std::string KindText(const Server& s, int Slot) const override;
};
