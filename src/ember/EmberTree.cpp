#include "ember/EmberTree.h"

#include "model/FamilyDescription.h"

#include <algorithm>

namespace {

const GlowPath HvnPath{1};
const GlowPath RouterPath{1, 1};
const GlowPath NamesPath{1, 2};
const GlowPath TargetsPath{1, 2, 1};
const GlowPath SourcesPath{1, 2, 2};
const GlowPath StatusPath{1, 3};
enum StatusNumber : uint32_t { SwitcherNumber = 1, OnlineNumber, DemoNumber, ClientsNumber };

// Names are 8-bit text: trailing padding goes, bytes above 7F are read as Latin-1.
std::string NameText(const std::string& Raw)
{
    const size_t end = Raw.find_last_not_of(std::string(" \0", 2));
    std::string utf8;
    for (size_t i = 0; end != std::string::npos && i <= end; ++i) {
        const auto b = static_cast<unsigned char>(Raw[i]);
        if (b < 0x80) {
            utf8 += static_cast<char>(b);
        } else {
            utf8 += static_cast<char>(0xC0 | (b >> 6));
            utf8 += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return utf8;
}

std::vector<std::string> Names(const std::vector<std::string>& Raw, int Count)
{
    std::vector<std::string> names(static_cast<size_t>(Count));
    for (size_t i = 0; i < names.size() && i < Raw.size(); ++i)
        names[i] = NameText(Raw[i]);
    return names;
}

GlowPath Child(GlowPath Path, uint32_t Number)
{
    Path.push_back(Number);
    return Path;
}

bool StartsWith(const GlowPath& Path, const GlowPath& Prefix)
{
    return Path.size() >= Prefix.size() && std::equal(Prefix.begin(), Prefix.end(), Path.begin());
}

GlowElement Element(GlowType Type, GlowPath Path, bool Qualified, std::optional<GlowContents> Contents = {})
{
    GlowElement e;
    e.Type = Type;
    e.Path = std::move(Path);
    e.Qualified = Qualified;
    e.Contents = std::move(Contents);
    return e;
}

GlowContents Named(const std::string& Identifier)
{
    GlowContents c;
    c.Identifier = Identifier;
    return c;
}

GlowValue Text(const std::string& s) { return GlowValue{GlowValue::Kind::String, 0, s, false}; }
GlowValue Flag(bool b) { return GlowValue{GlowValue::Kind::Boolean, 0, {}, b}; }
GlowValue Number(int n) { return GlowValue{GlowValue::Kind::Integer, n, {}, false}; }

int64_t TypeOf(const GlowValue& v)
{
    switch (v.Type) {
    case GlowValue::Kind::Integer: return Glow::TypeInteger;
    case GlowValue::Kind::Boolean: return Glow::TypeBoolean;
    default: return Glow::TypeString;
    }
}

// A read-only parameter with everything a directory tells of it.
GlowElement FullParameter(GlowPath Path, bool Qualified, const std::string& Identifier, const GlowValue& Value)
{
    GlowContents c = Named(Identifier);
    c.Value = Value;
    c.Access = Glow::AccessRead;
    c.ParameterType = TypeOf(Value);
    return Element(GlowType::Parameter, std::move(Path), Qualified, c);
}

GlowElement ValueOnly(GlowPath Path, const GlowValue& Value)
{
    GlowContents c;
    c.Value = Value;
    return Element(GlowType::Parameter, std::move(Path), true, c);
}

GlowElement NodeWithChildren(GlowPath Path, std::vector<GlowElement> Children)
{
    GlowElement e = Element(GlowType::Node, std::move(Path), true);
    e.Children = std::move(Children);
    return e;
}

GlowContents RouterContents(const EmberSnapshot& Snap)
{
    GlowContents c = Named("router");
    c.MatrixType = Glow::MatrixOneToN;
    c.AddressingMode = Glow::AddressingLinear;
    c.TargetCount = static_cast<int64_t>(Snap.Targets.size());
    c.SourceCount = static_cast<int64_t>(Snap.Sources.size());
    c.Labels = std::vector<GlowLabel>{{NamesPath, "names"}};
    return c;
}

// Targets or sources: their parameters; Prefix is t or s.
std::vector<GlowElement> NameParameters(const std::vector<std::string>& Names, const GlowPath& Parent, char Prefix)
{
    std::vector<GlowElement> params;
    params.reserve(Names.size());
    for (size_t i = 0; i < Names.size(); ++i)
        params.push_back(
            FullParameter(Child(Parent, static_cast<uint32_t>(i)), false, Prefix + std::to_string(i), Text(Names[i])));
    return params;
}

struct StatusEntry {
    StatusNumber Number;
    const char* Identifier;
    GlowValue Value;
};

std::vector<StatusEntry> StatusEntries(const EmberSnapshot& Snap)
{
    return {{SwitcherNumber, "switcher", Text(Snap.Switcher)},
            {OnlineNumber, "online", Flag(Snap.Online)},
            {DemoNumber, "demo", Flag(Snap.Demo)},
            {ClientsNumber, "clients", Number(Snap.Clients)}};
}

std::vector<GlowElement> StatusParameters(const EmberSnapshot& Snap)
{
    std::vector<GlowElement> params;
    for (const StatusEntry& e : StatusEntries(Snap))
        params.push_back(FullParameter(Child(StatusPath, e.Number), false, e.Identifier, e.Value));
    return params;
}

GlowElement HvnNode(const EmberSnapshot& Snap, bool Qualified)
{
    GlowContents c = Named("HVN");
    c.Description = Snap.Caption;
    return Element(GlowType::Node, HvnPath, Qualified, c);
}

std::vector<GlowElement> HvnChildren(const EmberSnapshot& Snap)
{
    return {Element(GlowType::Matrix, RouterPath, false, RouterContents(Snap)),
            Element(GlowType::Node, NamesPath, false, Named("names")),
            Element(GlowType::Node, StatusPath, false, Named("status"))};
}

GlowElement RouterDirectory(const EmberSnapshot& Snap, const Model& m)
{
    std::vector<GlowConnection> connections;
    for (int t = 0; t < static_cast<int>(Snap.Targets.size()); ++t)
        connections.push_back(EmberConnectionOf(m, t, std::nullopt));
    GlowElement e = EmberRouterConnections(std::move(connections));
    e.Contents = RouterContents(Snap);
    e.Children.emplace();
    return e;
}

// The parameter at Path with everything a directory tells of it.
std::optional<GlowElement> Parameter(const EmberSnapshot& Snap, const GlowPath& Path, bool ValueOnlyWanted)
{
    if (Path.size() != 4 && Path.size() != 3)
        return std::nullopt;
    const uint32_t n = Path.back();
    const GlowPath parent(Path.begin(), Path.end() - 1);
    std::optional<GlowValue> value;
    std::string identifier;
    const auto name = [&](const std::vector<std::string>& Names, char Prefix) {
        if (n < Names.size()) {
            value = Text(Names[n]);
            identifier = Prefix + std::to_string(n);
        }
    };
    if (parent == TargetsPath)
        name(Snap.Targets, 't');
    else if (parent == SourcesPath)
        name(Snap.Sources, 's');
    for (const StatusEntry& e : StatusEntries(Snap)) {
        if (parent == StatusPath && e.Number == n) {
            value = e.Value;
            identifier = e.Identifier;
        }
    }
    if (!value)
        return std::nullopt;
    return ValueOnlyWanted ? ValueOnly(Path, *value) : FullParameter(Path, true, identifier, *value);
}

// Names of one kind changed: the new values one by one, or the whole node
// when the count changed (entries gone are reported off line).
void NameChanges(const std::vector<std::string>& Old, const std::vector<std::string>& New, const GlowPath& Parent,
                 char Prefix, unsigned Scope, std::vector<EmberUpdate>& Out)
{
    if (Old.size() == New.size()) {
        for (size_t i = 0; i < New.size(); ++i) {
            if (Old[i] != New[i])
                Out.push_back({Scope, ValueOnly(Child(Parent, static_cast<uint32_t>(i)), Text(New[i]))});
        }
        return;
    }
    std::vector<GlowElement> children = NameParameters(New, Parent, Prefix);
    for (size_t i = New.size(); i < Old.size(); ++i) {
        GlowContents off;
        off.IsOnline = false;
        children.push_back(Element(GlowType::Parameter, Child(Parent, static_cast<uint32_t>(i)), false, off));
    }
    Out.push_back({Scope, NodeWithChildren(Parent, std::move(children))});
}

bool HasCommand(const GlowElement& e)
{
    return e.Children && std::any_of(e.Children->begin(), e.Children->end(),
                                     [](const GlowElement& c) { return c.Type == GlowType::Command; });
}

void CollectRequests(const GlowElement& e, std::vector<EmberRequest>& Out)
{
    using Kind = EmberRequest::Kind;
    if (e.Type == GlowType::Command) {
        if (e.Command == Glow::GetDirectory)
            Out.push_back({Kind::Directory, e.Path, {}});
        else if (e.Command == Glow::Subscribe)
            Out.push_back({Kind::Subscribe, e.Path, {}});
        else if (e.Command == Glow::Unsubscribe)
            Out.push_back({Kind::Unsubscribe, e.Path, {}});
        return;
    }
    // What comes with a command is what the consumer knows, not a change it asks for.
    const bool command = HasCommand(e);
    if (e.Type == GlowType::Parameter && e.Contents && e.Contents->Value && !command)
        Out.push_back({Kind::SetValue, e.Path, {}});
    if (e.Type == GlowType::Matrix && e.Connections && !command) {
        for (const GlowConnection& c : *e.Connections)
            Out.push_back({Kind::Connect, e.Path, c});
    }
    if (e.Children) {
        for (const GlowElement& child : *e.Children)
            CollectRequests(child, Out);
    }
}

}  // namespace

int EmberTargetCount(const Model& m)
{
    return std::clamp(m.NumDestinations, 0, static_cast<int>(m.CrosspointMap.size()));
}

int EmberSourceCount(const Model& m) { return std::max(m.NumSources, 0); }

EmberSnapshot TakeEmberSnapshot(const Model& m, const std::string& Caption, bool Online, bool Demo, int Clients)
{
    EmberSnapshot s;
    s.Caption = NameText(Caption);
    s.Switcher = Family(m).Name;
    s.Online = Online;
    s.Demo = Demo;
    s.Clients = Clients;
    s.Targets = Names(m.DestinationAlphasRaw, EmberTargetCount(m));
    s.Sources = Names(m.SourceAlphasRaw, EmberSourceCount(m));
    return s;
}

unsigned EmberScopeOf(const GlowPath& Path)
{
    if (Path.empty())
        return EmberScope::Top;
    if (Path == HvnPath)
        return EmberScope::Hvn;
    if (Path == RouterPath)
        return EmberScope::Router;
    if (StartsWith(Path, TargetsPath))
        return EmberScope::Targets;
    if (StartsWith(Path, SourcesPath))
        return EmberScope::Sources;
    if (StartsWith(Path, StatusPath))
        return EmberScope::Status;
    return 0;
}

std::vector<GlowElement> EmberDirectory(const EmberSnapshot& Snap, const Model& m, const GlowPath& Path)
{
    if (Path.empty())
        return {HvnNode(Snap, false)};
    if (Path == HvnPath) {
        GlowElement e = HvnNode(Snap, true);
        e.Children = HvnChildren(Snap);
        return {e};
    }
    if (Path == RouterPath)
        return {RouterDirectory(Snap, m)};
    if (Path == NamesPath)
        return {NodeWithChildren(NamesPath, {Element(GlowType::Node, TargetsPath, false, Named("targets")),
                                             Element(GlowType::Node, SourcesPath, false, Named("sources"))})};
    if (Path == TargetsPath)
        return {NodeWithChildren(TargetsPath, NameParameters(Snap.Targets, TargetsPath, 't'))};
    if (Path == SourcesPath)
        return {NodeWithChildren(SourcesPath, NameParameters(Snap.Sources, SourcesPath, 's'))};
    if (Path == StatusPath)
        return {NodeWithChildren(StatusPath, StatusParameters(Snap))};
    if (std::optional<GlowElement> p = Parameter(Snap, Path, false))
        return {*p};
    return {};
}

std::optional<GlowElement> EmberParameterValue(const EmberSnapshot& Snap, const GlowPath& Path)
{
    return Parameter(Snap, Path, true);
}

GlowConnection EmberConnectionOf(const Model& m, int Target, std::optional<int64_t> Disposition)
{
    GlowConnection c;
    c.Target = Target;
    c.Disposition = Disposition;
    if (Target < 0 || Target >= EmberTargetCount(m))
        return c;
    const CrosspointRecord& x = m.CrosspointMap[static_cast<size_t>(Target)];
    // A source outside the matrix is shown as none rather than as a row the consumer lacks.
    if (x.SourceCount > 0 && x.Sources[0] >= 0 && x.Sources[0] < EmberSourceCount(m))
        c.Sources = std::vector<uint32_t>{static_cast<uint32_t>(x.Sources[0])};
    return c;
}

GlowElement EmberRouterConnections(std::vector<GlowConnection> Connections)
{
    GlowElement e = Element(GlowType::Matrix, RouterPath, true);
    e.Connections = std::move(Connections);
    return e;
}

std::vector<EmberUpdate> EmberChanges(const EmberSnapshot& Old, const EmberSnapshot& New, const Model& m)
{
    std::vector<EmberUpdate> out;
    if (Old.Caption != New.Caption) {
        GlowContents c;
        c.Description = New.Caption;
        out.push_back({EmberScope::Top, Element(GlowType::Node, HvnPath, true, c)});
    }
    if (Old.Targets.size() != New.Targets.size() || Old.Sources.size() != New.Sources.size()) {
        out.push_back(
            {EmberScope::Hvn | EmberScope::Router, Element(GlowType::Matrix, RouterPath, true, RouterContents(New))});
        std::vector<GlowConnection> all;
        for (int t = 0; t < static_cast<int>(New.Targets.size()); ++t)
            all.push_back(EmberConnectionOf(m, t, Glow::DispositionTally));
        out.push_back({EmberScope::Router, EmberRouterConnections(std::move(all))});
    }
    NameChanges(Old.Targets, New.Targets, TargetsPath, 't', EmberScope::Targets, out);
    NameChanges(Old.Sources, New.Sources, SourcesPath, 's', EmberScope::Sources, out);
    const std::vector<StatusEntry> was = StatusEntries(Old), now = StatusEntries(New);
    for (size_t i = 0; i < now.size(); ++i) {
        if (!(was[i].Value == now[i].Value))
            out.push_back({EmberScope::Status, ValueOnly(Child(StatusPath, now[i].Number), now[i].Value)});
    }
    return out;
}

std::vector<EmberRequest> EmberRequests(const std::vector<GlowElement>& Elements)
{
    std::vector<EmberRequest> out;
    for (const GlowElement& e : Elements)
        CollectRequests(e, out);
    return out;
}

int EmberTakeSource(const Model& m, const GlowConnection& Operation)
{
    const int64_t op = Operation.Operation.value_or(Glow::OperationAbsolute);
    if (op != Glow::OperationAbsolute && op != Glow::OperationConnect)
        return -1;
    if (Operation.Target < 0 || Operation.Target >= EmberTargetCount(m))
        return -1;
    if (!Operation.Sources || Operation.Sources->size() != 1)
        return -1;
    const uint32_t source = Operation.Sources->front();
    return source < static_cast<uint32_t>(EmberSourceCount(m)) ? static_cast<int>(source) : -1;
}
