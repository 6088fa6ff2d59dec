// Bytes from a Logitek console. The first byte picks the family (bits 0-1:
// Vela, Orion, Draco, pass-through) and demo mode (bit 2).
#include "FuzzMutator.h"
#include "FuzzRig.h"

HVN_FUZZ_MESSAGE_MUTATOR(CountedMessages, 1)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    FuzzConsole(Port::Logitek, Data, Size);
    return 0;
}
