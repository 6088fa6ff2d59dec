#pragma once
// The Zolt console port as the core sees it: socket events, its share of the
// decode timer, and the tallies and name notices the consoles get.
#include "model/SwitcherReports.h"

class ZoltProtocol : public ClientProtocol {
public:
    Port ListensOn() const override { return Port::Zolt; }
    void ConnectionRequest(Server& s) override;
    void DataArrival(Server& s, int Slot, long BytesTotal) override;
    void Closed(Server& s, int Slot) override;
    void DisconnectAll(Server& s) override;
    DecodeRound Decode(Server& s) override;

    void CrosspointChanged(Server& s, int Output, int Input, int TakeType) override;
    void TableChanged(Server& s, int64_t Bit, int First, int Count) override;
    void NamesChanged(Server& s, int Kind) override;
};
