#include "helm/FromHelm.h"

#include "disk/Logs.h"
#include "disk/Trap.h"
#include "helm/HelmFrames.h"
#include "helm/HelmPort.h"
#include "helm/ToHelm.h"
#include "model/ByteManipulation.h"
#include "model/ControlBytes.h"
#include "model/Server.h"
#include "model/TakeTypes.h"
#include "switcher/SerialLink.h"
#include "switcher/SwitcherFamily.h"
#include "switcher/ToSwitcher.h"

namespace {

constexpr unsigned char CmdPassword = 0x80;
constexpr unsigned char CmdLogin = 0x81;
constexpr unsigned char CmdNotice = 0xA4;
constexpr unsigned char CmdCrosspointMap = 0xF6;
constexpr int MaxInterruptionsPerCall = 16;

ClientRecord* ClientAt(Server& s, int Index) { return s.HelmClients.Valid(Index) ? &s.HelmClients[Index] : nullptr; }

void LogForClient(Server& s, const std::string& Message, int Index)
{
    LogIPMessage(s, Message, ClientAddress(s, Index));
}

// Closes a client's connection as the password exchange requires.
void CloseClient(Server& s, int Index, const std::string& Why)
{
    if (!s.sockets.isConnected(Port::Helm, Index))
        return;
    LogForClient(s, Why, Index);
    s.sockets.close(Port::Helm, Index);
    DisconnectClient(s, Index);
}

std::string LoginTypeText(int Type)
{
    switch (Type) {
    case 120: return "Helm Connection";
    case 125: return "Automation Connection";
    case 131: return "Spruce SoftPanel Connection";
    case 132: return "Larch SoftPanel Connection";
    case 133: return "Multi SoftPanel Connection";
    case 134: return "Mini SoftPanel Connection";
    case 135: return "Intercom SoftPanel Connection";
    case 150: return "Console Connection";
    default: return "Unknown Connection Request";
    }
}

using Handler = void (*)(Server&, const Bytes&, int);

Handler HandlerFor(unsigned char Command)
{
    switch (Command) {
    case 0xFE: return ProcessHelmTake;
    case 0xF6: return ProcessHelmCrosspointMap;
    case 0xFC: return ProcessHelmAlphaTable;
    case 0xEF: return ProcessHelmClockConfig;
    case 0xF8: return ProcessHelmInhibitMap;
    case 0xF2: return [](Server& s, const Bytes& f, int i) { ProcessInfoRequest(s, f, i, 0); };
    case 0xFA: return ProcessHelmLinks;
    case 0x80: return ReceivePassword;
    case 0xFB: return ProcessHelmTemplateTable;
    case 0xFD: return ProcessHelmButtonData;
    case 0xEB: return ProcessHelmSalvoEvents;
    case 0xEA: return ProcessHelmSalvoExecute;
    case 0xE1: return ProcessHelmState;
    case 0xE2: return ProcessHelmConfig;
    case 0xDF: return ProcessHelmDisplayList;
    case 0x81: return ProcessLogin;
    case 0xE3: return ProcessHelmGain;
    case 0xEE: return ProcessHelmGainOffset;
    case 0xED: return ProcessHelmClock;
    case 0xEC: return ProcessHelmSerialMessage;
    case 0xF9: return ProcessHelmRelayConfig;
    case 0xDE: return ProcessHelmIcomChannel;
    case 0xA5: return ProcessHelmModuleUpgrade;
    case 0xA4: return ProcessHelmNotice;
    case 0xD2: return ProcessHelmTransitionControl;
    default: return nullptr;
    }
}

// The demo switcher answers client frames only when it plays a switcher whose
// frames they are: the other families' demos have no decoder that could answer them.
bool AnsweredByDemoSwitcher(const Server& s, unsigned char Command)
{
    return s.cfg.DemoMode && HelmFramesPassUnchanged(s) && Command != ControlByte::InfoRequest &&
           Command != CmdNotice && Command != CmdLogin && Command != CmdPassword;
}

size_t FirstCommandByte(const Bytes& Buffer, size_t From)
{
    const size_t at = FirstHighByte(Buffer, From, Buffer.size());
    return at == Buffer.size() ? Bytes::npos : at;
}

// The keep-alive poll (answered ready or not) and the client's answer to ours.
void AnswerKeepAlive(Server& s, unsigned char Command, int Index)
{
    if (Command == ControlByte::KeepAlivePoll) {
        const bool ready = s.Link.OnLine() && !s.Link.Awaiting();
        SendToClient(s, Bytes(1, static_cast<char>(ready ? ControlByte::Acknowledge : ControlByte::NotReady)), Index);
    }
    if (ClientRecord* c = ClientAt(s, Index))
        c->SilentTicks = 0;
}

// Cuts the next whole frame off a client's buffer, with the bytes in front
// of it that cannot start one; answers the one-byte frames itself. Empty
// when there is nothing to decode now.
Bytes CutHelmFrame(Server& s, int Index)
{
    Bytes& buffer = s.HelmClients[Index].ReceiveBuffer;
    // Dropped bytes are counted and cut off once: cutting the buffer at
    // every restart would cost quadratic time on a long hostile buffer.
    size_t pos = 0;
    size_t eom = Bytes::npos;  // the first FF, once looked up
    int interrupted = 0;
    for (;;) {
        pos = FirstCommandByte(buffer, pos);
        if (pos == Bytes::npos) {
            buffer.clear();
            return Bytes();
        }
        const unsigned char command = ByteAt(buffer, pos);
        if (!s.HelmClients[Index].LoggedIn && command != CmdCrosspointMap && command != CmdPassword &&
            command != CmdLogin) {
            TakeClientBytes(s, pos + 1, Index);
            return Bytes();
        }
        if (command == ControlByte::KeepAlivePoll || command == ControlByte::Acknowledge) {
            TakeClientBytes(s, pos + 1, Index);
            AnswerKeepAlive(s, command, Index);
            return Bytes();
        }
        if (eom == Bytes::npos) {
            eom = buffer.find(static_cast<char>(ControlByte::EndOfMessage), pos);
            if (eom == Bytes::npos) {
                TakeClientBytes(s, pos, Index);
                return Bytes();  // wait for the rest of the frame
            }
        }
        const size_t next = command == CmdLogin ? Bytes::npos : FirstCommandByte(buffer, pos + 1);
        if (next < eom) {
            LogSoftwareError(s, "Incomplete Message " + HexText(command), 0, "Helm");
            pos = next;
            // A flood of cut-short frames is worked off over several
            // calls, so one call stays short.
            if (++interrupted < MaxInterruptionsPerCall)
                continue;
            TakeClientBytes(s, pos, Index);
            return Bytes();
        }
        const Bytes frame = buffer.substr(pos, eom + 1 - pos);
        TakeClientBytes(s, eom + 1, Index);
        return frame;
    }
}

// ---- Info request ----

struct InfoReply {
    int64_t Bits;
    const char* Text;
    void (*Send)(Server&, int);
};

// The order in which the bits of an info request are served.
const InfoReply InfoReplies[] = {
    {ReplyBit::Description, "Physical Description Request", [](Server& s, int) { SendDescriptionToClient(s); }},
    {ReplyBit::Version, "Version Info Request", [](Server& s, int) { SendVersionInfoToClient(s); }},
    {ReplyBit::State, "State Info Request", [](Server& s, int) { SendStateToClient(s); }},
    {ReplyBit::Status, "System Status Request", [](Server& s, int) { SendStatusToClient(s); }},
    {ReplyBit::Config, "System Config Request", [](Server& s, int) { SendSwitcherConfigToClient(s); }},
    {ReplyBit::SourceAlphas, "Source Alphas Request",
     [](Server& s, int) { SendAlphaTableToClient(s, s.model.SourceAlphas, TableSources, 0); }},
    {ReplyBit::DestinationAlphas, "Destination Alphas Request",
     [](Server& s, int) { SendAlphaTableToClient(s, s.model.DestinationAlphas, TableDestinations, 0); }},
    {ReplyBit::OptoAlphas, "Opto Alphas Request",
     [](Server& s, int) { SendAlphaTableToClient(s, s.model.OptoAlphas, TableOptos, 0); }},
    {ReplyBit::RelayAlphas, "Relay Alphas Request",
     [](Server& s, int) { SendAlphaTableToClient(s, s.model.RelayAlphas, TableRelays, 0); }},
    {ReplyBit::SourceLinks | ReplyBit::DestinationLinks, "Stereo Links Request",
     [](Server& s, int i) {
         // Either bit asks for both tables.
         s.HelmClients[i].PendingRequests |= ReplyBit::SourceLinks | ReplyBit::DestinationLinks;
         SendLinksToClient(s, s.model.SourceLinks, TableSources, 0);
         SendLinksToClient(s, s.model.DestinationLinks, TableDestinations, 0);
     }},
    {ReplyBit::Crosspoints, nullptr, [](Server& s, int i) { SendCrosspointMap(s, i); }},
    {ReplyBit::TransitionControl, "Transition Control Request",
     [](Server& s, int i) { SendTransitionControlToClient(s, i); }},
    {ReplyBit::Buttons, "Button Table Request", [](Server& s, int) { SendButtonTablesToClient(s); }},
    {ReplyBit::Salvos, "Salvo Events Request", [](Server& s, int) { SendSalvoEventsToClient(s); }},
    {ReplyBit::Gains, "System Gain Request", [](Server& s, int) { SendGainToClient(s); }},
    {ReplyBit::Clock, "System Clock Request", [](Server& s, int) { SendClockToClient(s); }},
    {ReplyBit::GainOffsets, "System Gain Offset Request", [](Server& s, int) { SendGainOffsetToClient(s); }},
    {ReplyBit::SourceDisplayList, "Source Display List Request",
     [](Server& s, int) { SendDisplayListToClient(s, TableSources); }},
    {ReplyBit::DestinationDisplayList, "Destination Display List Request",
     [](Server& s, int) { SendDisplayListToClient(s, TableDestinations); }},
    {ReplyBit::RelayStates, "Relay State Request", [](Server& s, int) { SendRelayOptoStateToClient(s, TableRelays); }},
    {ReplyBit::OptoStates, "Opto State Request", [](Server& s, int) { SendRelayOptoStateToClient(s, TableOptos); }},
    {ReplyBit::RelayConfig, "Relay Config Request", [](Server& s, int) { SendRelayConfigToClient(s); }},
    {ReplyBit::Inhibits, "Inhibit Map Request", [](Server& s, int) { SendInhibitMapToClient(s); }},
};

int64_t ReadInfoMask(const Bytes& Frame)
{
    FrameReader r(Frame);
    int64_t mask = 0;
    for (int group = 0; group < 6 && r.Remaining() > 0; ++group)
        mask |= static_cast<int64_t>(r.Byte()) << (7 * group);
    return mask;
}

// A5 and EC: a byte count n (pair), then n bytes; n + 5 bytes in all.
bool ByteRunFits(const Bytes& Frame)
{
    FrameReader r(Frame);
    const int count = r.Pair();
    return !r.Failed() && Frame.size() == static_cast<size_t>(count) + 5;
}

}  // namespace

