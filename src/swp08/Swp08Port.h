#pragma once
// The SW-P-08 port: control systems and panels that speak the router control
// protocol. Each frame is acknowledged at once and served from the model;
// connects go to the switcher as any client's take does, and every crosspoint
// change, whatever made it, reaches every client as a connected message.
#include "model/ClientSlots.h"
#include "port/ClientPort.h"
#include "port/CrosspointWatch.h"
#include "swp08/Swp08Messages.h"

#include <cstddef>

// Input a client has sent that is not decoded yet, at most; past it the
// client is closed (it can only be flooding: a frame is a few hundred bytes).
constexpr size_t Swp08BufferLimit = 64 * 1024;

extern const PortKind Swp08PortKind;

struct Swp08Client : PortClient {
    // It has sent an extended command: it is told in the extended form.
    bool Extended = false;
};

class Swp08Protocol : public SocketPort {
public:
    Swp08Protocol() : SocketPort(Swp08PortKind) {}

    const ClientSlots<Swp08Client>& Clients() const { return slots_; }

    void CrosspointChanged(Server& s, int Output, int Input, int TakeType) override;
    void TableChanged(Server& s, int64_t Bit, int First, int Count) override;
    void NamesChanged(Server& s, int Kind) override;

protected:
    SlotTable& Slots(Server&) const override { return slots_; }
    void Greet(Server& s, int Slot) override;
    bool Received(Server& s, int Slot) override;
    void DecodeOne(Server& s, int Slot) override;
    std::string KindText(const Server&, int) const override { return "SW-P-08"; }

private:
    void Serve(Server& s, int Slot, const Bytes& Data);
    void Connect(Server& s, int Slot, const Swp08::Request& r);
    // Tells every client of the crosspoints that changed since last asked.
    void TellChanges(Server& s);
    void Send(Server& s, int Slot, const Bytes& Message);

    mutable ClientSlots<Swp08Client> slots_;
    CrosspointWatch watch_;
};
