#pragma once
// What a switcher decoder announces, and the client protocols that pass it on.
// The decoders (switcher/<family>/) update the model, then announce the change
// through Server::reports(); they never call a client protocol themselves.
// The core routes every announcement to each registered client protocol in
// the order they were registered (Helm, Zolt, Logitek), and handles the link
// state itself.
//
// Adding a client protocol: a folder beside helm/ and zolt/ with a class
// derived from ClientProtocol, usually through SocketPort (port/ClientPort.h),
// which owns the slots, reads, sends and counts, plus one registration line
// in RouteServer (core/Routing.cpp).
#include "platform/Bytes.h"
#include "platform/Seams.h"

#include <cstdint>
#include <string>
#include <vector>

class Server;

// Who receives a switcher frame forwarded as it stands (the Helm protocol has
// the shape of the Vela one, so a Vela report is already a Helm reply).
enum class FrameAudience {
    // While the link is up: every client waiting for one of WaitBits, every
    // client that still has its map to come, and every logged-in soft panel
    // or console (type 130 and up; in demo mode every logged-in client).
    Waiting,
    // The same without the soft panels and consoles.
    WaitingNoPanels,
    // While the switcher is on line: every Helm PC (type 120).
    HelmPCs,
    // While the switcher is on line: every Helm PC and every console (150).
    HelmPCsAndConsoles,
    // While the switcher is on line: every client; the Helm PCs lose ClearBits.
    AllOnline,
};

class SwitcherReports {
public:
    virtual ~SwitcherReports() = default;

    // The switcher proved the link (true), or stopped answering (false).
    virtual void SwitcherConnected(Server&, bool /*Connected*/) {}
    // Pass-through mode, and frames a switcher addresses to the clients
    // themselves: the bytes go to every Helm client unchanged.
    virtual void PassThrough(Server&, const Bytes& /*Data*/) {}
    // A switcher frame that is already a Helm reply; receivers lose ClearBits
    // from their pending requests.
    virtual void ForwardFrame(Server&, const Bytes& /*Frame*/, FrameAudience, int64_t /*WaitBits*/,
                              int64_t /*ClearBits*/)
    {
    }
    // A take changed the crosspoint of Output (already in the model). Input
    // and TakeType are as the switcher reported them.
    virtual void CrosspointChanged(Server&, int /*Output*/, int /*Input*/, int /*TakeType*/) {}
    // A relay (Table 40) or opto (Table 30) changed state.
    virtual void RelayOptoChanged(Server&, int /*Table*/, int /*Index*/) {}
    // A table of the model changed: Bit is its update bit, First and Count
    // the entries reported (Count 0: the whole table). Families whose frames
    // pass to the Helm clients unchanged forward them with ForwardFrame as well.
    virtual void TableChanged(Server&, int64_t /*Bit*/, int /*First*/, int /*Count*/) {}
    // A name table arrived complete (Kind 10 sources, 20 destinations).
    virtual void NamesChanged(Server&, int /*Kind*/) {}
    // Gains of outputs FirstOutput .. FirstOutput + Count - 1 changed.
    virtual void GainsChanged(Server&, int /*FirstOutput*/, int /*Count*/) {}
};

// How long an unfinished client message may wait in its buffer for the rest.
constexpr int ClientIdleDiscardMs = 200;

// A connected client as the operator's client list shows it.
struct ClientRow {
    Port port;
    int Slot;
    std::string Kind;
    std::string Address;
};

// One client protocol: its listening port, its socket events, its share of
// the decode timer, its clients, and the switcher announcements they need.
class ClientProtocol : public SwitcherReports {
public:
    virtual Port ListensOn() const = 0;
    virtual void ConnectionRequest(Server&) = 0;
    virtual void DataArrival(Server&, int Slot, long BytesTotal) = 0;
    virtual void Closed(Server&, int Slot) = 0;
    // Closes every connection of the port (the listener stays).
    virtual void DisconnectAll(Server&) = 0;
    // Connections counted in.
    virtual int Connections(const Server&) const = 0;
    // Appends a row for every connected client.
    virtual void ListClients(const Server&, std::vector<ClientRow>& Rows) const = 0;
    // The operator closes the client of Slot from the client list.
    virtual void DisconnectChosen(Server&, int Slot) = 0;

    struct DecodeRound {
        bool Progress = false;  // some buffer got shorter
        bool Waiting = false;   // bytes were there that may wait for the rest of a message
    };
    // Decodes at most one message per slot with buffered bytes.
    virtual DecodeRound Decode(Server&) = 0;
    // Drops what waited ClientIdleDiscardMs without being completed.
    virtual void DiscardUnfinished(Server&) {}
    // Every poll tick (PollIntervalMs), for a port with timed duties of its own.
    virtual void PollTick(Server&) {}
};
