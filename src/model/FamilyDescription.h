#pragma once
// What a switcher family is, as data every layer may read: its name in the
// configuration, its captions, the size of its tables and which of them it
// reports, its demo configuration, and the traits of its soft panel files
// and client replies. What a family does (its decoder and encoders) is its
// table in switcher/. Pass-through, which keeps no model, is described too.
#include "model/Model.h"

#include <cstdint>
#include <string>

struct FamilyDescription {
    SwitcherType Type = SwitcherType::PassThru;
    // Its "Switcher Type" text in tcpserve.ini.
    const char* Name = "";
    // False for a family the file may name but the server does not serve:
    // it runs as Type after a warning.
    bool Served = true;
    // Main window captions: as configured, in demo mode, and once the setup
    // dialog has chosen it.
    const char* Caption = "";
    const char* DemoCaption = "";
    const char* SetupCaption = "";
    // What a console's switcher type inquiry is told.
    const char* ConsoleName = "";
    // Its entry in the setup dialog's switcher list, and the baud rate the
    // dialog selects with it.
    const char* SetupName = "";
    const char* BaudRate = "57600";

    // ---- Tables (none in pass-through) ----
    bool KeepsModel = true;
    // Orion and Draco keep one size; a Vela reports its own and may change it.
    bool FixedTables = false;
    int Channels = 0;  // sources, and as many destinations
    int RelaysAndOptos = 0;
    int Templates = 0;
    int ButtonsPerTemplate = 0;
    int NoTemplate = 0;  // what a destination's template assignment starts as
    // Poll-phase ticks between requests of missing tables, and the missed
    // keep-alive polls that lose the link.
    int PollReload = 0;
    // Every table the family reports; all of them are asked for at start.
    int64_t AllUpdateFlags = 0;
    // Asked for again when the server is enabled.
    int64_t EnableUpdateFlags = 0;
    // Tables the switcher may never send: given up once the request for them
    // has gone out and nothing else is missing.
    int64_t UnansweredFlags = 0;
    // The fixed configuration the model starts with; null where the
    // switcher reports its own.
    void (*FillConfig)(FrameRecord& Frame) = nullptr;

    // ---- Demo mode ----
    void (*FillDemoConfig)(FrameRecord& Frame) = nullptr;
    // Every destination starts with source 0; otherwise with nothing routed.
    bool DemoRoutesEveryOutput = false;

    // ---- Soft panel files ----
    // The switcher delivers the display order of its names; otherwise they
    // are sorted here.
    bool OwnNameOrder = false;
    // Besides the l*.ndf files, the one-byte-per-entry files of 256 entries
    // (xptmap.ndf, alpha.ndf, inhbt.ndf, butns.ndf).
    bool ByteNdfFiles = false;

    // ---- Helm replies ----
    // The button tables start with the destinations' template assignments.
    bool SendsTemplateAssignments = false;

    bool HasGains() const { return (AllUpdateFlags & UpdateBit::Gains) != 0; }
    bool HasLinks() const { return (AllUpdateFlags & UpdateBit::SourceLinks) != 0; }
    bool HasSalvos() const { return (AllUpdateFlags & UpdateBit::Salvos) != 0; }
    bool HasRelays() const { return RelaysAndOptos > 0; }
};

// The description of a type the server serves (pass-through included).
const FamilyDescription& Describe(SwitcherType Type);
inline const FamilyDescription& Family(const Model& m) { return Describe(m.SwitcherType); }
// The family a "Switcher Type" text names (exactly), served or not; null for
// a text that names none.
const FamilyDescription* FamilyNamed(const std::string& Name);
