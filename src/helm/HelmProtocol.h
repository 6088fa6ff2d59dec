#pragma once
// The Helm port as the core sees it: socket events, its share of the decode
// timer, and what the Helm clients are told of the switcher's reports.
#include "model/SwitcherReports.h"

class HelmProtocol : public ClientProtocol {
public:
    Port ListensOn() const override { return Port::Helm; }
    void ConnectionRequest(Server& s) override;
    void DataArrival(Server& s, int Slot, long BytesTotal) override;
    void Closed(Server& s, int Slot) override;
    void DisconnectAll(Server& s) override;
    DecodeRound Decode(Server& s) override;
    void DiscardUnfinished(Server& s) override;

    void PassThrough(Server& s, const Bytes& Data) override;
    void ForwardFrame(Server& s, const Bytes& Frame, FrameAudience Audience, int64_t WaitBits,
                      int64_t ClearBits) override;
    void CrosspointChanged(Server& s, int Output, int Input, int TakeType) override;
    void RelayOptoChanged(Server& s, int Table, int Index) override;
    void TableChanged(Server& s, int64_t Bit, int First, int Count) override;
};
