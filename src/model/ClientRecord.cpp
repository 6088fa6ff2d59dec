#include "model/ClientRecord.h"

#include "model/Server.h"

#include <algorithm>

void MarkPolledClients(Server& s, int64_t Bit)
{
    for (int i = 1; i <= s.ClientSlotCount(); ++i) {
        ClientRecord& c = s.ClientTable[static_cast<size_t>(i)];
        if (c.PolledUpdates)
            c.PendingRequests |= Bit;
    }
}

bool AnyPolledClient(const Server& s)
{
    return std::any_of(s.ClientTable.begin() + 1, s.ClientTable.end(),
                       [](const ClientRecord& c) { return c.PolledUpdates; });
}
