#pragma once
// Files that network soft panels read (the .ndf data files); the poll files
// through which they ask for takes are in PollFiles.h.
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
// The button report arrived: "butns.ndf" gets the source of every button of
// every template, then the template number of every destination.
void SaveButtonsNdf(Server& s);
// Inhibits of destinations Start .. Start + Count - 1 changed.
void SaveInhibitNdf(Server& s, int StartDestination, int Count);
