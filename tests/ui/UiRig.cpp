#include "ui/UiRig.h"

#include "helm/HelmPort.h"

int ConnectHelmClient(Server& server, FakeSockets& sockets, const std::string& address, int type)
{
    sockets.pendingAddresses.push_back(address);
    server.onConnectionRequest(Port::Helm);
    // The newest client is the one holding the address.
    for (int i = server.HelmClients.SlotCount(); i >= 1; --i) {
        ClientRecord& c = server.HelmClients[i];
        if (c.Connected && c.Address == address) {
            c.ClientType = type;
            c.LoggedIn = type != NoClientType;
            return i;
        }
    }
    return 0;
}
