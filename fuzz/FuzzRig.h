#pragma once
// What the fuzz targets share: a server on the test fakes for every input,
// its family's model made once per process and handed back unchanged to the
// next input, the event pump that runs the server as the event loop would,
// and the checks of what the code promises whatever arrives. A broken
// promise aborts, so libFuzzer keeps the input as a finding.
#include "core/DemoMode.h"
#include "ember/EmberPort.h"
#include "helm/FromHelm.h"
#include "helm/HelmPort.h"
#include "logitek/Logitek.h"
#include "model/ByteManipulation.h"
#include "support/Fakes.h"
#include "switcher/SerialLink.h"
#include "swp08/Swp08Link.h"
#include "swp08/Swp08Port.h"
#include "zolt/Zolt.h"

#include "ModelPool.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>

// A small quarantine: the sanitizer then reuses freed memory instead of
// holding hundreds of megabytes back, which keeps the memory limit of a run
// meaningful.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=16"; }

[[noreturn]] inline void FuzzFailure(const char* What, const char* File, int Line)
{
    std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", What, File, Line);
    std::abort();
}

#define FUZZ_CHECK(Condition) ((Condition) ? void() : FuzzFailure(#Condition, __FILE__, __LINE__))

// One private folder per fuzzing process for what the server writes there
// (poll files, the configuration); removed when the process ends.
class FuzzFolder {
public:
    static const std::string& Path()
    {
        static const FuzzFolder folder;
        return folder.path_;
    }

private:
    FuzzFolder()
    {
        // In memory where there is such a folder: the configuration is
        // written with an fsync.
        char name[] = "/dev/shm/hvn-fuzz-XXXXXX";
        if (!std::filesystem::is_directory("/dev/shm"))
            std::snprintf(name, sizeof name, "%s", "/tmp/hvn-fuzz-XXXXXX");
        if (mkdtemp(name) == nullptr)
            FuzzFailure("mkdtemp", __FILE__, __LINE__);
        path_ = std::string(name) + "/";
    }
    ~FuzzFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string path_;
};

// The settings every fuzzed server runs with: its family, demo mode, the
// private folder, and the logs off so that millions of inputs write nothing.
inline void SetUpServer(Server& s, SwitcherType Type, bool Demo)
{
    Config& c = s.cfg;
    c.AppPath = FuzzFolder::Path();
    c.MaintainLogFile = false;
    c.MaintainErrorLog = false;
    c.LogSwitcherErrors = false;
    c.DemoMode = Demo;
    c.PassThru = Type == SwitcherType::PassThru;
    c.HelmPort = 1250;
    s.ZoltPrompt = "\x1B[2J\x1B[HHVN READY>";
    s.LogitekHeader = Bytes("\x01\x03\x00", 3);
    s.model.SwitcherType = Type;
}

// The model startup leaves for Type (and demo mode).
inline Model MadeModel(SwitcherType Type, bool Demo)
{
    TestRig rig;
    SetUpServer(rig.server, Type, Demo);
    Model& m = rig.server.model;
    ResetSalvoTables(m);
    SizeConfigTable(m, 1);
    SizeTablesForType(m);
    if (Demo)
        LoadDemoData(rig.server);
    return std::move(m);
}

// Whether a rig's model tables are watched for writes (WriteWatch.h) or
// compared whole: watched only where no file is read while an input runs.
enum class Tables { Compared, Watched };

// The SW-P-08 port's clients, which the port keeps to itself.
inline const ClientSlots<Swp08Client>& Swp08Clients(Server& s)
{
    return static_cast<const Swp08Protocol*>(ProtocolOn(s, Port::SwP08))->Clients();
}

// The Ember+ port's consumers, which the port keeps to itself.
inline const ClientSlots<EmberClient>& EmberClients(Server& s)
{
    return static_cast<const EmberProtocol*>(ProtocolOn(s, Port::Ember))->Clients();
}

