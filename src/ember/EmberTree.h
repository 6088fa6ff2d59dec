#pragma once
// The tree this provider shows, as pure functions of the switcher model and
// the server's status. Numbers are what a consumer addresses:
//   1        node HVN, described by the main window's caption
//   1.1      matrix router: one-to-N, linear, the destinations as targets and
//            the sources as sources, labelled by 1.2
//   1.2      node names: 1.2.1 targets and 1.2.2 sources, one read-only
//            string parameter per name (number = index, identifier t<n>, s<n>)
//   1.3      node status: switcher, online, demo, clients
#include "ember/Glow.h"
#include "model/Model.h"

#include <optional>
#include <string>
#include <vector>

using GlowPath = std::vector<uint32_t>;

// What the tree shows besides the crosspoints, taken when it is needed.
struct EmberSnapshot {
    std::string Caption;
    std::string Switcher;  // Vela, Orion, Draco or PassThru
    bool Online = false;
    bool Demo = false;
    int Clients = 0;
    std::vector<std::string> Targets;  // destination names by number, as UTF-8
    std::vector<std::string> Sources;
    bool operator==(const EmberSnapshot&) const = default;
};

EmberSnapshot TakeEmberSnapshot(const Model& m, const std::string& Caption, bool Online, bool Demo, int Clients);

// What a consumer is told of: the parts of the tree it has asked for.
namespace EmberScope {
constexpr unsigned Top = 1;       // node 1 itself
constexpr unsigned Hvn = 2;       // the children of node 1 (the matrix's contents among them)
constexpr unsigned Router = 4;    // the matrix's connections
constexpr unsigned Targets = 8;   // the target names
constexpr unsigned Sources = 16;  // the source names
constexpr unsigned Status = 32;   // the status parameters
}  // namespace EmberScope

// The scope a GetDirectory or Subscribe on Path joins (0: nothing changes there).
unsigned EmberScopeOf(const GlowPath& Path);

// The answer to a GetDirectory on Path; empty for a path the tree lacks.
std::vector<GlowElement> EmberDirectory(const EmberSnapshot& Snap, const Model& m, const GlowPath& Path);
// The parameter at Path with only its value, the answer to a value change
// (every parameter here is read-only).
std::optional<GlowElement> EmberParameterValue(const EmberSnapshot& Snap, const GlowPath& Path);

// The router's current connection of Target, with the given disposition
// (none: tally by default, as a directory answers).
GlowConnection EmberConnectionOf(const Model& m, int Target, std::optional<int64_t> Disposition);
// The router carrying Connections.
GlowElement EmberRouterConnections(std::vector<GlowConnection> Connections);

// A change for the consumers whose scope meets Scope.
struct EmberUpdate {
    unsigned Scope = 0;
    GlowElement Element;
};
// What changed from Old to New: caption, sizes, names and status.
std::vector<EmberUpdate> EmberChanges(const EmberSnapshot& Old, const EmberSnapshot& New, const Model& m);

// What a consumer asked for in one message.
struct EmberRequest {
    enum class Kind { Directory, Subscribe, Unsubscribe, Connect, SetValue };
    Kind Type = Kind::Directory;
    GlowPath Path;
    GlowConnection Connection;  // Connect
};
// Commands, connection operations and value changes, in message order.
// Connections or a value that come with a command on their element are what
// the consumer knows, not operations, and are left out.
std::vector<EmberRequest> EmberRequests(const std::vector<GlowElement>& Elements);

// The source a connection operation on the router takes to its target, or -1
// when it is answered with the current connection unchanged (a disconnect, no
// or several sources, a number outside the matrix).
int EmberTakeSource(const Model& m, const GlowConnection& Operation);
int EmberTargetCount(const Model& m);
int EmberSourceCount(const Model& m);
