#pragma once
// The in-memory model of the switcher. Numbers are 0-based here; every
// protocol shows them 1-based.
#include "model/InhibitTable.h"
#include "model/SwitcherType.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

constexpr int NoneValue = 16383;  // 7F 7F on the wire: none, or all
// The most sources, destinations, relays or optos a Vela's name tables may
// set: well above any real switcher, and small enough that every table sized
// by them stays small in memory (some 8 MB at this size). Entries past it are
// not kept.
constexpr int MaxVelaTableSize = 4096;
constexpr int MaxSourceEntries = 65;

// Table codes every protocol passes as Table or Kind.
constexpr int TableSources = 10;
constexpr int TableDestinations = 20;
constexpr int TableOptos = 30;
constexpr int TableRelays = 40;
constexpr int TableSalvos = 50;

struct CrosspointRecord {
    std::array<int, MaxSourceEntries> Sources{};  // Sources[0] is the current source
    uint8_t SumFlag = 0;
    uint8_t SourceCount = 1;
    uint8_t SumCount = 0;
    std::array<int, MaxSourceEntries> Levels{1024};
    std::array<int, MaxSourceEntries> SumSources{};
    int TakeExtra = 0;
    bool operator==(const CrosspointRecord&) const = default;
};

constexpr int MaxButtonValues = 33;

struct ButtonRecord {
    int Value = 0;
    int Count = 1;
    std::array<int, MaxButtonValues> Values{};
    bool operator==(const ButtonRecord&) const = default;
};

struct GainRecord {
    int Level1 = 1024;
    int Level2 = 1024;
    int Extra1 = 0;
    int Extra2 = 0;
    bool operator==(const GainRecord&) const = default;
};

struct SalvoEventRecord {
    int Salvo = 0;
    std::string Name;
    std::array<uint8_t, 3> Flags{};
    std::array<int, 5> Values{};
    bool operator==(const SalvoEventRecord&) const = default;
};

struct ChannelRecord {
    uint8_t State = 0;
    std::array<int, 8> Settings{};
    uint8_t Status = 0;
    bool operator==(const ChannelRecord&) const = default;
};

struct PortRecord {
    uint8_t State = 0;
    uint8_t Status = 0;
    uint8_t ChannelCount = 0;
    int TypeCode = 0;
    std::vector<ChannelRecord> Channels;
    bool operator==(const PortRecord&) const = default;
};

constexpr int PortsPerCard = 32;
constexpr int CardsPerFrame = 21;

struct CardRecord {
    uint8_t Flag = 0;         // card 0: the frame's state
    uint8_t FrameStatus = 0;  // card 0: the frame's status
    uint8_t Count = 0;        // card 0: number of cards
    uint8_t Spare = 0;
    uint8_t Present = 0;  // the card's state
    uint8_t PortCount = 0;
    std::array<PortRecord, PortsPerCard> Ports{};
    uint8_t Status = 0;
    int TypeCode = 0;
    std::array<int, 3> Settings{};
    bool operator==(const CardRecord&) const = default;
};

struct FrameRecord {
    std::array<CardRecord, CardsPerFrame> Cards{};
    int TypeCode = 0;
    bool operator==(const FrameRecord&) const = default;
};

constexpr int DisplayListCount = 256;
constexpr int EmptyDisplayMember = 255;

struct DisplayListRecord {
    std::string Name;
    std::vector<int> Members;  // source or destination numbers; 255 = empty place
    bool operator==(const DisplayListRecord&) const = default;
};

// Update bits: one bit per table. The same numbering serves the switcher's
// pending tables (UpdateFlags), the info request mask sent to the switcher
// and the Helm clients' pending requests (the Helm side calls them reply bits).
namespace UpdateBit {
constexpr int64_t SystemInfo = 1;
constexpr int64_t Version = 4;
constexpr int64_t Status = 8;
constexpr int64_t State = 16;
constexpr int64_t Description = 32;
constexpr int64_t Config = 64;
constexpr int64_t PortMap = Config;  // what an Orion or Draco reports as its configuration
constexpr int64_t Crosspoints = 128;
constexpr int64_t SourceAlphas = 256;
constexpr int64_t DestinationAlphas = 512;
constexpr int64_t SourceLinks = 1024;
constexpr int64_t DestinationLinks = 2048;
constexpr int64_t Inhibits = 4096;
constexpr int64_t Buttons = 8192;
constexpr int64_t Salvos = 16384;
constexpr int64_t Gains = 32768;
constexpr int64_t RelayStates = 65536;
constexpr int64_t OptoStates = 131072;
constexpr int64_t Clock = 262144;
constexpr int64_t SourceDisplayList = 1048576;
constexpr int64_t DestinationDisplayList = 2097152;
constexpr int64_t GainOffsets = 4194304;
constexpr int64_t RelayConfig = 8388608;
constexpr int64_t OptoAlphas = 16777216;
constexpr int64_t RelayAlphas = 33554432;
constexpr int64_t TransitionControl = 67108864;
// While the startup asks a Vela for its serial mode, the transition bit stands for that.
constexpr int64_t VelaSerialMode = TransitionControl;
}  // namespace UpdateBit
namespace ReplyBit = UpdateBit;

