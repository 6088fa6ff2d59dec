// Bytes from a Logitek console. The first byte picks the family (bits 0-1:
// Vela, Orion, Draco, pass-through) and demo mode (bit 2).
#include "FuzzRig.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    if (Size == 0)
        return 0;
    const uint8_t mode = Data[0];
    FuzzRig rig(FamilyFromMode(mode), DemoFromMode(mode));
    rig.ConnectHelm(HelmPcClientType);
    const int slot = rig.ConnectLogitek();
    rig.ClientSends(Port::Logitek, slot, AsBytes(Data + 1, Size - 1));
    rig.PollOnce();
    CheckAll(rig);
    return 0;
}
