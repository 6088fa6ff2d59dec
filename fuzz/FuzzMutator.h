#pragma once
// Inputs of the framed protocols carry several messages one after the other.
// libFuzzer's byte mutations of a whole input mostly break the framing of
// every message behind the one they hit; this mutator also works on whole
// messages: it mutates one message alone and puts its framing right after
// (the check byte, the length byte, the whole frame where a frame wraps an
// escaped body), or it repeats, drops or swaps whole
// messages, and its cross-over splices the messages of two inputs.
//
// A target opts in with one line naming its framing:
//     HVN_FUZZ_MESSAGE_MUTATOR(SumCheckedFrames, 0)
// (the second argument: how many mode bytes lead the input).
#include "ember/S101.h"
#include "model/ByteManipulation.h"
#include "platform/Bytes.h"
#include "swp08/Swp08Link.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

extern "C" size_t LLVMFuzzerMutate(uint8_t* Data, size_t Size, size_t MaxSize);

// How one protocol frames its messages.
struct Framing {
    // The length of the message at the front of Data (1 to Size).
    size_t (*Next)(const Bytes& Data, size_t At);
    // Puts a message whose body a mutation changed into its frame again.
    void (*Fix)(Bytes& Message, std::minstd_rand& Random);
    // Where a frame escapes its body, the body to mutate; else the message
    // itself is mutated.
    Bytes (*Open)(const Bytes& Message) = nullptr;
};

// ---- The framings ----

// Command byte, data bytes, a check byte, FF: a message ends at its FF.
inline size_t UpToFF(const Bytes& Data, size_t At)
{
    const size_t end = Data.find('\xFF', At);
    return end == Bytes::npos ? Data.size() - At : end - At + 1;
}
// The frame ends with FF again; the check byte is kept as it was, so the
// decoders' own check has to be met by the fuzzer (their sums differ by command).
inline void EndWithFF(Bytes& Message, std::minstd_rand&)
{
    if (Message.empty() || Message.back() != '\xFF')
        Message += '\xFF';
}
// The same frames whose check byte is the 7-bit sum of the data bytes (the
// Vela and Helm frames): most mutated frames get it right, some keep the old one.
inline void SumCheckAndFF(Bytes& Message, std::minstd_rand& Random)
{
    const bool framed = Message.size() >= 3 && Message.back() == '\xFF';
    if (Message.size() < 2 || (!framed && Message.back() == '\xFF') || Random() % 8 == 0) {
        EndWithFF(Message, Random);
        return;
    }
    // Without its FF the mutation took the check byte's place as well.
    Message.resize(Message.size() - (framed ? 2 : 0));
    AppendChecksumAndEnd(Message);
}
inline constexpr Framing FFFrames{UpToFF, EndWithFF};
inline constexpr Framing SumCheckedFrames{UpToFF, SumCheckAndFF};

// Logitek: three header bytes, 02, a count L, L bytes.
inline size_t LengthCounted(const Bytes& Data, size_t At)
{
    if (Data.size() - At < 5)
        return Data.size() - At;
    return std::min(Data.size() - At, 5 + static_cast<size_t>(ByteAt(Data, At + 4)));
}
inline void FixCount(Bytes& Message, std::minstd_rand& Random)
{
    if (Message.size() >= 5 && Message.size() <= 5 + 255 && Random() % 8 != 0)
        Message[4] = static_cast<char>(Message.size() - 5);
}
inline constexpr Framing CountedMessages{LengthCounted, FixCount};

// Zolt: every command starts with a control byte and runs to the next one.
inline size_t ToNextControl(const Bytes& Data, size_t At)
{
    size_t end = At + 1;
    while (end < Data.size() && ByteAt(Data, end) >= 0x20)
        ++end;
    return end - At;
}
inline void AsItIs(Bytes&, std::minstd_rand&) {}
inline constexpr Framing ControlLedCommands{ToNextControl, AsItIs};

