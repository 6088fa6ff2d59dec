#pragma once
// The Ember+ port: consumers browse the switcher as an Ember+ tree and route
// its matrix. The port base carries the connections; this is each consumer's
// session, the silence rule, and the announcements turned into updates for
// the consumers that asked for that part of the tree.
#include "ember/EmberSession.h"
#include "port/ClientPort.h"
#include "port/CrosspointWatch.h"

// A consumer that sends nothing this long, not even a keep-alive, is closed.
constexpr long long EmberSilenceMs = 30000;
// What one data-arrival event reads at most.
constexpr long EmberReadBudget = 16384;

extern const PortKind EmberPortKind;

// One consumer. Its receive buffer holds the whole messages that wait for
// the decode round (QueueEmberMessage), then the bytes just read.
struct EmberClient : PortClient {
    EmberConsumer Session;
    size_t QueuedBytes = 0;
    long long LastHeardMs = 0;
    long BadFramesLogged = 0;
};

class EmberProtocol : public SocketPort {
public:
    EmberProtocol() : SocketPort(EmberPortKind) {}

    void CrosspointChanged(Server& s, int Output, int Input, int TakeType) override;
    void TableChanged(Server& s, int64_t Bit, int First, int Count) override;
    void NamesChanged(Server& s, int Kind) override;
    void PollTick(Server& s) override;

    const ClientSlots<EmberClient>& Clients() const { return slots_; }

protected:
    SlotTable& Slots(Server&) const override { return slots_; }
    void Greet(Server& s, int Slot) override;
    bool Received(Server& s, int Slot) override;
    void DecodeOne(Server& s, int Slot) override;
    std::string KindText(const Server&, int) const override { return "Ember+ Consumer"; }

private:
    // Tells the consumers what changed since they were last told: names,
    // sizes, status and crosspoints.
    void TellChanges(Server& s);
    void TellCrosspoints(Server& s);
    void Send(Server& s, const std::vector<EmberUpdate>& Updates);

    mutable ClientSlots<EmberClient> slots_;
    CrosspointWatch watch_;
    EmberSnapshot told_;
};
