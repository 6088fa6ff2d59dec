#pragma once
// How a simulated switcher takes in what the server sent: data bytes outside
// a frame are dropped, a command byte that travels alone goes to Single
// (which says whether it was one), a frame cut short by the next command byte
// is dropped and answered with Cut, and each whole frame (command byte to FF)
// goes to Frame. What is left waits for more bytes, up to MaxPending. Returns
// the answers joined.
#include "model/ByteManipulation.h"
#include "platform/Bytes.h"

template <class SingleFn, class FrameFn>
Bytes AnswerFrames(Bytes& buffer, size_t MaxPending, SingleFn&& Single, FrameFn&& Frame, const Bytes& Cut = Bytes())
{
    Bytes answer;
    for (;;) {
        size_t first = 0;
        while (first < buffer.size() && !IsHighBitSet(ByteAt(buffer, first)))
            ++first;
        buffer.erase(0, first);
        if (buffer.empty())
            break;
        if (Single(ByteAt(buffer, 0), answer)) {
            buffer.erase(0, 1);
            continue;
        }
        size_t end = 1;
        while (end < buffer.size() && !IsHighBitSet(ByteAt(buffer, end)))
            ++end;
        if (end == buffer.size()) {
            if (buffer.size() > MaxPending)
                buffer.clear();
            break;
        }
        if (ByteAt(buffer, end) != 0xFF) {
            buffer.erase(0, end);
            answer += Cut;
            continue;
        }
        const Bytes frame = buffer.substr(0, end + 1);
        buffer.erase(0, end + 1);
        answer += Frame(frame);
    }
    return answer;
}
