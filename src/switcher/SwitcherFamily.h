#pragma once
// The switcher families: per family its decoder, its encoder behind every
// dispatcher of ToSwitcher.h, and what it decides for the clients. The
// dispatchers and the serial link call the configured family's entries; an
// entry a family lacks stays empty (null) in its own table and the dispatcher
// then does nothing.
//
// Adding a family: a folder switcher/<family>/ whose To<Family>.cpp defines
// its encoders and, after them, its table, plus its name in the family list
// (SwitcherFamily.cpp). An encoder only the table calls stays in that file.
// Nothing outside switcher/ includes a family's own headers: the clients ask
// the capabilities below, or the family's description (model/FamilyDescription.h),
// instead of comparing SwitcherType.
#include "model/SwitcherType.h"
#include "platform/Bytes.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class Server;

struct SwitcherFamily {
    SwitcherType Type = SwitcherType::PassThru;

    // Consumes at most one frame of SerialBuffer.
    void (*Decode)(Server& s) = nullptr;

    // Encoders, one per dispatcher (same arguments).
    void (*SendTake)(Server& s, int Input, int Output, int& TakeType, int Level) = nullptr;
    void (*SendSalvoExecute)(Server& s, int Salvo) = nullptr;
    void (*RequestTables)(Server& s, int64_t Mask, int First, int Last) = nullptr;
    void (*RequestConfiguration)(Server& s) = nullptr;
    void (*Poll)(Server& s) = nullptr;
    void (*SendAlphaTable)(Server& s, const std::vector<std::string>& Names, int Table) = nullptr;
    void (*SendAlphaEntry)(Server& s, const std::vector<int>& Table, int Kind) = nullptr;
    void (*SendInhibitMap)(Server& s, const std::vector<std::string>& Map) = nullptr;
    void (*SendLinks)(Server& s, const std::vector<int>& Links, int Kind) = nullptr;
    void (*SendButtons)(Server& s) = nullptr;
    void (*SendSalvoCount)(Server& s) = nullptr;
    void (*SendSalvoEvents)(Server& s) = nullptr;
    void (*SendState)(Server& s) = nullptr;
    void (*SendLink)(Server& s, int First, int Kind, const std::vector<int>& Links) = nullptr;
    void (*SendGain)(Server& s, int Kind, int Value, int Index, int Value2, int Option) = nullptr;
    void (*SendTransitionControl)(Server& s, const std::array<uint8_t, 4>& Settings, int Destination) = nullptr;
    // Lets queued commands go that have become due (the SwitcherQueue timer),
    // for a family whose commands wait their turn in Server::SwitcherQueue.
    void (*ReleaseCommands)(Server& s) = nullptr;

    // Capabilities the clients ask.
    // Helm frames are this switcher's own frames: client commands and uploads
    // go to it unchanged, and its reports go to the clients as they stand.
    bool HelmFramesPassUnchanged = false;
    // A full crosspoint map the switcher reports goes to every Helm client;
    // otherwise only to the clients still waiting for theirs (MapSent).
    bool CrosspointMapToEveryClient = false;
    // A take can turn an output off (take type 0).
    bool TurnOffTakes = false;
    // The consoles' gain, link and transition commands reach this switcher.
    bool ConsoleGainAndLinkCommands = false;
};

// The family of a SwitcherType; null in pass-through mode.
const SwitcherFamily* FamilyOf(SwitcherType Type);
// The family of the configured switcher, or null.
const SwitcherFamily* ConfiguredFamily(const Server& s);

// The capabilities of the configured family (false without one).
bool HelmFramesPassUnchanged(const Server& s);
bool CrosspointMapToEveryClient(const Server& s);
bool TurnOffTakes(const Server& s);
bool ConsoleGainAndLinkCommands(const Server& s);
