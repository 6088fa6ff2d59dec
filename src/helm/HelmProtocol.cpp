#include "helm/HelmProtocol.h"

#include "helm/FromHelm.h"
#include "helm/HelmPort.h"
#include "helm/ToHelm.h"
#include "model/Server.h"
#include "switcher/SwitcherFamily.h"
#include "switcher/ToSwitcher.h"

namespace {

ClientRecord& Client(Server& s, int Index) { return s.HelmClients[Index]; }

void ForwardToWaitingClients(Server& s, const Bytes& Frame, int64_t WaitBits, int64_t ClearBits, bool Panels)
{
    if (!s.Link.Answering())
        return;
    for (int i = 1; i <= s.HelmClients.SlotCount(); ++i) {
        ClientRecord& c = Client(s, i);
        // In demo mode every table frame is a client's upload answered by the
        // simulated switcher; all clients mirror it, so all of them get it.
        // (A client not yet logged in has no type: 16383 is no panel.)
        const bool mirrors = c.LoggedIn && ((Panels && c.ClientType >= FirstPanelClientType) || s.cfg.DemoMode);
        const bool waiting = (c.PendingRequests & WaitBits) != 0 || c.MapSent != 0 || mirrors;
        if (!waiting)
            continue;
        SendToClient(s, Frame, i);
        c.PendingRequests &= ~ClearBits;
    }
}

void ForwardToHelmPCs(Server& s, const Bytes& Frame, int64_t Bit, bool AlsoConsoles)
{
    if (!s.Link.OnLine())
        return;
    for (int i = 1; i <= s.HelmClients.SlotCount(); ++i) {
        ClientRecord& c = Client(s, i);
        if (c.ClientType != HelmPcClientType && !(AlsoConsoles && c.ClientType == ConsoleClientType))
            continue;
        SendToClient(s, Frame, i);
        c.PendingRequests &= ~Bit;
    }
}

void ForwardToAllClients(Server& s, const Bytes& Frame, int64_t Bit)
{
    if (!s.Link.OnLine())
        return;
    SendToAllClients(s, Frame);
    for (int i = 1; i <= s.HelmClients.SlotCount(); ++i) {
        ClientRecord& c = Client(s, i);
        if (c.ClientType == HelmPcClientType)
            c.PendingRequests &= ~Bit;
    }
}

}  // namespace

SlotTable& HelmProtocol::Slots(Server& s) const { return s.HelmClients; }

void HelmProtocol::DecodeOne(Server& s, int Slot) { DecodeHelmMessage(s, Slot); }

std::string HelmProtocol::KindText(const Server& s, int Slot) const
{
    return HelmClientKind(s.HelmClients[Slot].ClientType);
}

void HelmProtocol::PassThrough(Server& s, const Bytes& Data) { SendToAllClients(s, Data); }

void HelmProtocol::ForwardFrame(Server& s, const Bytes& Frame, FrameAudience Audience, int64_t WaitBits,
                                int64_t ClearBits)
{
    switch (Audience) {
    case FrameAudience::Waiting: ForwardToWaitingClients(s, Frame, WaitBits, ClearBits, true); break;
    case FrameAudience::WaitingNoPanels: ForwardToWaitingClients(s, Frame, WaitBits, ClearBits, false); break;
    case FrameAudience::HelmPCs: ForwardToHelmPCs(s, Frame, ClearBits, false); break;
    case FrameAudience::HelmPCsAndConsoles: ForwardToHelmPCs(s, Frame, ClearBits, true); break;
    case FrameAudience::AllOnline: ForwardToAllClients(s, Frame, ClearBits); break;
    }
}

void HelmProtocol::CrosspointChanged(Server& s, int Output, int Input, int TakeType)
{
    // Clients of a switcher with the Helm frame shape follow its takes as
    // one-output crosspoint maps (sums and levels included); for the other
    // families they get the take itself.
    if (HelmFramesPassUnchanged(s))
        SendToAllClients(s, BuildCrosspointMapMessage(s, Output, 1));
    else
        SendTakeToClients(s, Output, Input, TakeType);
}

void HelmProtocol::RelayOptoChanged(Server& s, int Table, int Index) { SendRelayOptoTallyToClients(s, Table, Index); }

void HelmProtocol::TableChanged(Server& s, int64_t Bit, int, int)
{
    // A switcher with the Helm frame shape has forwarded its report already.
    if (HelmFramesPassUnchanged(s))
        return;
    const Model& m = s.model;
    if (Bit & UpdateBit::Crosspoints) {
        const bool everyone = CrosspointMapToEveryClient(s);
        for (int i = 1; i <= s.HelmClients.SlotCount(); ++i)
            if (everyone || Client(s, i).MapSent != 0)
                SendCrosspointMap(s, i);
    }
    if (Bit & UpdateBit::SourceAlphas)
        SendAlphaTableToClient(s, m.SourceAlphas, TableSources, 0);
    if (Bit & UpdateBit::DestinationAlphas)
        SendAlphaTableToClient(s, m.DestinationAlphas, TableDestinations, 0);
    if (Bit & UpdateBit::SourceLinks)
        SendLinksToClient(s, m.SourceLinks, TableSources, 0);
    if (Bit & UpdateBit::DestinationLinks)
        SendLinksToClient(s, m.DestinationLinks, TableDestinations, 0);
    if (Bit & UpdateBit::Inhibits)
        SendInhibitMapToClient(s);
    if (Bit & UpdateBit::Buttons)
        SendButtonTablesToClient(s);
    if (Bit & UpdateBit::Salvos)
        SendSalvoEventsToClient(s);
    if (Bit & UpdateBit::Version)
        SendVersionInfoToClient(s);
    if (Bit & UpdateBit::State)
        SendStateToClient(s);
    if (Bit & UpdateBit::Status)
        SendStatusToClient(s);
    if (Bit & UpdateBit::Config)
        SendSwitcherConfigToClient(s);
    if (Bit & UpdateBit::RelayStates)
        SendRelayOptoStateToClient(s, TableRelays);
    if (Bit & UpdateBit::OptoStates)
        SendRelayOptoStateToClient(s, TableOptos);
}
