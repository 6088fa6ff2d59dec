// Bytes from an Orion switcher on the serial line.
#include "FuzzRig.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    FuzzSwitcher(SwitcherType::Orion, Data, Size);
    return 0;
}