std::string ClientAddress(const Server& s, int Index)
{
    return s.HelmClients.Valid(Index) ? s.HelmClients[Index].Address : std::string();
}

void PassToVela(Server& s, const Bytes& Frame, int64_t AskBack)
{
    SendToSwitcher(s, Frame);
    if (AskBack != 0)
        RequestSwitcherTables(s, AskBack, NoneValue, 0);
}

bool ChecksumOk(Server& s, const Bytes& Frame, int Index, const char* Text, const std::string& Location)
{
    if (ChecksumMatches(Frame))
        return true;
    LogSoftwareError(s, Text, Index, Location);
    return false;
}

void DecodeHelmMessage(Server& s, int Index)
{
    if (!s.HelmClients.Valid(Index))
        return;
    Trap(s, "Error Decoding Message", "Helm Command Error", [&] {
        Bytes& buffer = s.HelmClients[Index].ReceiveBuffer;
        if (buffer.size() > HelmBufferLimit) {
            LogTrappedError(s, "Buffer Overflow", "Helm Command Error", 0, "");
            buffer.clear();
            return;
        }
        const Bytes frame = CutHelmFrame(s, Index);
        if (frame.empty())
            return;
        const unsigned char command = ByteAt(frame, 0);
        if (command == CmdCrosspointMap && !s.HelmClients[Index].LoggedIn) {
            // Only a logged-in client may change the routing picture.
            LogForClient(s, "Crosspoint Map Ignored - Not Logged In", Index);
            return;
        }
        if (AnsweredByDemoSwitcher(s, command)) {
            LoopBackToDecoder(s, frame);
            return;
        }
        if (Handler handler = HandlerFor(command))
            handler(s, frame, Index);
        else
            LogSoftwareError(s, "Unknown Command " + HexText(command), Index, "");
    });
}

