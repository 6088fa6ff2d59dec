#include "model/Model.h"

#include "model/FamilyDescription.h"

#include <algorithm>
#include <cctype>

namespace {

template <class T>
void Fit(std::vector<T>& v, int n, const T& fill = T())
{
    v.resize(static_cast<size_t>(std::max(n, 0)), fill);
}

// The tables kept for every source, or for every destination.
struct ChannelTables {
    std::vector<std::string>& Alphas;
    std::vector<std::string>& AlphasRaw;
    std::vector<int>& SortTable;
    std::vector<int>& Links;
    std::vector<GainRecord>& Gains;
};

ChannelTables Sources(Model& m)
{
    return {m.SourceAlphas, m.SourceAlphasRaw, m.SourceSortTable, m.SourceLinks, m.SourceGains};
}

ChannelTables Destinations(Model& m)
{
    return {m.DestinationAlphas, m.DestinationAlphasRaw, m.DestinationSortTable, m.DestinationLinks,
            m.DestinationGains};
}

// The tables kept for every relay, or for every opto.
struct NamedTables {
    std::vector<std::string>& Alphas;
    std::vector<int>& SortTable;
    std::vector<int>& States;
};

NamedTables Relays(Model& m) { return {m.RelayAlphas, m.RelaySortTable, m.RelayStates}; }
NamedTables Optos(Model& m) { return {m.OptoAlphas, m.OptoSortTable, m.OptoStates}; }

// Resized to n, keeping what remains.
void Fit(const ChannelTables& t, int n)
{
    Fit(t.Alphas, n);
    Fit(t.AlphasRaw, n);
    Fit(t.SortTable, n);
    Fit(t.Links, n);
    Fit(t.Gains, n);
}

void Fit(const NamedTables& t, int n)
{
    Fit(t.Alphas, n);
    Fit(t.SortTable, n);
    Fit(t.States, n);
}

// n entries afresh: no names, the switcher's own order, nothing linked, unity gain.
void Reset(const ChannelTables& t, int n)
{
    t.Alphas.assign(static_cast<size_t>(n), std::string());
    t.AlphasRaw.assign(static_cast<size_t>(n), std::string());
    t.SortTable = IdentityOrder(n);
    t.Links.assign(static_cast<size_t>(n), 0);
    t.Gains.assign(static_cast<size_t>(n), GainRecord{});
}

void Reset(const NamedTables& t, int n)
{
    t.Alphas.assign(static_cast<size_t>(n), std::string());
    t.SortTable = IdentityOrder(n);
    t.States.assign(static_cast<size_t>(n), 0);
}

void SizeButtonTables(Model& m, int templates, int buttons)
{
    m.NumTemplates = templates;
    m.ButtonsPerTemplate = buttons;
    std::vector<ButtonRecord> row(static_cast<size_t>(buttons));
    for (int b = 0; b < buttons; ++b)
        row[static_cast<size_t>(b)].Values[0] = b;
    m.ButtonTemplates.assign(static_cast<size_t>(templates), row);
    m.ButtonData = m.ButtonTemplates;
}

// The Helm-mirrored tables: display lists, clock, gain offsets and the relay
// configuration, sized to the current relay count.
void SizeMirrorTables(Model& m)
{
    m.SourceDisplayLists.assign(DisplayListCount, DisplayListRecord{});
    m.DestinationDisplayLists.assign(DisplayListCount, DisplayListRecord{});
    m.ClockMode = 0;
    m.ClockSetting = 0;
    m.GainOffsets = {};
    m.RelayConfig.assign(static_cast<size_t>(std::max(m.NumRelays, 0)), 0);
    m.ClientSalvoCount = 0;
    m.ClientSalvoEventCount = 0;
}

// Orion and Draco keep one fixed size for every table.
void SizeFixedTables(Model& m, const FamilyDescription& f)
{
    const int n = f.Channels;
    m.NumSources = m.NumDestinations = n;
    m.CrosspointMap.assign(static_cast<size_t>(n), CrosspointRecord{});
    Reset(Sources(m), n);
    Reset(Destinations(m), n);
    // Sized like the sources even where the family reports no relays or optos.
    Reset(Relays(m), n);
    Reset(Optos(m), n);
    m.InhibitMap.assign(static_cast<size_t>(n), static_cast<size_t>(n));
    m.TemplateAssignment.assign(static_cast<size_t>(n), f.NoTemplate);
    m.ClientTemplateAssignment = m.TemplateAssignment;
    m.TransitionControl.clear();
    SizeButtonTables(m, f.Templates, f.ButtonsPerTemplate);
    m.NumSalvos = 0;
    m.NumSalvoEvents = 0;
    m.NumRelays = m.NumOptos = f.RelaysAndOptos;
    SizeMirrorTables(m);
    m.PollReload = f.PollReload;
    m.UpdateFlags = m.AllUpdateFlags = f.AllUpdateFlags;
    if (m.SwitcherConfig.empty())
        SizeConfigTable(m, 1);
    f.FillConfig(m.SwitcherConfig[0]);
}

}  // namespace

