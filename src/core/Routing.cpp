#include "core/Routing.h"

#include "core/ClientAccess.h"
#include "core/Lifecycle.h"
#include "core/StatusPanels.h"
#include "ember/EmberPort.h"
#include "helm/HelmProtocol.h"
#include "logitek/LogitekProtocol.h"
#include "model/Server.h"
#include "switcher/SerialLink.h"
#include "switcher/ToSwitcher.h"
#include "swp08/Swp08Port.h"
#include "web/WebPort.h"
#include "zolt/ZoltProtocol.h"

#include <memory>
#include <vector>

namespace {

// Each announcement goes to every client protocol in the order of
// registration; the link state is the core's own.
class Router : public SwitcherReports {
public:
    void SwitcherConnected(Server& s, bool Connected) override { SetSwitcherConnected(s, Connected); }
    void PassThrough(Server& s, const Bytes& Data) override
    {
        for (auto& p : s.Protocols)
            p->PassThrough(s, Data);
    }
    void ForwardFrame(Server& s, const Bytes& Frame, FrameAudience Audience, int64_t WaitBits,
                      int64_t ClearBits) override
    {
        for (auto& p : s.Protocols)
            p->ForwardFrame(s, Frame, Audience, WaitBits, ClearBits);
    }
    void CrosspointChanged(Server& s, int Output, int Input, int TakeType) override
    {
        for (auto& p : s.Protocols)
            p->CrosspointChanged(s, Output, Input, TakeType);
    }
    void RelayOptoChanged(Server& s, int Table, int Index) override
    {
        for (auto& p : s.Protocols)
            p->RelayOptoChanged(s, Table, Index);
    }
    void TableChanged(Server& s, int64_t Bit, int First, int Count) override
    {
        for (auto& p : s.Protocols)
            p->TableChanged(s, Bit, First, Count);
    }
    void NamesChanged(Server& s, int Kind) override
    {
        for (auto& p : s.Protocols)
            p->NamesChanged(s, Kind);
    }
    void GainsChanged(Server& s, int FirstOutput, int Count) override
    {
        for (auto& p : s.Protocols)
            p->GainsChanged(s, FirstOutput, Count);
    }
};

// Input that finds its decoder idle is decoded in the same event instead of a
// loop pass later; a decoder already at work takes it in its turn, so each
// round still serves every client one message.
template <typename Receive>
void DecodeAtOnceWhenIdle(Server& s, TimerId decoder, Receive receive)
{
    const bool othersWaiting = s.timers.isEnabled(decoder);
    receive();
    if (!othersWaiting && s.timers.isEnabled(decoder))
        s.onTimer(decoder);
}

class Events : public PlatformEvents {
public:
    explicit Events(Server& s) : s_(s) {}

    void onTimer(TimerId id) override
    {
        switch (id) {
        case TimerId::Poll: OnPollTick(s_); break;
        case TimerId::Led: OnLedTick(s_); break;
        case TimerId::Led2: OnLed2Tick(s_); break;
        case TimerId::DecodeTcp: OnClientDecodeTick(s_); break;
        case TimerId::SerialDecode: OnSerialDecodeTick(s_); break;
        case TimerId::SwitcherQueue: OnSwitcherQueueTick(s_); break;
        case TimerId::Count: break;
        }
    }
    void onSerialData(const Bytes& chunk) override
    {
        DecodeAtOnceWhenIdle(s_, TimerId::SerialDecode, [&] { OnSerialData(s_, chunk); });
    }
    void onSerialError(int code) override { OnSerialError(s_, code); }
    void onConnectionRequest(Port port) override
    {
        ClientProtocol* p = ProtocolOn(port);
        if (p && AdmitConnection(s_, port))
            p->ConnectionRequest(s_);
    }
    void onConnectionsRefused(Port, const std::vector<std::string>& addresses) override
    {
        LogConnectionsRefused(s_, addresses);
    }
    void onDataArrival(Port port, int slot, long bytesWaiting) override
    {
        if (ClientProtocol* p = ProtocolOn(port))
            DecodeAtOnceWhenIdle(s_, TimerId::DecodeTcp, [&] { p->DataArrival(s_, slot, bytesWaiting); });
    }
    void onPeerClosed(Port port, int slot) override
    {
        if (ClientProtocol* p = ProtocolOn(port))
            p->Closed(s_, slot);
    }

private:
    ClientProtocol* ProtocolOn(Port port) { return ::ProtocolOn(s_, port); }

    Server& s_;
};

}  // namespace

ClientProtocol* ProtocolOn(Server& s, Port port)
{
    for (auto& p : s.Protocols)
        if (p->ListensOn() == port)
            return p.get();
    return nullptr;
}

void RouteServer(Server& s)
{
    s.Protocols.clear();
    s.Protocols.push_back(std::make_unique<HelmProtocol>());
    s.Protocols.push_back(std::make_unique<ZoltProtocol>());
    s.Protocols.push_back(std::make_unique<LogitekProtocol>());
    s.Protocols.push_back(std::make_unique<Swp08Protocol>());
    s.Protocols.push_back(std::make_unique<EmberProtocol>());
    s.Protocols.push_back(std::make_unique<WebPort>(s));
    s.Reports = std::make_unique<Router>();
    s.Events = std::make_unique<Events>(s);
}

void OnClientDecodeTick(Server& s)
{
    std::vector<ClientProtocol::DecodeRound> rounds;
    for (auto& p : s.Protocols)
        rounds.push_back(p->Decode(s));
    const long long idle = s.timers.nowMs() - s.LastTrafficMs;
    bool waiting = false;
    for (const auto& r : rounds)
        waiting = waiting || r.Waiting;
    if (waiting && idle > ClientIdleDiscardMs) {
        // Unfinished messages that nothing completed in time.
        for (size_t i = 0; i < rounds.size(); ++i) {
            if (!rounds[i].Waiting)
                continue;
            s.Protocols[i]->DiscardUnfinished(s);
            rounds[i] = ClientProtocol::DecodeRound{};
        }
        s.NoteTraffic();
        waiting = false;
    }
    bool progress = false;
    for (const auto& r : rounds)
        progress = progress || r.Progress;
    if (progress)
        s.timers.enable(TimerId::DecodeTcp, 0);
    else if (waiting)
        // Only unfinished messages are left: wait for more bytes or the discard.
        s.timers.enable(TimerId::DecodeTcp, static_cast<int>(ClientIdleDiscardMs - idle + 1));
    else
        // Nothing, or only console commands still arriving: their bytes turn
        // the timer on again.
        s.timers.disable(TimerId::DecodeTcp);
}
