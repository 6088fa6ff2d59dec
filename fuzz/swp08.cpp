// Bytes from an SW-P-08 control system. The first byte picks the family
// (bits 0-1: Vela, Orion, Draco, pass-through) and demo mode (bit 2).
#include "FuzzRig.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    FuzzConsole(Port::SwP08, Data, Size);
    return 0;
}