// A server as startup leaves it for Type (and demo mode), its switcher on
// line. Each rig is new; only its model comes from the pool, and goes back
// to it when the rig ends.
struct FuzzRig : TestRig {
    explicit FuzzRig(SwitcherType Type, bool Demo = false, Tables How = Tables::Compared)
        : pool_(ModelPool::For(Type, Demo, MadeModel))
    {
        SetUpServer(server, Type, Demo);
        server.model = pool_.Take(How == Tables::Watched);
        serial.opened = !Demo;
        server.Link.Answered();
        server.Link.AllTablesArrived();
    }
    ~FuzzRig() { pool_.Give(std::move(server.model)); }
    FuzzRig(const FuzzRig&) = delete;
    FuzzRig& operator=(const FuzzRig&) = delete;

    // A Helm client through the real accept path; with a Type, logged in as
    // that type (no passwords are set) and waiting for the tables in Pending.
    int ConnectHelm(int Type, int64_t Pending = 0)
    {
        server.onConnectionRequest(Port::Helm);
        const int slot = server.HelmClients.SlotCount();
        if (Type != 0) {
            ClientRecord& c = server.HelmClients[slot];
            c.LoggedIn = true;
            c.ClientType = Type;
            c.PendingRequests = Pending;
        }
        return slot;
    }
    int ConnectZolt()
    {
        server.onConnectionRequest(Port::Zolt);
        return server.ZoltClients.SlotCount();
    }
    int ConnectLogitek()
    {
        server.onConnectionRequest(Port::Logitek);
        return server.LogitekClients.SlotCount();
    }
    int ConnectSwp08()
    {
        server.onConnectionRequest(Port::SwP08);
        return Swp08Clients(server).SlotCount();
    }
    int ConnectEmber()
    {
        server.onConnectionRequest(Port::Ember);
        return EmberClients(server).SlotCount();
    }

    // Serial bytes as the port delivers them, decoded as the decode timer would.
    void SerialArrives(const Bytes& Chunk)
    {
        server.onSerialData(Chunk);
        RunTimer(TimerId::SerialDecode, [&] { return server.SerialBuffer.size(); });
    }
    // Bytes from a client of Port in Slot, decoded as the decode timer would.
    // The socket announces again what a bounded read left, until the server
    // has closed the connection or takes nothing more.
    void ClientSends(Port P, int Slot, const Bytes& Data)
    {
        sockets.conn(P, Slot).inbound += Data;
        const auto left = [&] { return PendingClientBytes(P, Slot); };
        for (size_t before = left() + 1; left() < before && sockets.isConnected(P, Slot);) {
            before = left();
            if (const size_t waiting = sockets.conn(P, Slot).inbound.size())
                server.onDataArrival(P, Slot, static_cast<long>(waiting));
            RunTimer(TimerId::DecodeTcp, left);
        }
    }
    // The poll timer's four phases, with the deferred requests it may start.
    void PollOnce()
    {
        for (int tick = 0; tick < 4; ++tick)
            server.onTimer(TimerId::Poll);
        if (timers.isEnabled(TimerId::Led2))
            server.onTimer(TimerId::Led2);
    }

private:
    size_t PendingClientBytes(Port P, int Slot)
    {
        return sockets.conn(P, Slot).inbound.size() + ReceiveBufferOf(P, Slot).size();
    }
    const Bytes& ReceiveBufferOf(Port P, int Slot)
    {
        switch (P) {
        case Port::Helm: return ReceiveBufferIn(server.HelmClients.Records, Slot);
        case Port::Zolt: return ReceiveBufferIn(server.ZoltClients.Records, Slot);
        case Port::Logitek: return ReceiveBufferIn(server.LogitekClients.Records, Slot);
        case Port::SwP08: return ReceiveBufferIn(Swp08Clients(server).Records, Slot);
        case Port::Ember: return ReceiveBufferIn(EmberClients(server).Records, Slot);
        default: return Nothing();
        }
    }
    template <class Record>
    static const Bytes& ReceiveBufferIn(const std::vector<Record>& Records, int Slot)
    {
        const size_t i = static_cast<size_t>(Slot);
        return i < Records.size() ? Records[i].ReceiveBuffer : Nothing();
    }
    static const Bytes& Nothing()
    {
        static const Bytes none;
        return none;
    }
    // Fires the timer while it is on and each firing takes something: an
    // unfinished message then waits for bytes that never come.
    template <class Work>
    void RunTimer(TimerId Id, Work Left)
    {
        while (timers.isEnabled(Id)) {
            const size_t before = Left();
            server.onTimer(Id);
            if (Left() >= before)
                break;
        }
    }