void ProcessLogin(Server& s, const Bytes& Frame, int Index)
{
    Trap(s, "Error Prcessing Login Type", "Helm Message Error", [&] {
        if (!s.HelmClients.Valid(Index))
            return;
        if (Frame.size() != 4 && Frame.size() != 5)
            LogSoftwareError(s, "Helm Message Length Error", Index, "Login Message");
        if (Frame.size() < 4)
            return;  // no type byte to read
        if (!ChecksumOk(s, Frame, Index, "Helm Check Sum Error", "Login Message"))
            return;
        const int type = Frame.size() == 4 ? ByteAt(Frame, 1) : CombineBytes(ByteAt(Frame, 1), ByteAt(Frame, 2));
        s.HelmClients[Index].ClientType = type;
        LogForClient(s, LoginTypeText(type), Index);
        bool loggedIn = false;
        if (type == HelmPcClientType && s.cfg.HelmPassword.empty())
            loggedIn = true;
        else if (type >= FirstPanelClientType && s.cfg.PanelPassword.empty())
            loggedIn = true;
        else if (type == AutomationClientType || type == ConsoleClientType)
            loggedIn = true;
        s.HelmClients[Index].LoggedIn = loggedIn;
        if (!loggedIn)
            SendPasswordRequest(s, Index);
    });
}

