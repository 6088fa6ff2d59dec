#pragma once
// What every listening port shares: its connection slots, taking a connection
// in, bounded reads, the send path that cuts off a client that stopped
// reading, closing, the counts, and one decode round over the slots.
//
// The slot operations are plain functions over a port's description and its
// slot table, so a protocol's own code (a Helm reply, a Zolt tally) sends the
// same way the base does. SocketPort puts them together as the port's
// ClientProtocol; a protocol derives from it and adds what is its own: where
// its records live, its greeting, its decoder, how the client list names it,
// and the switcher announcements its clients need.
#include "model/ClientSlots.h"
#include "model/SwitcherReports.h"

#include <cstddef>
#include <string>

class Server;

// The port's lines in the event log and its trapped-error texts.
struct PortTexts {
    const char* Connected;         // a connection was taken in (null: not logged)
    const char* Disconnect;        // its peer closed it
    const char* Disconnected;      // the server closed it: cut off as slow, or all closed
    const char* ListDisconnected;  // the operator closed it from the client list
    const char* ConnectError;
    const char* ConnectTitle;
    const char* ReadError;
    const char* ReadTitle;
    const char* CloseError;
    const char* CloseTitle;  // also of a count that would go below zero
    const char* CountError;
    const char* SendTitle;  // a failed send and "Socket Busy"
    std::string (*SendError)(int Slot, size_t Length);
};

// The consoles' send trap text, with the slot and the length.
std::string ConsoleSendError(int Slot, size_t Length);

struct PortKind {
    Port port;
    PortTexts Texts;
    // What one data-arrival event reads at most; the socket announces the
    // rest again, so one busy client cannot keep the others waiting.
    long ReadBudget;
};

// The longest piece handed to a socket at once.
constexpr size_t SendPiece = 16384;

// Takes the offered connection into the first free slot (a new one when all
// are busy) with a fresh record; 0 when the socket would not accept it.
int TakeConnection(Server& s, const PortKind& Kind, SlotTable& Slots);
// Reads what waits for Slot into its receive buffer, at most ReadBudget, in
// pieces the size of Waiting (what the socket announced); returns the count
// read, or -1 after logging a socket error.
long ReadIntoSlot(Server& s, const PortKind& Kind, SlotTable& Slots, int Slot, long Waiting);
// Writes Message in pieces; a client whose queue is full is cut off (logged
// "Socket Busy" and Texts.Disconnected). False when the message did not go.
bool WriteOrCutOff(Server& s, const PortKind& Kind, SlotTable& Slots, int Slot, const Bytes& Message);
// WriteOrCutOff under the port's send trap; nothing for an empty message or a
// slot that is not connected.
void SendToSlot(Server& s, const PortKind& Kind, SlotTable& Slots, int Slot, const Bytes& Message);
// Bookkeeping for a connection that is gone or being closed: the count goes
// down (never below zero) and the record is fresh. Does not close the socket.
void ReleaseSlot(Server& s, const PortKind& Kind, SlotTable& Slots, int Slot);
// Logs Text with the client's address, closes the socket and releases the slot.
void CloseSlot(Server& s, const PortKind& Kind, SlotTable& Slots, int Slot, const std::string& Text);
// Closes and unloads every slot, logging Text for each connected one.
void CloseAllSlots(Server& s, const PortKind& Kind, SlotTable& Slots, const std::string& Text);

class SocketPort : public ClientProtocol {
public:
    explicit SocketPort(const PortKind& Kind) : kind_(Kind) {}

    Port ListensOn() const final { return kind_.port; }
    void ConnectionRequest(Server& s) final;
    void DataArrival(Server& s, int Slot, long BytesTotal) final;
    void Closed(Server& s, int Slot) final;
    void DisconnectAll(Server& s) final;
    DecodeRound Decode(Server& s) final;
    void DiscardUnfinished(Server& s) final;
    int Connections(const Server& s) const final;
    void ListClients(const Server& s, std::vector<ClientRow>& Rows) const final;
    void DisconnectChosen(Server& s, int Slot) final;

protected:
    const PortKind& kind() const { return kind_; }
    // Where the port's records live.
    virtual SlotTable& Slots(Server& s) const = 0;
    // Greets the client in its fresh record (and logs it, where the port does).
    virtual void Greet(Server& s, int Slot) = 0;
    // Bytes arrived in the slot's buffer; false when they are not the decoder's.
    virtual bool Received(Server&, int) { return true; }
    // Decodes at most one message of the slot's buffer.
    virtual void DecodeOne(Server& s, int Slot) = 0;
    // A message that waited ClientIdleDiscardMs unfinished is dropped; ports
    // whose decoders remove what can never complete wait for its bytes instead.
    virtual bool DropsUnfinished() const { return false; }
    // The kind of connection the client list shows.
    virtual std::string KindText(const Server& s, int Slot) const = 0;

private:
    const SlotTable& Slots(const Server& s) const { return Slots(const_cast<Server&>(s)); }

    const PortKind& kind_;
};
