#include "swp08/Swp08Answers.h"

#include <algorithm>
#include <string>

namespace Swp08 {

namespace {

int KnownDestinations(const Model& m) { return std::min(m.NumDestinations, static_cast<int>(m.CrosspointMap.size())); }

std::vector<std::string> FirstNames(const std::vector<std::string>& Names, int Count)
{
    return {Names.begin(), Names.begin() + std::clamp(Count, 0, static_cast<int>(Names.size()))};
}

std::vector<Bytes> Tally(const Model& m, const Request& r)
{
    if (r.Destination >= KnownDestinations(m))
        return {};
    const int source = SourceOf(m, r.Destination);
    // Numbers the standard form cannot carry go in the extended one.
    const bool extended = r.Extended || !FitsStandardForm(r.Matrix, r.Level, r.Destination, source);
    return {CrosspointMessage(Cmd::Tally, extended, r.Matrix, r.Level, r.Destination, source)};
}

std::vector<Bytes> Names(const Model& m, const Request& r)
{
    const bool sources = r.Kind == Ask::SourceNames;
    const unsigned char command = static_cast<unsigned char>((sources ? Cmd::SourceNames : Cmd::DestinationNames) |
                                                             (r.Extended ? Cmd::Extended : 0));
    const std::vector<std::string> names =
        sources ? FirstNames(m.SourceAlphasRaw, m.NumSources) : FirstNames(m.DestinationAlphasRaw, m.NumDestinations);
    return NameMessages(command, r.Matrix, r.Level, r.NameLength, names);
}

}  // namespace

bool ForTheSwitcher(const Request& r) { return r.Matrix == 0 && r.Level == 0; }

int SourceOf(const Model& m, int Destination)
{
    const CrosspointRecord& x = m.CrosspointMap.at(static_cast<size_t>(Destination));
    return x.SourceCount == 0 ? -1 : x.Sources[0];
}

std::vector<int> SourceMap(const Model& m)
{
    std::vector<int> map(static_cast<size_t>(std::max(KnownDestinations(m), 0)));
    for (size_t d = 0; d < map.size(); ++d)
        map[d] = SourceOf(m, static_cast<int>(d));
    return map;
}

std::vector<Bytes> Answer(const Model& m, const Request& r)
{
    switch (r.Kind) {
    case Ask::Implementation: return {ImplementationStatusMessage()};
    case Ask::Malformed:
    case Ask::Unknown: return {InvalidMessageReply(r.Command)};
    case Ask::InvalidNotice:
    case Ask::Connect: return {};
    default: break;
    }
    if (!ForTheSwitcher(r))
        return {};
    switch (r.Kind) {
    case Ask::Interrogate: return Tally(m, r);
    case Ask::TallyDump: return TallyDumpMessages(r.Extended, r.Matrix, r.Level, SourceMap(m));
    default: return Names(m, r);
    }
}

std::optional<Take> TakeOf(const Model& m, const Request& r)
{
    if (r.Kind != Ask::Connect || !ForTheSwitcher(r) || r.Destination >= KnownDestinations(m) ||
        r.Source >= m.NumSources)
        return std::nullopt;
    return Take{r.Destination, r.Source};
}

}  // namespace Swp08