void SendPasswordRequest(Server& s, int Index)
{
    Trap(s, "Error Sending Password Rqst", "IP Message Error",
         [&] { SendToClient(s, Bytes("\xF2\x02\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\xFF", 13), Index); });
}

void ReceivePassword(Server& s, const Bytes& Frame, int Index)
{
    Trap(s, "Error Receiving Password", "IP Message Error", [&] {
        if (!s.HelmClients.Valid(Index))
            return;
        // 80, one byte not read, N, N password bytes, checksum, FF.
        const size_t length = Frame.size() >= 3 ? ByteAt(Frame, 2) : 0;
        if (Frame.size() < 5 || Frame.size() != length + 5) {
            SendPasswordRequest(s, Index);
            return;
        }
        if (length == 0) {
            CloseClient(s, Index, "Connection Cancelled");
            return;
        }
        if (!ChecksumMatches(Frame)) {
            SendPasswordRequest(s, Index);
            return;
        }
        const std::string given = Frame.substr(3, length);
        const int type = s.HelmClients[Index].ClientType;
        std::string expected;
        if (type == HelmPcClientType)
            expected = s.cfg.HelmPassword;
        else if (type >= FirstPanelClientType)
            expected = s.cfg.PanelPassword;
        else
            return;
        if (given == expected) {
            s.HelmClients[Index].LoggedIn = true;
            LogForClient(s, "Correct Password", Index);
            return;
        }
        LogForClient(s, "Incorrect Password", Index);
        const int failures = ++s.HelmClients[Index].PasswordFailures;
        if (failures < s.cfg.PasswordTries)
            SendPasswordRequest(s, Index);
        else
            CloseClient(s, Index, "Client Disconnected");
    });
}

