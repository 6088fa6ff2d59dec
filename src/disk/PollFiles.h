#pragma once
// The poll files (.wcf) through which network soft panels ask for takes.
#include <optional>

class Server;

// The two poll files: one-byte numbers (xpt00001.wcf) or 16-bit numbers
// for switchers beyond 256 inputs or outputs (xpt00002.wcf).
enum class PollFile { ByteNumbers, WordNumbers };
const char* PollFileName(PollFile File);
struct SoftPanelTake {
    int Source = 0;
    int Destination = 0;
    bool TurnOff = false;  // one past the last source, where the switcher can turn an output off
};
// Reads the poll file, deletes it and checks its take against the model.
// Nothing when there is no file; a bad file throws the run-time error that
// the caller's trap logs.
std::optional<SoftPanelTake> ReadSoftPanelTake(Server& s, PollFile File, bool TurnOffAllowed);
