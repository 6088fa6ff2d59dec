#include "helm/FromHelm.h"

#include "core/Server.h"
#include "helm/TCPSerialCommunications.h"

void DecodeHelmMessage(Server& s, int Index)
{
    if (ValidClientSlot(s, Index))
        s.ClientTable[static_cast<size_t>(Index)].ReceiveBuffer.clear();
}

void ProcessInfoRequest(Server&, const Bytes&, int, int64_t) {}
