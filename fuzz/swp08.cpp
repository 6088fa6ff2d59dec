// Bytes from an SW-P-08 control system. The first byte picks the family
// (bits 0-1: Vela, Orion, Draco, pass-through) and demo mode (bit 2).
#include "FuzzMutator.h"
#include "FuzzRig.h"

HVN_FUZZ_MESSAGE_MUTATOR(Swp08Frames, 1)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    FuzzConsole(Port::SwP08, Data, Size);
    return 0;
}
