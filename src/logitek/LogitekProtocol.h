#pragma once
// The Logitek console port as the core sees it: socket events, its share of
// the decode timer, and the fader positions the reported gains give.
#include "model/SwitcherReports.h"

class LogitekProtocol : public ClientProtocol {
public:
    Port ListensOn() const override { return Port::Logitek; }
    void ConnectionRequest(Server& s) override;
    void DataArrival(Server& s, int Slot, long BytesTotal) override;
    void Closed(Server& s, int Slot) override;
    void DisconnectAll(Server& s) override;
    DecodeRound Decode(Server& s) override;

    void GainsChanged(Server& s, int FirstOutput, int Count) override;
};
