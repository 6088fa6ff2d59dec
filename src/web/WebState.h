#pragma once
// The switcher's state as the JSON interface and the events socket show it.
// Numbers are 1-based, as the operators and the consoles count.
#include <QJsonObject>

#include <string>
#include <utility>
#include <vector>

class Server;
struct Model;

// Connections per port, by the port's name ("helm", "zolt", ...).
using PortCounts = std::vector<std::pair<std::string, int>>;

// The switcher answers and has delivered its tables (demo mode plays one).
bool SwitcherUp(const Server& s);
// The family keeps salvos (pass-through keeps none).
bool HasSalvos(const Server& s);
// Takes and salvos can reach the switcher; otherwise why not.
bool SwitcherTakesCommands(const Server& s, std::string& Why);

QJsonObject StatusJson(const Server& s, const PortCounts& Connections, long long UptimeSeconds);
// {"crosspoints": [{"destination": 1, "source": 3}, ...]}, source null when none.
QJsonObject CrosspointsJson(const Model& m);
// {"sources": [...], "destinations": [...]} and "salvos" where the family has them.
QJsonObject NamesJson(const Server& s);

// Events: {"type": ..., ...}; the first message on a socket is the whole state.
QJsonObject StateEvent(const Server& s, const PortCounts& Connections, long long UptimeSeconds);
QJsonObject CrosspointEvent(const Model& m, int Output);
QJsonObject NamesEvent(const Server& s);
QJsonObject LinkEvent(const Server& s);
QJsonObject ClientsEvent(const PortCounts& Connections);

std::string CompactJson(const QJsonObject& Document);
