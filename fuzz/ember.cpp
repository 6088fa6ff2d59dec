// Bytes from an Ember+ consumer. The first byte picks the family (bits 0-1:
// Vela, Orion, Draco, pass-through), demo mode (bit 2) and the layer (bit 3):
// clear, the rest is the consumer's byte stream as it stands (S101 framing,
// CRC, EmBER packets); set, the rest is one Glow message that gets framed
// here, so that the BER and Glow decoding is reached past the CRC. A second
// consumer has subscribed to the matrix and the status and hears what the
// first one's requests change.
#include "FuzzMutator.h"
#include "FuzzRig.h"
#include "ember/EmberRig.h"

namespace {

// What the input can change: the connections (a take, echoed in demo mode)
// and the status (the count of clients).
Bytes WhatChangesSubscribed()
{
    return EmberMessageFrames(
        EncodeGlow({CommandOn({1, 1}, Glow::Subscribe, GlowType::Matrix), CommandOn({1, 3}, Glow::Subscribe)}));
}

}  // namespace

// A Glow message as it stands (mode bit 3) has no frames to keep whole.
extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* Data, size_t Size, size_t MaxSize, unsigned int Seed)
{
    if (Size > 0 && (Data[0] & 8) != 0)
        return LLVMFuzzerMutate(Data, Size, MaxSize);
    return MutateMessages(Data, Size, MaxSize, Seed, S101Frames, 1);
}
extern "C" size_t LLVMFuzzerCustomCrossOver(const uint8_t* Data1, size_t Size1, const uint8_t* Data2, size_t Size2,
                                            uint8_t* Out, size_t MaxOutSize, unsigned int Seed)
{
    return CrossOverMessages(Data1, Size1, Data2, Size2, Out, MaxOutSize, Seed, S101Frames, 1);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    if (Size == 0)
        return 0;
    const uint8_t mode = Data[0];
    FuzzRig rig(FamilyFromMode(mode), DemoFromMode(mode), Tables::Watched);
    const int watcher = rig.ConnectEmber();
    rig.ClientSends(Port::Ember, watcher, WhatChangesSubscribed());
    const int consumer = rig.ConnectEmber();
    const Bytes input = AsBytes(Data + 1, Size - 1);
    rig.ClientSends(Port::Ember, consumer, (mode & 8) ? EmberMessageFrames(input) : input);
    rig.PollOnce();
    CheckAll(rig);
    return 0;
}
