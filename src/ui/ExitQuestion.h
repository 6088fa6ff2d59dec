#pragma once
// The question asked before the server exits while clients are connected.
#include <string>

class Server;

// Connections by kind, in the order the question lists them.
struct ConnectionCounts {
    int HelmSoftware = 0;
    int SoftPanels = 0;
    int ZoltConsoles = 0;
    int HvnConsoles = 0;
    int LogitekConsoles = 0;
    int AutomationEngines = 0;
    int Unknown = 0;

    int total() const
    {
        return HelmSoftware + SoftPanels + ZoltConsoles + HvnConsoles + LogitekConsoles + AutomationEngines + Unknown;
    }
};

// The server's live connections by kind (the Helm clients by login type).
ConnectionCounts CountConnections(const Server& s);
// The text of the " Confirm Exit" box; lines end with CR.
std::string ExitQuestionText(const ConnectionCounts& counts);
