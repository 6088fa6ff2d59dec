// Bytes from a Vela switcher on the serial line.
#include "FuzzMutator.h"
#include "FuzzRig.h"

HVN_FUZZ_MESSAGE_MUTATOR(SumCheckedFrames, 0)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    FuzzSwitcher(SwitcherType::Vela, Data, Size);
    return 0;
}
