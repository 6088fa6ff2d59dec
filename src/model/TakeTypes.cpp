#include "model/TakeTypes.h"

#include "model/ByteManipulation.h"

bool IsRelayTake(int Type)
{
    return Type == TakeType::ReleaseRelay || Type == TakeType::LatchRelay || Type == TakeType::MomentaryRelay;
}

namespace {

std::string Route(int Input, int Output) { return Digits(Input + 1, 4) + "-->Out:" + Digits(Output + 1, 4); }

}  // namespace

std::string TakeLogText(int Type, int Input, int Output)
{
    switch (Type) {
    // A turn-off carries no input: only the output part of the route is shown.
    case TakeType::TurnOff: return "Turn Off:-->Out:" + Digits(Output + 1, 4);
    case TakeType::Take: return "Take - In:" + Route(Input, Output);
    case TakeType::PriorityTake: return "Priority Take - In:" + Route(Input, Output);
    case TakeType::SumOn: return "Sum On - In:" + Route(Input, Output);
    case TakeType::SumOff: return "Sum Off - In:" + Route(Input, Output);
    case TakeType::PrioritySumOn: return "Priority Sum On - In:" + Route(Input, Output);
    case TakeType::PrioritySumOff: return "Priority Sum Off - In:" + Route(Input, Output);
    case TakeType::LatchRelay: return "Latch Relay:" + Digits(Output + 1, 4);
    case TakeType::MomentaryRelay: return "Momentary Relay:" + Digits(Output + 1, 4);
    case TakeType::ReleaseRelay: return "Release Relay:" + Digits(Output + 1, 4);
    default: return std::string();
    }
}