    ModelPool& pool_;
};

// ---- The promises ----

// Every model table is as long as the count it is sized by, and the counts
// stay within what the family may hold.
HVN_FUZZ_UNTRACED inline void CheckModel(const Server& s)
{
    const Model& m = s.model;
    if (!m.sized())
        return;
    const auto sized = [](const auto& Table, int Count) { return Table.size() == static_cast<size_t>(Count); };
    const int ns = m.NumSources, nd = m.NumDestinations;
    FUZZ_CHECK(ns >= 0 && ns <= MaxVelaTableSize && nd >= 0 && nd <= MaxVelaTableSize);
    FUZZ_CHECK(m.NumRelays >= 0 && m.NumRelays <= MaxVelaTableSize);
    FUZZ_CHECK(m.NumOptos >= 0 && m.NumOptos <= MaxVelaTableSize);
    FUZZ_CHECK(sized(m.CrosspointMap, nd));
    FUZZ_CHECK(sized(m.SourceAlphas, ns) && sized(m.SourceAlphasRaw, ns) && sized(m.SourceSortTable, ns));
    FUZZ_CHECK(sized(m.SourceLinks, ns) && sized(m.SourceGains, ns));
    FUZZ_CHECK(sized(m.DestinationAlphas, nd) && sized(m.DestinationAlphasRaw, nd) &&
               sized(m.DestinationSortTable, nd));
    FUZZ_CHECK(sized(m.DestinationLinks, nd) && sized(m.DestinationGains, nd) && sized(m.TemplateAssignment, nd));
    FUZZ_CHECK(sized(m.InhibitMap, nd) && m.InhibitMap.sources() == static_cast<size_t>(ns));
    for (const CrosspointRecord& x : m.CrosspointMap)
        FUZZ_CHECK(x.SourceCount <= MaxSourceEntries && x.SumCount <= MaxSourceEntries);
    // A Vela follows its name tables, and demo mode plays a Vela of its own
    // size for every family; otherwise Orion and Draco keep their size.
    if (m.SwitcherType == SwitcherType::Vela || s.cfg.DemoMode) {
        FUZZ_CHECK(sized(m.TransitionControl, nd));
        FUZZ_CHECK(sized(m.RelayAlphas, m.NumRelays) && sized(m.RelaySortTable, m.NumRelays) &&
                   sized(m.RelayStates, m.NumRelays) && sized(m.RelayConfig, m.NumRelays));
        FUZZ_CHECK(sized(m.OptoAlphas, m.NumOptos) && sized(m.OptoSortTable, m.NumOptos) &&
                   sized(m.OptoStates, m.NumOptos));
    } else {
        const int fixed = m.SwitcherType == SwitcherType::Orion ? 256 : 32;
        FUZZ_CHECK(ns == fixed && nd == fixed);
        FUZZ_CHECK(sized(m.RelayAlphas, fixed) && sized(m.OptoAlphas, fixed) && sized(m.RelayStates, fixed) &&
                   sized(m.OptoStates, fixed));
    }
    FUZZ_CHECK(sized(m.ButtonTemplates, m.NumTemplates) && sized(m.ButtonData, m.NumTemplates));
    for (size_t t = 0; t < m.ButtonTemplates.size(); ++t)
        FUZZ_CHECK(sized(m.ButtonTemplates[t], m.ButtonsPerTemplate) && sized(m.ButtonData[t], m.ButtonsPerTemplate));
    FUZZ_CHECK(m.SalvoAlphas.size() == m.SalvoSortTable.size());
    FUZZ_CHECK(!m.SalvoEvents.empty());
    FUZZ_CHECK(sized(m.SwitcherConfig, std::max(m.NumFrames, 1)) && m.CardVersions.size() == m.SwitcherConfig.size());
    FUZZ_CHECK(sized(m.SourceDisplayLists, DisplayListCount) && sized(m.DestinationDisplayLists, DisplayListCount));
}

