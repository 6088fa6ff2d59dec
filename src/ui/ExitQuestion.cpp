#include "ui/ExitQuestion.h"

#include "helm/FromHelm.h"
#include "model/Server.h"

ConnectionCounts CountConnections(const Server& s)
{
    ConnectionCounts counts;
    // Slots stay allocated after their client leaves; only live ones count.
    for (int i = 1; i <= s.HelmClients.SlotCount(); ++i) {
        const ClientRecord& c = s.HelmClients[i];
        if (!c.Connected)
            continue;
        if (c.ClientType == HelmPcClientType)
            ++counts.HelmSoftware;
        else if (c.ClientType == AutomationClientType)
            ++counts.AutomationEngines;
        else if (c.ClientType >= FirstPanelClientType && c.ClientType <= 149)
            ++counts.SoftPanels;
        else if (c.ClientType == ConsoleClientType)
            ++counts.ZoltConsoles;
        else
            ++counts.Unknown;
    }
    for (int i = 1; i <= s.ZoltClients.SlotCount(); ++i) {
        const ZoltClient& c = s.ZoltClients[i];
        if (!c.Connected)
            continue;
        if (c.ClientType == ConsoleClientType)
            ++counts.ZoltConsoles;
        else
            ++counts.Unknown;
    }
    for (int i = 1; i <= s.LogitekClients.SlotCount(); ++i) {
        const LogitekClient& c = s.LogitekClients[i];
        if (!c.Connected)
            continue;
        if (c.ClientType == ConsoleClientType)
            ++counts.LogitekConsoles;
        else
            ++counts.Unknown;
    }
    return counts;
}

std::string ExitQuestionText(const ConnectionCounts& counts)
{
    std::string text = counts.total() < 2 ? "Logged In, there is currently:\r" : "Logged In, there are currently:\r";
    const auto line = [&](int count, const char* one, const char* many) {
        if (count != 0)
            text += std::to_string(count) + (count == 1 ? one : many) + "\r";
    };
    line(counts.HelmSoftware, " Windows Helm Software", " Windows Helm Software");
    line(counts.SoftPanels, " Soft Panel ", " Soft Panels ");
    line(counts.ZoltConsoles, " Zolt/Console ", " Zolt/Consoles ");
    line(counts.HvnConsoles, " HVN Console ", " HVN Consoles ");
    line(counts.LogitekConsoles, " Logitek Console ", " Logitek Consoles ");
    line(counts.AutomationEngines, " Automation Engine ", " Automation Engines ");
    line(counts.Unknown, " Unknown Connection ", " Unknown Connections ");
    text += "\rDo You Wish To Exit?\r\rAll connections to the switcher will be closed.\r";
    if (counts.AutomationEngines > 0)
        text += "Scheduled Events Will Not Run!";
    return text;
}
