#pragma once
// Files that network soft panels read (the .ndf data files) and the poll
// files through which they ask for takes (.wcf).
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
// The buttons arrived: butns.ndf holds per template the source of each
// button (16 bits), then the template of each destination (16 bits).
void SaveButtonsNdf(Server& s);
// Inhibits of destinations Start .. Start + Count - 1 changed.
void SaveInhibitNdf(Server& s, int StartDestination, int Count);

// The two poll files: one-byte numbers (xpt00001.wcf) or 16-bit numbers
// for switchers beyond 256 inputs or outputs (xpt00002.wcf).
enum class PollFile { ByteNumbers, WordNumbers };
const char* PollFileName(PollFile File);
// Turns the poll file into a take (or a turn-off), deletes it and logs it.
void ProcessSoftPanelTakes(Server& s, PollFile File);
