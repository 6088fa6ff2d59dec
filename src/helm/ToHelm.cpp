#include "helm/ToHelm.h"

#include "core/Server.h"
#include "core/Trap.h"
#include "helm/TCPSerialCommunications.h"
#include "switcher/ByteManipulation.h"

Bytes NameField(const std::string& Name)
{
    Bytes field = Name.substr(0, 8);
    field.resize(8, ' ');
    return field;
}

Bytes BuildCrosspointMapMessage(Server& s, int Start, int Count)
{
    Bytes f("\xF6\x00", 2);
    AppendPair(f, Count);
    AppendPair(f, Start);
    for (int d = Start; d < Start + Count; ++d) {
        const CrosspointRecord& x = s.model.CrosspointMap.at(static_cast<size_t>(d));
        const bool sums = s.cfg.DemoMode && x.SumCount > 0;
        const int n = std::min<int>(sums ? x.SumCount : (x.SourceCount & 127), MaxSourceEntries);
        AppendPair(f, n);
        f += static_cast<char>(x.SumFlag & 127);
        for (int k = 0; k < n; ++k) {
            AppendPair(f, sums ? x.SumSources[static_cast<size_t>(k)] : x.Sources[static_cast<size_t>(k)]);
            AppendPair(f, x.Levels[static_cast<size_t>(k)]);
        }
    }
    AppendChecksumAndEnd(f);
    return f;
}

void SendSwitcherTypeToClient(Server& s, int Index)
{
    Trap(s, "Error Sending Switcher Type", "Helm Message Error", [&] {
        Bytes f("\xE5\x01\x01\x00", 4);
        AppendPair(f, s.model.SwitcherType);
        f += Bytes("\x00\x00", 2);
        AppendChecksumAndEnd(f);
        SendToClient(s, f, Index);
    });
}

void SendNotificationToClient(Server& s, int Index, int Code)
{
    Trap(s, "Error Sending Notification Message", "Helm Message Error", [&] {
        Bytes f("\xA4", 1);
        AppendPair(f, Code);
        f += Bytes("\x00\x00", 2);
        AppendChecksumAndEnd(f);
        SendToClient(s, f, Index);
    });
}
