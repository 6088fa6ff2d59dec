// Bytes from a Helm client. The first byte picks the family (bits 0-1: Vela,
// Orion, Draco, pass-through), demo mode (bit 2), whether the client is
// logged in already (bit 3) and whether the server asks passwords ("helm" for
// the Helm PC, "panel" for soft panels; bit 4); a client that is not logged
// in may log in with the rest.
#include "FuzzMutator.h"
#include "FuzzRig.h"

HVN_FUZZ_MESSAGE_MUTATOR(SumCheckedFrames, 1)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    if (Size == 0)
        return 0;
    const uint8_t mode = Data[0];
    FuzzRig rig(FamilyFromMode(mode), DemoFromMode(mode), Tables::Watched);
    if (mode & 16) {
        rig.server.cfg.HelmPassword = "helm";
        rig.server.cfg.PanelPassword = "panel";
    }
    const int slot = rig.ConnectHelm((mode & 8) ? HelmPcClientType : 0);
    // A soft panel that mirrors every table the first client changes.
    rig.ConnectHelm(FirstPanelClientType + 1);
    rig.ConnectZolt();
    rig.ClientSends(Port::Helm, slot, AsBytes(Data + 1, Size - 1));
    rig.PollOnce();
    CheckAll(rig);
    return 0;
}