// Wire is nothing but whole frames: a command byte, data bytes with bit 7
// clear, FF; or one of the lone bytes in Singles (the keep-alive and its answers).
HVN_FUZZ_UNTRACED inline void CheckWholeFrames(const Bytes& Wire, const Bytes& Singles)
{
    for (size_t i = 0; i < Wire.size();) {
        const unsigned char command = ByteAt(Wire, i);
        if (Singles.find(static_cast<char>(command)) != Bytes::npos) {
            ++i;
            continue;
        }
        const size_t end = FirstHighByte(Wire, i + 1, Wire.size());
        const bool whole = command >= 0x80 && command != 0xFF && end < Wire.size() && ByteAt(Wire, end) == 0xFF &&
                           end >= i + 2;  // at least the check byte
        if (!whole) {
            std::fprintf(stderr, "not a whole frame at byte %zu of %zu:", i, Wire.size());
            for (size_t k = i; k < Wire.size() && k < i + 48; ++k)
                std::fprintf(stderr, " %02X", ByteAt(Wire, k));
            std::fprintf(stderr, "\n");
        }
        FUZZ_CHECK(whole);
        i = end + 1;
    }
}

// Wire is nothing but whole Logitek messages: three header bytes, 02, a
// count L, and L bytes.
HVN_FUZZ_UNTRACED inline void CheckWholeLogitekMessages(const Bytes& Wire)
{
    for (size_t i = 0; i < Wire.size();) {
        FUZZ_CHECK(i + LogitekHeadBytes <= Wire.size() && ByteAt(Wire, i + 3) == 0x02);
        const size_t length = ByteAt(Wire, i + 4);
        FUZZ_CHECK(length > 0 && i + LogitekHeadBytes + length <= Wire.size());
        i += LogitekHeadBytes + length;
    }
}

// Wire is nothing but DLE ACK, DLE NAK and whole SW-P-08 frames whose byte
// count and checksum are right. Cut from a window that holds the longest
// frame twice over: cutting from the whole wire would move it all each time.
inline void CheckWholeSwp08Frames(const Bytes& Wire)
{
    constexpr size_t Window = 4 * (Swp08::MaxData + 8);
    Bytes window;
    for (size_t at = 0; at < Wire.size() || !window.empty();) {
        const size_t more = std::min(Window - window.size(), Wire.size() - at);
        window.append(Wire, at, more);
        at += more;
        FUZZ_CHECK(ByteAt(window, 0) == Swp08::Dle);
        const Swp08::Unit kind = Swp08::CutUnit(window).Kind;
        FUZZ_CHECK(kind == Swp08::Unit::Message || kind == Swp08::Unit::PeerAck || kind == Swp08::Unit::PeerNak);
    }
}

// Wire is nothing but whole S101 frames with their CRC right, each an EmBER
// packet or a keep-alive, and the messages they carry read as Glow.
inline void CheckWholeEmberFrames(const Bytes& Wire)
{
    EmberConsumer reader;
    const EmberIntake in = ReadEmberInput(reader, Wire);
    FUZZ_CHECK(reader.Reader.BadFrames == 0 && !in.OverCap && EmberUnfinished(reader) == 0);
    FUZZ_CHECK(Wire.empty() || (ByteAt(Wire, 0) == S101::Bof && ByteAt(Wire, Wire.size() - 1) == S101::Eof));
    std::vector<GlowElement> elements;
    for (const Bytes& m : in.Messages)
        FUZZ_CHECK(DecodeGlow(m, elements));
}

