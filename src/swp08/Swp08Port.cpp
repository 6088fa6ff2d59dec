#include "swp08/Swp08Port.h"

#include "disk/Logs.h"
#include "disk/StatusDisplay.h"
#include "disk/Trap.h"
#include "model/ByteManipulation.h"
#include "model/Server.h"
#include "model/TakeTypes.h"
#include "switcher/ToSwitcher.h"
#include "swp08/Swp08Answers.h"
#include "swp08/Swp08Link.h"

namespace {

constexpr long Swp08ReadBudget = 4096;

std::string SendErrorText(int Slot, size_t Length)
{
    return "Error sending to SW-P-08: Socket #" + std::to_string(Slot) + " Len " + std::to_string(Length);
}

}  // namespace

const PortKind Swp08PortKind{Port::SwP08,
                             {"SW-P-08 Connected", "SW-P-08 Disconnect", "SW-P-08 Disconnected", "SW-P-08 Disconnected",
                              "Error Connecting to SW-P-08", "TCP/IP Connection Error", "Error SW-P-08 Message Data",
                              "TCP/IP Message Error", "Error Disconnecting SW-P-08", "IP Message Error",
                              "Invalid SW-P-08 Socket Count", "SW-P-08 Send Error", SendErrorText},
                             Swp08ReadBudget};

void Swp08Protocol::Greet(Server& s, int)
{
    // Nothing is sent: a control system speaks first. The first client
    // starts from the map as it stands; others hear what is still untold.
    if (slots_.Count == 1)
        watch_.SeeAll(s.model);
    else
        TellChanges(s);
}

bool Swp08Protocol::Received(Server& s, int Slot)
{
    if (slots_[Slot].ReceiveBuffer.size() <= Swp08BufferLimit)
        return true;
    LogTrappedError(s, "SW-P-08 Buffer Overflow - IP " + slots_[Slot].Address, "SW-P-08 Error", 0, "");
    CloseSlot(s, kind(), slots_, Slot, kind().Texts.Disconnected);
    return false;
}

void Swp08Protocol::DecodeOne(Server& s, int Slot)
{
    Trap(s, "Error Decoding SW-P-08 Message", "SW-P-08 Error", [&] {
        const Swp08::Cut cut = Swp08::CutUnit(slots_[Slot].ReceiveBuffer);
        if (cut.Kind != Swp08::Unit::None)
            ShowNetworkActivity(s);
        if (cut.Kind == Swp08::Unit::BadFrame) {
            LogSoftwareError(s, "SW-P-08 Frame Error", 0, slots_[Slot].Address);
            Send(s, Slot, Swp08::NakBytes);
        } else if (cut.Kind == Swp08::Unit::Message) {
            Serve(s, Slot, cut.Data);
        }
    });
}

// The acknowledgement goes first, in one write with the replies; a connect's
// take follows it, so that even a switcher that answers at once (demo mode)
// is heard of after it.
void Swp08Protocol::Serve(Server& s, int Slot, const Bytes& Data)
{
    const Swp08::Request r = Swp08::ReadRequest(Data);
    Swp08Client& c = slots_[Slot];
    if (r.Extended)
        c.Extended = true;
    if (r.Kind == Swp08::Ask::Malformed || r.Kind == Swp08::Ask::Unknown)
        LogSoftwareError(s, "SW-P-08 Invalid Message " + HexText(r.Command), 0, c.Address);
    Bytes reply = Swp08::AckBytes;
    for (const Bytes& message : Swp08::Answer(s.model, r))
        reply += Swp08::Frame(message);
    Send(s, Slot, reply);
    // The acknowledgement may have found the client stuck and closed it.
    if (r.Kind == Swp08::Ask::Connect && slots_[Slot].Connected)
        Connect(s, Slot, r);
}

void Swp08Protocol::Connect(Server& s, int Slot, const Swp08::Request& r)
{
    // A copy: the switcher's answer may cut this client off and clear its record.
    const std::string address = slots_[Slot].Address;
    const std::optional<Swp08::Take> take = Swp08::TakeOf(s.model, r);
    if (!take) {
        if (Swp08::ForTheSwitcher(r))
            LogSoftwareError(s, "SW-P-08 Take Out Of Range", 0, address);
        return;
    }
    if (!s.Link.Ready()) {
        LogIPMessage(s, "SW-P-08 Take Dropped - Switcher Off Line", address);
        return;
    }
    int type = TakeType::Take;
    SendTakeToSwitcher(s, take->Source, take->Destination, type, NoneValue);
    DisplayMessage(s, TakeLogText(TakeType::Take, take->Source, take->Destination), address);
}

void Swp08Protocol::TellChanges(Server& s)
{
    if (slots_.Count == 0)
        return;
    Bytes standard, extended;
    for (const int d : watch_.Changes(s.model)) {
        const int source = Swp08::SourceOf(s.model, d);
        const Bytes wide = Swp08::Frame(Swp08::CrosspointMessage(Swp08::Cmd::Connected, true, 0, 0, d, source));
        extended += wide;
        standard += Swp08::FitsStandardForm(0, 0, d, source)
                        ? Swp08::Frame(Swp08::CrosspointMessage(Swp08::Cmd::Connected, false, 0, 0, d, source))
                        : wide;
    }
    for (int i = 1; i <= slots_.SlotCount(); ++i)
        if (slots_[i].Connected)
            Send(s, i, slots_[i].Extended ? extended : standard);
}

void Swp08Protocol::Send(Server& s, int Slot, const Bytes& Message) { SendToSlot(s, kind(), slots_, Slot, Message); }

void Swp08Protocol::CrosspointChanged(Server& s, int, int, int) { TellChanges(s); }

void Swp08Protocol::TableChanged(Server& s, int64_t, int, int) { TellChanges(s); }

void Swp08Protocol::NamesChanged(Server& s, int Kind)
{
    if (Kind != TableSources && Kind != TableDestinations)
        return;
    const Bytes notice = Swp08::Frame(Swp08::NamesUpdatedMessage(Kind == TableSources));
    for (int i = 1; i <= slots_.SlotCount(); ++i)
        if (slots_[i].Connected)
            Send(s, i, notice);
}