// SW-P-08: DLE STX, the data with every DLE doubled, a byte count, a
// checksum, DLE ETX; acknowledgements and stray bytes run to the next frame.
inline size_t ToDleEtx(const Bytes& Data, size_t At)
{
    const size_t n = Data.size();
    if (n - At < 2 || ByteAt(Data, At) != Swp08::Dle || ByteAt(Data, At + 1) != Swp08::Stx) {
        const size_t next = Data.find(Bytes{static_cast<char>(Swp08::Dle), static_cast<char>(Swp08::Stx)}, At + 1);
        return (next == Bytes::npos ? n : next) - At;
    }
    for (size_t i = At + 2; i + 1 < n; ++i) {
        if (ByteAt(Data, i) != Swp08::Dle)
            continue;
        if (ByteAt(Data, i + 1) == Swp08::Etx)
            return i + 2 - At;
        ++i;
    }
    return n - At;
}
// A whole frame's data, DLEs undoubled, count and checksum dropped.
inline Bytes Swp08Data(const Bytes& Message)
{
    const size_t n = Message.size();
    if (n < 7 || Message.compare(0, 2, "\x10\x02") != 0 || Message.compare(n - 2, 2, "\x10\x03") != 0)
        return Message;
    Bytes body;
    for (size_t i = 2; i < n - 2; ++i) {
        body += Message[i];
        if (ByteAt(Message, i) == Swp08::Dle)
            ++i;
    }
    return body.size() > 2 ? body.substr(0, body.size() - 2) : Message;
}
// Most mutated data get a right count and checksum; some go out as they are.
inline void Swp08Frame(Bytes& Data, std::minstd_rand& Random)
{
    if (!Data.empty() && Data.size() <= Swp08::MaxData && Random() % 8 != 0)
        Data = Swp08::Frame(Data);
}
inline constexpr Framing Swp08Frames{ToDleEtx, Swp08Frame, Swp08Data};

// S101: BOF, the payload and its CRC with bytes from F8 up escaped, EOF; a
// frame also ends where the next BOF starts one.
inline size_t ToEof(const Bytes& Data, size_t At)
{
    const size_t n = Data.size();
    const bool frame = ByteAt(Data, At) == S101::Bof;
    for (size_t i = At + 1; i < n; ++i) {
        if (ByteAt(Data, i) == S101::Bof)
            return i - At;
        if (frame && ByteAt(Data, i) == S101::Eof)
            return i + 1 - At;
    }
    return n - At;
}
// A whole frame's payload, unescaped and without its CRC.
inline Bytes S101Payload(const Bytes& Message)
{
    const size_t n = Message.size();
    if (n < 4 || ByteAt(Message, 0) != S101::Bof || ByteAt(Message, n - 1) != S101::Eof)
        return Message;
    Bytes payload;
    for (size_t i = 1; i < n - 1; ++i) {
        const bool escaped = ByteAt(Message, i) == S101::Escape && i + 2 < n;
        payload += static_cast<char>(escaped ? ByteAt(Message, ++i) ^ S101::EscapeXor : ByteAt(Message, i));
    }
    return payload.size() > 2 ? payload.substr(0, payload.size() - 2) : Message;
}
// Most mutated payloads get a right CRC; some go out as they are.
inline void S101Wrap(Bytes& Payload, std::minstd_rand& Random)
{
    if (Random() % 8 != 0)
        Payload = S101Frame(Payload);
}
inline constexpr Framing S101Frames{ToEof, S101Wrap, S101Payload};

// ---- The mutations ----

struct SplitInput {
    Bytes Lead;
    std::vector<Bytes> Messages;
};

inline SplitInput Split(const uint8_t* Data, size_t Size, size_t Lead, const Framing& F)
{
    const Bytes all(reinterpret_cast<const char*>(Data), Size);
    SplitInput in{all.substr(0, std::min(Lead, Size)), {}};
    for (size_t at = in.Lead.size(); at < all.size();) {
        const size_t n = std::max<size_t>(F.Next(all, at), 1);
        in.Messages.push_back(all.substr(at, n));
        at += n;
    }
    return in;
}

