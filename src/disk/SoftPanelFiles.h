#pragma once
// Files that network soft panels read (the .ndf data files) and the poll
// files through which they ask for takes (.wcf).
#include <optional>
#include <string>
#include <vector>

class Server;

// Byte 0 of Status.ndf: 1 when the server's data is complete, else 0.
// With OnlyIfExists the file is not created.
void WriteStatusNdf(Server& s, unsigned char Value, bool OnlyIfExists);
// Removes every soft panel data file except Status.ndf.
void DeleteNdfFiles(Server& s);

// One crosspoint changed. Runs on every Orion and Draco take report, with or
// without soft panel support.
void SaveTakeToNdf(Server& s, int Destination, int Source);
// The whole crosspoint map changed.
void SaveCrosspointMapNdf(Server& s);
// A name table arrived (Table 10 sources, 20 destinations; others are ignored).
// Sorts it and stores it into the model even without soft panel support.
void SaveAlphaNdf(Server& s, const std::vector<std::string>& Alphas, int Table);
// Inhibits of destinations Start .. Start + Count - 1 changed.
void SaveInhibitNdf(Server& s, int StartDestination, int Count);

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
