#include "ember/EmberPort.h"

#include "disk/Logs.h"
#include "disk/Trap.h"
#include "model/Server.h"
#include "model/TakeTypes.h"
#include "switcher/ToSwitcher.h"

#include <algorithm>
#include <utility>

namespace {

std::string EmberSendError(int Slot, size_t Length)
{
    return "Error sending to Ember+: Socket #" + std::to_string(Slot) + " Len " + std::to_string(Length);
}

EmberSnapshot Snapshot(const Server& s)
{
    return TakeEmberSnapshot(s.model, s.display.windowCaption(), s.Link.OnLine(), s.cfg.DemoMode, s.TotalConnections());
}

// As for the consoles: a take goes out only while the switcher is there to make it.
bool TakesAllowed(const Server& s) { return s.Link.Ready(); }

}  // namespace

const PortKind EmberPortKind{Port::Ember,
                             {"Ember+ Connected", "Ember+ Disconnect", "Ember+ Disconnected", "Ember+ Disconnected",
                              "Error Connecting to Ember+", "TCP/IP Connection Error", "Error Ember+ Message Data",
                              "TCP/IP Message Error", "Error Disconnecting Ember+", "IP Message Error",
                              "Invalid Ember+ Socket Count", "TCP/IP Ember+ Error", EmberSendError},
                             EmberReadBudget};

void EmberProtocol::Greet(Server& s, int Slot)
{
    slots_[Slot].LastHeardMs = s.timers.nowMs();
    // The first consumer starts from the tree as it stands.
    if (slots_.Count == 1) {
        told_ = Snapshot(s);
        watch_.SeeAll(s.model);
    }
}

bool EmberProtocol::Received(Server& s, int Slot)
{
    EmberClient& c = slots_[Slot];
    c.LastHeardMs = s.timers.nowMs();
    const size_t queued = std::min(c.QueuedBytes, c.ReceiveBuffer.size());
    const Bytes chunk = c.ReceiveBuffer.substr(queued);
    c.ReceiveBuffer.resize(queued);
    EmberIntake in = ReadEmberInput(c.Session, chunk);
    for (const Bytes& m : in.Messages)
        QueueEmberMessage(c.ReceiveBuffer, m);
    c.QueuedBytes = c.ReceiveBuffer.size();
    if (c.Session.Reader.BadFrames != c.BadFramesLogged) {
        c.BadFramesLogged = c.Session.Reader.BadFrames;
        LogSoftwareError(s, "Ember+ Frame Error - " + std::to_string(c.BadFramesLogged) + " dropped", 0, c.Address);
    }
    if (in.OverCap || EmberUnfinished(c.Session) + c.QueuedBytes > EmberInputCap) {
        LogSoftwareError(s, "Ember+ Input Too Large", 0, c.Address);
        CloseSlot(s, kind(), slots_, Slot, kind().Texts.Disconnected);
        return false;
    }
    // Answered whatever waits in the queue.
    SendToSlot(s, kind(), slots_, Slot, in.Replies);
    return slots_.Valid(Slot) && !slots_[Slot].ReceiveBuffer.empty();
}

void EmberProtocol::DecodeOne(Server& s, int Slot)
{
    EmberClient& c = slots_[Slot];
    Bytes message;
    const bool taken = TakeEmberMessage(c.ReceiveBuffer, message);
    c.QueuedBytes = c.ReceiveBuffer.size();
    if (!taken)
        return;
    const std::string address = c.Address;
    const EmberAnswer a = AnswerEmberMessage(c.Session, message, told_, s.model, TakesAllowed(s));
    if (a.Malformed)
        LogSoftwareError(s, "Ember+ Message Error", 0, address);
    // The pending answer goes ahead of the tally the take may bring at once.
    SendToSlot(s, kind(), slots_, Slot, a.Reply);
    for (const EmberTake& t : a.Takes) {
        int type = TakeType::Take;
        SendTakeToSwitcher(s, t.Source, t.Target, type, NoneValue);
        LogIPMessage(s, "Ember+ " + TakeLogText(TakeType::Take, t.Source, t.Target), address);
    }
}

void EmberProtocol::Send(Server& s, const std::vector<EmberUpdate>& Updates)
{
    if (Updates.empty())
        return;
    for (int i = 1; i <= slots_.SlotCount(); ++i) {
        if (slots_[i].Connected)
            SendToSlot(s, kind(), slots_, i, EmberUpdatesFor(slots_[i].Session, Updates));
    }
}

void EmberProtocol::TellCrosspoints(Server& s)
{
    if (slots_.Count == 0)
        return;
    const std::vector<int> changed = watch_.Changes(s.model);
    if (!changed.empty())
        Send(s, {EmberTally(s.model, changed)});
}

void EmberProtocol::TellChanges(Server& s)
{
    if (slots_.Count == 0)
        return;
    EmberSnapshot now = Snapshot(s);
    const std::vector<EmberUpdate> updates = EmberChanges(told_, now, s.model);
    // A new size comes with every connection already.
    if (now.Targets.size() != told_.Targets.size() || now.Sources.size() != told_.Sources.size())
        watch_.SeeAll(s.model);
    told_ = std::move(now);
    Send(s, updates);
    TellCrosspoints(s);
}

void EmberProtocol::CrosspointChanged(Server& s, int, int, int) { TellCrosspoints(s); }

void EmberProtocol::TableChanged(Server& s, int64_t, int, int) { TellChanges(s); }

void EmberProtocol::NamesChanged(Server& s, int) { TellChanges(s); }

void EmberProtocol::PollTick(Server& s)
{
    Trap(s, "Ember+ Poll Error", "Poll Timer", [&] {
        const long long now = s.timers.nowMs();
        for (int i = 1; i <= slots_.SlotCount(); ++i) {
            if (slots_[i].Connected && now - slots_[i].LastHeardMs > EmberSilenceMs)
                CloseSlot(s, kind(), slots_, i, kind().Texts.Disconnected);
        }
        // Whatever no announcement names: the caption, the link, the client count.
        TellChanges(s);
    });
}