constexpr int64_t VelaAllUpdateFlags = 66584572;
constexpr int64_t OrionAllUpdateFlags = 229276;
constexpr int64_t DracoAllUpdateFlags = 32704;

struct Model {
    ::SwitcherType SwitcherType = ::SwitcherType::Orion;
    int NumSources = 0;
    int NumDestinations = 0;
    int NumRelays = 0;
    int NumOptos = 0;
    int PollReload = 0;
    int64_t AllUpdateFlags = 0;
    int64_t UpdateFlags = 0;
    int64_t DeferredRequestFlags = 0;

    std::vector<CrosspointRecord> CrosspointMap;
    std::vector<std::string> SourceAlphas, DestinationAlphas;
    std::vector<std::string> SourceAlphasRaw, DestinationAlphasRaw;
    std::vector<int> SourceSortTable, DestinationSortTable;
    std::vector<std::string> RelayAlphas, OptoAlphas;
    std::vector<int> RelaySortTable, OptoSortTable;
    std::vector<std::string> SalvoAlphas;
    std::vector<int> SalvoSortTable;
    std::vector<SalvoEventRecord> SalvoEvents;
    std::vector<SalvoEventRecord> ClientSalvoEvents;
    int NumSalvos = 0;
    long NumSalvoEvents = 0;
    std::vector<int> SourceLinks, DestinationLinks;
    InhibitTable InhibitMap;
    std::vector<int> TemplateAssignment;
    // Template assignments and templates as a client edits them for the
    // switcher: what it last reported, with the client's entries put in.
    std::vector<int> ClientTemplateAssignment;
    int NumTemplates = 0;
    int ButtonsPerTemplate = 0;
    std::vector<std::vector<ButtonRecord>> ButtonTemplates, ButtonData;  // client's edits, switcher's report
    std::vector<GainRecord> SourceGains, DestinationGains;
    std::vector<std::array<uint8_t, 6>> TransitionControl;
    std::vector<int> RelayStates, OptoStates;
    std::vector<FrameRecord> SwitcherConfig;
    int NumFrames = 0;

    // ---- Tables the Helm replies mirror beyond routing and names ----
    // DisplayListCount lists each, for the soft panels' source and destination pickers.
    std::vector<DisplayListRecord> SourceDisplayLists, DestinationDisplayLists;
    int ClockMode = 0;
    int ClockSetting = 0;
    std::array<int, 2> GainOffsets{};
    std::vector<int> RelayConfig;  // one configuration value per relay
    // Per frame of SwitcherConfig, per card: its version text; empty until reported.
    std::vector<std::array<std::string, CardsPerFrame>> CardVersions;
    // Salvo data a Helm client uploaded, before a switcher takes it.
    int ClientSalvoCount = 0;
    long ClientSalvoEventCount = 0;
    // Per template whether ButtonTemplates holds a client's upload the
    // switcher has not reported back yet.
    std::vector<bool> UploadedTemplates;

    // Whole models compare equal when every table does (the fuzz targets check
    // with it that an input leaves nothing behind for the next).
    bool operator==(const Model&) const = default;
    bool sized() const { return !CrosspointMap.empty(); }
};

// Sizes and initialises every table of a Vela (512 of each).
void SizeVelaTables(Model& m);
// Resizes the per-source, -destination, -relay and -opto tables to the
// counts, keeping what remains.
void ResizeVelaTables(Model& m);
void SizeConfigTable(Model& m, int Count);
void ResetSalvoTables(Model& m);
// Sizes the model for m.SwitcherType as its family describes it;
// pass-through sizes nothing.
void SizeTablesForType(Model& m);
// 0, 1, ... n-1: a sort table that keeps the switcher's own order.
std::vector<int> IdentityOrder(int n);
// Ascending by upper-cased text, moving each sort entry with its name; equal
// names keep their order.
void SortNames(std::vector<std::string>& names, std::vector<int>& sortTable);