// Writes In to Data when it fits in MaxSize; its size, or 0 when it does not.
inline size_t Join(const SplitInput& In, uint8_t* Data, size_t MaxSize)
{
    Bytes all = In.Lead;
    for (const Bytes& m : In.Messages)
        all += m;
    if (all.size() > MaxSize)
        return 0;
    std::memcpy(Data, all.data(), all.size());
    return all.size();
}

inline void MutateOneMessage(Bytes& Message, size_t Room, const Framing& F, std::minstd_rand& Random)
{
    if (F.Open != nullptr)
        Message = F.Open(Message);
    std::vector<uint8_t> buffer(Message.begin(), Message.end());
    buffer.resize(Message.size() + Room);
    const size_t n = LLVMFuzzerMutate(buffer.data(), Message.size(), buffer.size());
    Message.assign(reinterpret_cast<const char*>(buffer.data()), n);
    F.Fix(Message, Random);
}

inline size_t MutateMessages(uint8_t* Data, size_t Size, size_t MaxSize, unsigned Seed, const Framing& F, size_t Lead)
{
    std::minstd_rand random(Seed);
    SplitInput in = Split(Data, Size, Lead, F);
    const size_t count = in.Messages.size();
    // Now and then, and whenever there is no whole message, the bytes as they
    // stand (the mode byte and the framing itself get mutated too).
    if (count == 0 || random() % 4 == 0)
        return LLVMFuzzerMutate(Data, Size, MaxSize);
    const size_t pick = random() % count;
    switch (random() % 4) {
    case 0:
    case 1: MutateOneMessage(in.Messages[pick], std::min<size_t>(MaxSize - Size, 64), F, random); break;
    case 2: in.Messages.insert(in.Messages.begin() + static_cast<long>(random() % count), in.Messages[pick]); break;
    default:
        if (count > 1 && random() % 2 == 0)
            std::swap(in.Messages[pick], in.Messages[random() % count]);
        else
            in.Messages.erase(in.Messages.begin() + static_cast<long>(pick));
        break;
    }
    const size_t joined = Join(in, Data, MaxSize);
    return joined != 0 ? joined : LLVMFuzzerMutate(Data, Size, MaxSize);
}

// The first messages of one input, then the last of the other.
inline size_t CrossOverMessages(const uint8_t* Data1, size_t Size1, const uint8_t* Data2, size_t Size2, uint8_t* Out,
                                size_t MaxOutSize, unsigned Seed, const Framing& F, size_t Lead)
{
    std::minstd_rand random(Seed);
    SplitInput first = Split(Data1, Size1, Lead, F);
    const SplitInput second = Split(Data2, Size2, Lead, F);
    first.Messages.resize(first.Messages.empty() ? 0 : random() % (first.Messages.size() + 1));
    const size_t from = second.Messages.empty() ? 0 : random() % second.Messages.size();
    first.Messages.insert(first.Messages.end(), second.Messages.begin() + static_cast<long>(from),
                          second.Messages.end());
    while (!first.Messages.empty() && Join(first, Out, MaxOutSize) == 0)
        first.Messages.pop_back();
    return Join(first, Out, MaxOutSize);
}

#define HVN_FUZZ_MESSAGE_MUTATOR(Framing, Lead)                                                                   \
    extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* Data, size_t Size, size_t MaxSize, unsigned int Seed)      \
    {                                                                                                             \
        return MutateMessages(Data, Size, MaxSize, Seed, Framing, Lead);                                          \
    }                                                                                                             \
    extern "C" size_t LLVMFuzzerCustomCrossOver(const uint8_t* Data1, size_t Size1, const uint8_t* Data2,         \
                                                size_t Size2, uint8_t* Out, size_t MaxOutSize, unsigned int Seed) \
    {                                                                                                             \
        return CrossOverMessages(Data1, Size1, Data2, Size2, Out, MaxOutSize, Seed, Framing, Lead);               \
    }