void ProcessInfoRequest(Server& s, const Bytes& Frame, int Index, int64_t Mask)
{
    Trap(s, "Error Processing Info Request", "Helm Command Error", [&] {
        if (!s.HelmClients.Valid(Index))
            return;
        int64_t mask = Mask;
        if (!Frame.empty()) {
            if (!ChecksumOk(s, Frame, Index, "Helm Check Sum Error", "Info Request"))
                return;
            if (Frame.size() != 13)
                LogSoftwareError(s, "Helm Length Error", Index, "Info Request");
            mask = ReadInfoMask(Frame);
        }
        mask &= InfoRequestMaskBits;
        // Bit 0 is served at once below; kept pending it would be asked again
        // on every polled pass.
        if (mask != ReplyBit::SystemInfo)
            s.HelmClients[Index].PendingRequests |= mask & ~ReplyBit::SystemInfo;
        // A switcher whose frames are the clients' answers the full refresh
        // itself; its reports reach every waiting client.
        if (!Frame.empty() && mask == FullRefreshMask && HelmFramesPassUnchanged(s)) {
            if (!s.cfg.DemoMode) {
                RequestSwitcherTables(s, mask, NoneValue, 0);
                LogForClient(s, "Helm Info Request", Index);
                return;
            }
            LogForClient(s, "Helm Info Request", Index);
        }
        if (mask & ReplyBit::SystemInfo) {
            RequestSwitcherConfiguration(s);
            s.model.UpdateFlags = s.model.AllUpdateFlags;
            s.SwitcherRequest.Active = 1;
            s.HelmClientsActive = true;
            LogForClient(s, "System Info Request", Index);
            if (s.HelmClients.Valid(Index))
                s.HelmClients[Index].PendingRequests |= s.model.AllUpdateFlags;
        }
        if (!s.Link.Ready())
            return;  // the bits stay pending until the switcher has answered
        for (const InfoReply& reply : InfoReplies) {
            if ((mask & reply.Bits) == 0)
                continue;
            // A reply may have dropped this client (a stuck socket).
            const ClientRecord* c = ClientAt(s, Index);
            if (c == nullptr || !c->Connected)
                return;
            if (reply.Text != nullptr)
                LogForClient(s, reply.Text, Index);
            reply.Send(s, Index);
            if (reply.Text == nullptr)
                LogForClient(s, "Crosspoint Map Request", Index);
        }
    });
}

TakeCommand ReadTakeCommand(const Bytes& Frame, SwitcherType Type)
{
    FrameReader r(Frame);
    TakeCommand t;
    t.TakeType = r.Pair();
    t.Input = r.Pair();
    t.Output = r.Pair();
    const SwitcherFamily* family = FamilyOf(Type);
    if (family == nullptr || !family->HelmFramesPassUnchanged)
        t.TakeType &= ~TakeType::IgnoredFlag;
    return t;
}

void ProcessHelmTake(Server& s, const Bytes& Frame, int Index)
{
    Trap(s, "Error Processing Take Command", "Helm Command Error", [&] {
        if (!ChecksumOk(s, Frame, Index, "Helm Check Sum Error", "Take Command"))
            return;
        if (Frame.size() != 9 && Frame.size() != 11) {
            LogSoftwareError(s, "Helm Message Length Error", Index, "Take Command");
            return;
        }
        const TakeCommand take = ReadTakeCommand(Frame, s.model.SwitcherType);
        if (HelmFramesPassUnchanged(s)) {
            SendToSwitcher(s, Frame);
        } else {
            int type = take.TakeType;
            SendTakeToSwitcher(s, take.Input, take.Output, type, NoneValue);
        }
        s.counters.Take(Port::Helm);
        LogForClient(s, TakeLogText(take.TakeType & TakeType::TypeBits, take.Input, take.Output), Index);
        const ClientRecord* c = ClientAt(s, Index);
        if (c != nullptr && c->PolledUpdates) {
            // A polled client sees the change only through its next refresh:
            // ask the switcher for the table once the line is quiet.
            s.timers.restart(TimerId::Led2, LedIntervalMs);
            s.model.DeferredRequestFlags =
                IsRelayTake(take.TakeType & TakeType::TypeBits) ? ReplyBit::RelayStates : ReplyBit::Crosspoints;
        }
    });
}