// The receive buffers stay within their caps once the decoders have run.
HVN_FUZZ_UNTRACED inline void CheckBuffers(Server& s)
{
    FUZZ_CHECK(s.SerialBuffer.size() <= SerialBufferLimit);
    for (const ClientRecord& c : s.HelmClients.Records)
        FUZZ_CHECK(c.ReceiveBuffer.size() <= HelmBufferLimit);
    for (const ZoltClient& c : s.ZoltClients.Records)
        FUZZ_CHECK(c.ReceiveBuffer.size() <= ZoltBufferLimit);
    for (const LogitekClient& c : s.LogitekClients.Records)
        FUZZ_CHECK(c.ReceiveBuffer.size() <= LogitekBufferLimit);
    for (const Swp08Client& c : Swp08Clients(s).Records)
        FUZZ_CHECK(c.ReceiveBuffer.size() <= Swp08BufferLimit);
    for (const EmberClient& c : EmberClients(s).Records)
        FUZZ_CHECK(c.ReceiveBuffer.size() + EmberUnfinished(c.Session) <= EmberInputCap);
}

// What went to the serial line and to the Helm and Logitek clients is whole
// frames (pass-through relays raw bytes both ways and is not checked), and
// the model and the buffers keep their promises.
HVN_FUZZ_UNTRACED inline void CheckAll(FuzzRig& Rig)
{
    Server& s = Rig.server;
    CheckModel(s);
    CheckBuffers(s);
    if (s.cfg.PassThru)
        return;
    // The keep-alive poll goes alone; an Orion or Draco is asked for its
    // tables with a lone F2 as well.
    CheckWholeFrames(Rig.serial.written(), s.model.SwitcherType == SwitcherType::Vela ? "\xF5" : "\xF2\xF5");
    for (const auto& [key, conn] : Rig.sockets.conns) {
        if (key.first == Port::Helm)
            CheckWholeFrames(conn.outbound, "\xF1\xF4\xF5");
        else if (key.first == Port::Logitek)
            CheckWholeLogitekMessages(conn.outbound);
        else if (key.first == Port::SwP08)
            CheckWholeSwp08Frames(conn.outbound);
        else if (key.first == Port::Ember)
            CheckWholeEmberFrames(conn.outbound);
    }
}

inline Bytes AsBytes(const uint8_t* Data, size_t Size) { return Bytes(reinterpret_cast<const char*>(Data), Size); }

// A switcher of Type sends Data: decoded on a server with a Helm PC waiting
// for every table, a soft panel, a Zolt console and a Logitek console
// attached, then a round of the poll timer (table requests, keep-alive) on
// whatever it left.
inline void FuzzSwitcher(SwitcherType Type, const uint8_t* Data, size_t Size)
{
    FuzzRig rig(Type, false, Tables::Watched);
    rig.ConnectHelm(HelmPcClientType, InfoRequestMaskBits);
    rig.ConnectHelm(FirstPanelClientType + 1);
    rig.ConnectZolt();
    rig.ConnectLogitek();
    rig.SerialArrives(AsBytes(Data, Size));
    rig.PollOnce();
    CheckAll(rig);
}

// The families a client-side target plays, picked by the low bits of its
// first input byte; the next bit turns demo mode on.
inline SwitcherType FamilyFromMode(uint8_t Mode)
{
    static constexpr SwitcherType Types[] = {SwitcherType::Vela, SwitcherType::Orion, SwitcherType::Draco,
                                             SwitcherType::PassThru};
    return Types[Mode & 3];
}
inline bool DemoFromMode(uint8_t Mode) { return (Mode & 4) != 0 && FamilyFromMode(Mode) != SwitcherType::PassThru; }

// A console on Port (Zolt, Logitek or SW-P-08) sends the input after its
// first byte, which picks the family and demo mode; a Helm PC that has its
// tables is attached, and for SW-P-08 a second client that hears every take.
inline void FuzzConsole(Port P, const uint8_t* Data, size_t Size)
{
    if (Size == 0)
        return;
    const uint8_t mode = Data[0];
    FuzzRig rig(FamilyFromMode(mode), DemoFromMode(mode), Tables::Watched);
    rig.ConnectHelm(HelmPcClientType);
    if (P == Port::SwP08)
        rig.ConnectSwp08();
    const int slot = P == Port::Zolt      ? rig.ConnectZolt()
                     : P == Port::Logitek ? rig.ConnectLogitek()
                                          : rig.ConnectSwp08();
    rig.ClientSends(P, slot, AsBytes(Data + 1, Size - 1));
    rig.PollOnce();
    CheckAll(rig);
}
