#pragma once
// Take types as the switcher and the Helm clients carry them, and the log
// line each one gets.
#include <string>

namespace TakeType {
constexpr int TurnOff = 0;
constexpr int NoTable = 1;
constexpr int Take = 4;
constexpr int PriorityTake = 5;
constexpr int SumOff = 32;
constexpr int PrioritySumOff = 33;
constexpr int SumOn = 36;
constexpr int PrioritySumOn = 37;
constexpr int ReleaseRelay = 64;
constexpr int LatchRelay = 68;
constexpr int MomentaryRelay = 72;
// Flag bits above the type itself.
constexpr int LevelFlag = 512;
constexpr int IgnoredFlag = 1024;
constexpr int TypeBits = 511;
}  // namespace TakeType

bool IsRelayTake(int Type);
// "Take - In:0001-->Out:0002" and the like; empty for a type without a log line.
std::string TakeLogText(int Type, int Input, int Output);