void ProcessHelmSalvoExecute(Server& s, const Bytes& Frame, int Index)
{
    Trap(s, "Error Receiving Salvo Execute", "Helm Message Error", [&] {
        if (!ChecksumOk(s, Frame, Index, "Helm Check Sum Error", "Salvo Execute"))
            return;
        if (Frame.size() != 6) {
            LogSoftwareError(s, "Helm Message Length Error", Index, "Salvo Execute");
            return;
        }
        FrameReader r(Frame);
        const int salvo = r.Pair();
        LogForClient(s, "Salvo Execute Number " + std::to_string(salvo + 1), Index);
        if (HelmFramesPassUnchanged(s))
            SendToSwitcher(s, Frame);
        else
            SendSalvoExecuteToSwitcher(s, salvo);
    });
}

// A4, code, count n, n values (pairs); 2n + 7 bytes.
void ProcessHelmNotice(Server& s, const Bytes& Frame, int Index)
{
    Trap(s, "Error Reciving Notification", "Helm Message Error", [&] {
        if (!s.HelmClients.Valid(Index))
            return;
        if (!ChecksumOk(s, Frame, Index, "Check Sum Error", "Notice Message"))
            return;
        FrameReader r(Frame);
        const int code = r.Pair();
        const int count = r.Pair();
        if (r.Failed() || Frame.size() != 2 * static_cast<size_t>(count) + 7) {
            LogSoftwareError(s, "Message Length Error", Index, "Notification Message");
            return;
        }
        ClientRecord& c = s.HelmClients[Index];
        switch (code) {
        case NoticeUnsupervised: c.Supervised = false; break;
        case NoticeSupervised:
            c.Supervised = true;
            c.PolledUpdates = false;
            break;
        case NoticePolledUpdates:
            c.PolledUpdates = true;
            c.UpdateMask = VelaAllUpdateFlags;
            break;
        default: break;
        }
        LogForClient(s, "Notification Message", Index);
    });
}

// A5: the bytes for the switcher (ByteRunFits).
void ProcessHelmModuleUpgrade(Server& s, const Bytes& Frame, int Index)
{
    Trap(s, "Error Reciving Module Upgrade", "Helm Message Error", [&] {
        if (!s.HelmClients.Valid(Index))
            return;
        if (!ChecksumOk(s, Frame, Index, "Check Sum Error", "Module Upgrade"))
            return;
        if (!ByteRunFits(Frame)) {
            LogSoftwareError(s, "Length Error", Index, "Module Upgrade");
            return;
        }
        ClientRecord& c = s.HelmClients[Index];
        c.PolledUpdates = true;
        c.UpdateMask = VelaAllUpdateFlags;
        if (HelmFramesPassUnchanged(s)) {
            // The switcher stops answering polls while a module is rewritten.
            s.ModuleUpgradeActive = true;
            SendToSwitcher(s, Frame);
        }
        LogForClient(s, "Received Module Upgrade", Index);
    });
}

// EC: bytes for the switcher (ByteRunFits).
void ProcessHelmSerialMessage(Server& s, const Bytes& Frame, int Index)
{
    Trap(s, "Error Processing Serial Message", "Helm Message Error", [&] {
        if (!ChecksumOk(s, Frame, Index, "Check Sum Error", "Gain Offset"))
            return;
        if (!ByteRunFits(Frame)) {
            LogSoftwareError(s, "Length Error", Index, "Serial Message");
            return;
        }
        if (HelmFramesPassUnchanged(s))
            PassToVela(s, Frame, 0);
        LogForClient(s, "Received Serial Message", Index);
    });
}

void ProcessHelmIcomChannel(Server& s, const Bytes& Frame, int Index)
{
    Trap(s, "Error Receiving Icom Channel", "Helm Message Error", [&] {
        if (!ChecksumOk(s, Frame, Index, "Check Sum Error", "Clock Config"))
            return;
        if (HelmFramesPassUnchanged(s))
            PassToVela(s, Frame, 0);
        LogForClient(s, "Received Icom Channel", Index);
    });
}
