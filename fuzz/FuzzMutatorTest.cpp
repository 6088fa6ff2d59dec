// The framings the message-aware mutator cuts inputs by and puts frames right
// with: a frame it opens and closes again is the frame it was, and an input of
// frames and acknowledgements is cut where the decoders would cut it.
#include "FuzzMutator.h"

#include <gtest/gtest.h>

namespace {

std::vector<Bytes> Units(const Bytes& Input, const Framing& F)
{
    return Split(reinterpret_cast<const uint8_t*>(Input.data()), Input.size(), 0, F).Messages;
}

// Data with every byte value, the ones the framings escape among them.
Bytes AllBytes(size_t Size)
{
    Bytes d;
    for (size_t i = 0; i < Size; ++i)
        d += static_cast<char>((i * 37 + 0x10) % 256);
    return d;
}

}  // namespace

TEST(FuzzMutator, Swp08AndS101FramesOpenToTheirDataAndCloseToThemselves)
{
    std::minstd_rand random(1);
    for (size_t n : {size_t{1}, size_t{2}, size_t{7}, size_t{100}, Swp08::MaxData}) {
        const Bytes data = AllBytes(n);
        Bytes frame = Swp08Data(Swp08::Frame(data));
        EXPECT_EQ(frame, data);
        while (frame == data)  // one time in eight it stays unframed
            Swp08Frame(frame, random);
        EXPECT_EQ(frame, Swp08::Frame(data));
        EXPECT_EQ(S101Payload(S101Frame(data)), data);
    }
    // Not whole frames: mutated as they stand.
    EXPECT_EQ(Swp08Data(Swp08::AckBytes), Swp08::AckBytes);
    EXPECT_EQ(S101Payload(Bytes("\xFE\x01", 2)), Bytes("\xFE\x01", 2));
}

TEST(FuzzMutator, InputsAreCutIntoTheFramesAndAcknowledgementsTheyHold)
{
    const Bytes frame = Swp08::Frame(AllBytes(40));
    const std::vector<Bytes> swp08 = Units(frame + Swp08::AckBytes + frame + Bytes("\x10\x02\x01", 3), Swp08Frames);
    EXPECT_EQ(swp08, (std::vector<Bytes>{frame, Swp08::AckBytes, frame, Bytes("\x10\x02\x01", 3)}));

    const Bytes s101 = S101Frame(AllBytes(300));
    const std::vector<Bytes> ember = Units(Bytes("\x00\x01", 2) + s101 + Bytes("\xFE\x05", 2) + s101, S101Frames);
    EXPECT_EQ(ember, (std::vector<Bytes>{Bytes("\x00\x01", 2), s101, Bytes("\xFE\x05", 2), s101}));
}