void SizeConfigTable(Model& m, int Count)
{
    m.NumFrames = Count;
    m.SwitcherConfig.assign(static_cast<size_t>(std::max(Count, 1)), FrameRecord{});
    m.CardVersions.assign(m.SwitcherConfig.size(), {});
}

void ResetSalvoTables(Model& m)
{
    m.SalvoAlphas.assign(1, std::string());
    m.SalvoSortTable.assign(1, 0);
    m.SalvoEvents.assign(1, SalvoEventRecord{});
    m.ClientSalvoEvents.assign(2, SalvoEventRecord{});
    m.NumSalvos = 0;
    m.NumSalvoEvents = 0;
}

void ResizeVelaTables(Model& m)
{
    const int ns = m.NumSources, nd = m.NumDestinations;
    Fit(Sources(m), ns);
    Fit(Destinations(m), nd);
    Fit(m.CrosspointMap, nd);
    Fit(m.TemplateAssignment, nd, m.NumTemplates);
    Fit(m.TransitionControl, nd);
    m.InhibitMap.resize(static_cast<size_t>(std::max(nd, 0)), static_cast<size_t>(std::max(ns, 0)));
    Fit(Relays(m), m.NumRelays);
    Fit(Optos(m), m.NumOptos);
    Fit(m.RelayConfig, m.NumRelays);
}

void SizeVelaTables(Model& m)
{
    const FamilyDescription& f = Describe(SwitcherType::Vela);
    const int n = f.Channels;
    m.NumSources = m.NumDestinations = n;
    m.NumRelays = m.NumOptos = f.RelaysAndOptos;
    m.NumTemplates = f.Templates;
    m.SourceAlphas.assign(static_cast<size_t>(n), std::string());
    m.DestinationAlphas.assign(static_cast<size_t>(n), std::string());
    m.SourceSortTable.assign(static_cast<size_t>(n), 0);
    m.DestinationSortTable.assign(static_cast<size_t>(n), 0);
    m.RelaySortTable.assign(static_cast<size_t>(f.RelaysAndOptos), 0);
    m.OptoSortTable.assign(static_cast<size_t>(f.RelaysAndOptos), 0);
    m.TransitionControl.assign(static_cast<size_t>(n), {});
    ResizeVelaTables(m);
    for (CrosspointRecord& x : m.CrosspointMap) {
        x.SourceCount = 1;
        x.Levels[0] = 1024;
    }
    std::fill(m.TemplateAssignment.begin(), m.TemplateAssignment.end(), f.NoTemplate);
    std::fill(m.DestinationGains.begin(), m.DestinationGains.end(), GainRecord{});
    std::fill(m.SourceGains.begin(), m.SourceGains.end(), GainRecord{});
    SizeButtonTables(m, f.Templates, f.ButtonsPerTemplate);
    m.PollReload = f.PollReload;
    m.UpdateFlags = m.AllUpdateFlags = f.AllUpdateFlags;
    m.NumSalvos = 0;
    m.NumSalvoEvents = 0;
    SizeMirrorTables(m);
}

void SizeTablesForType(Model& m)
{
    const FamilyDescription& f = Family(m);
    if (!f.KeepsModel)
        return;
    if (f.FixedTables)
        SizeFixedTables(m, f);
    else
        SizeVelaTables(m);
}

std::vector<int> IdentityOrder(int n)
{
    std::vector<int> v(static_cast<size_t>(std::max(n, 0)));
    for (int i = 0; i < n; ++i)
        v[static_cast<size_t>(i)] = i;
    return v;
}

void SortNames(std::vector<std::string>& names, std::vector<int>& sortTable)
{
    // A sort of n log n steps that keeps equal names in their order: a peer's
    // table of thousands of names must not hold up the server.
    const size_t n = std::min(names.size(), sortTable.size());
    std::vector<std::pair<std::string, size_t>> keys(n);
    for (size_t i = 0; i < n; ++i) {
        keys[i] = {names[i], i};
        for (char& c : keys[i].first)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> sortedNames(n);
    std::vector<int> sortedTable(n);
    for (size_t i = 0; i < n; ++i) {
        sortedNames[i] = std::move(names[keys[i].second]);
        sortedTable[i] = sortTable[keys[i].second];
    }
    std::move(sortedNames.begin(), sortedNames.end(), names.begin());
    std::copy(sortedTable.begin(), sortedTable.end(), sortTable.begin());
}
