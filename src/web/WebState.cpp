#include "web/WebState.h"

#include "model/Server.h"
#include "switcher/SwitcherFamily.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>

namespace {

// Names as the switcher pads them, without the padding.
QString Trimmed(const std::string& Name)
{
    const size_t end = Name.find_last_not_of(std::string(" \0", 2));
    return QString::fromLatin1(Name.data(), end == std::string::npos ? 0 : static_cast<qsizetype>(end + 1));
}

QJsonArray NameList(const std::vector<std::string>& Names, int Count)
{
    QJsonArray list;
    for (int i = 0; i < Count; ++i)
        list.append(i < static_cast<int>(Names.size()) ? Trimmed(Names[static_cast<size_t>(i)]) : QString());
    return list;
}

// Salvo names are kept sorted, each with its number beside it.
std::vector<std::string> SalvosInNumberOrder(const Model& m)
{
    std::vector<std::string> names(static_cast<size_t>(std::max(m.NumSalvos, 0)));
    for (size_t i = 0; i < m.SalvoAlphas.size() && i < m.SalvoSortTable.size(); ++i)
        if (m.SalvoSortTable[i] >= 0 && static_cast<size_t>(m.SalvoSortTable[i]) < names.size())
            names[static_cast<size_t>(m.SalvoSortTable[i])] = m.SalvoAlphas[i];
    return names;
}

int KnownOutputs(const Model& m) { return std::min(m.NumDestinations, static_cast<int>(m.CrosspointMap.size())); }

QJsonValue SourceOf(const Model& m, int Output)
{
    const CrosspointRecord& r = m.CrosspointMap[static_cast<size_t>(Output)];
    return r.SourceCount == 0 ? QJsonValue() : QJsonValue(r.Sources[0] + 1);
}

QJsonObject Counts(const PortCounts& Connections)
{
    QJsonObject counts;
    for (const auto& [port, n] : Connections)
        counts[QString::fromStdString(port)] = n;
    return counts;
}

}  // namespace

bool HasSalvos(const Server& s) { return !s.cfg.PassThru && Family(s.model).HasSalvos(); }

bool SwitcherUp(const Server& s) { return s.Link.Ready(); }

bool SwitcherTakesCommands(const Server& s, std::string& Why)
{
    if (s.cfg.PassThru || !ConfiguredFamily(s))
        Why = "no switcher model in pass-through mode";
    else if (!s.ServerEnabled)
        Why = "server disabled";
    else if (!SwitcherUp(s))
        Why = "switcher off line";
    else
        return true;
    return false;
}

QJsonObject StatusJson(const Server& s, const PortCounts& Connections, long long UptimeSeconds)
{
    const Model& m = s.model;
    return QJsonObject{
        {"switcher", Family(s.model).Name},   {"online", SwitcherUp(s)},    {"demo", s.cfg.DemoMode},
        {"passThrough", s.cfg.PassThru},      {"enabled", s.ServerEnabled}, {"sources", m.NumSources},
        {"destinations", m.NumDestinations},  {"relays", m.NumRelays},      {"salvos", HasSalvos(s) ? m.NumSalvos : 0},
        {"connections", Counts(Connections)}, {"version", VersionText},     {"uptimeSeconds", UptimeSeconds}};
}

QJsonObject CrosspointsJson(const Model& m)
{
    QJsonArray list;
    for (int o = 0; o < KnownOutputs(m); ++o)
        list.append(QJsonObject{{"destination", o + 1}, {"source", SourceOf(m, o)}});
    return QJsonObject{{"crosspoints", list}};
}

QJsonObject NamesJson(const Server& s)
{
    const Model& m = s.model;
    QJsonObject names{{"sources", NameList(m.SourceAlphasRaw, m.NumSources)},
                      {"destinations", NameList(m.DestinationAlphasRaw, m.NumDestinations)}};
    if (HasSalvos(s))
        names["salvos"] = NameList(SalvosInNumberOrder(m), m.NumSalvos);
    return names;
}

QJsonObject StateEvent(const Server& s, const PortCounts& Connections, long long UptimeSeconds)
{
    return QJsonObject{{"type", "state"},
                       {"status", StatusJson(s, Connections, UptimeSeconds)},
                       {"names", NamesJson(s)},
                       {"crosspoints", CrosspointsJson(s.model)["crosspoints"]}};
}

QJsonObject CrosspointEvent(const Model& m, int Output)
{
    const bool known = Output >= 0 && Output < KnownOutputs(m);
    return QJsonObject{
        {"type", "crosspoint"}, {"destination", Output + 1}, {"source", known ? SourceOf(m, Output) : QJsonValue()}};
}

QJsonObject NamesEvent(const Server& s)
{
    QJsonObject event = NamesJson(s);
    event["type"] = "names";
    return event;
}

QJsonObject LinkEvent(const Server& s) { return QJsonObject{{"type", "link"}, {"online", SwitcherUp(s)}}; }

QJsonObject ClientsEvent(const PortCounts& Connections)
{
    return QJsonObject{{"type", "clients"}, {"connections", Counts(Connections)}};
}

std::string CompactJson(const QJsonObject& Document)
{
    return QJsonDocument(Document).toJson(QJsonDocument::Compact).toStdString();
}
