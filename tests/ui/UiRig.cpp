#include "ui/UiRig.h"

#include "helm/HelmPort.h"

int ConnectHelmClient(Server& server, FakeSockets& sockets, const std::string& address, int type)
{
    sockets.pendingAddresses.push_back(address);
    wscktClients_ConnectionRequest(server);
    // The newest client is the one holding the address.
    for (int i = server.ClientSlotCount(); i >= 1; --i) {
        ClientRecord& c = server.ClientTable[static_cast<size_t>(i)];
        if (c.InUse && c.Address == address) {
            c.ClientType = type;
            c.LoggedIn = type != NoClientType;
            return i;
        }
    }
    return 0;
}
