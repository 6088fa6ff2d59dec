#pragma once
#include "model/ClientRecord.h"
#include "model/Model.h"
#include "platform/Bytes.h"

#include <array>
#include <string>

constexpr int LogitekInputChannels = 10;
constexpr int LogitekSwitches = 5;
constexpr int LogitekUnity = 1024;

using ChannelTable = std::array<int, LogitekInputChannels>;

// One Logitek console connection; the record's index is the slot of its
// socket. Input channel ch (1..10) is entry ch - 1 of the channel tables.
struct LogitekClient : PortClient {
    bool Identified = false;  // sent its identification since it connected or signed off
    bool SetUp = false;       // loaded by a start request since it connected or signed off
    int ClientType = ConsoleClientType;
    std::string ConsoleName, ConsoleInfo;

    ChannelTable ChannelSource = Filled(NoneValue);  // 1-based switcher source; 16383 = none
    ChannelTable ChannelLevel = Filled(LogitekUnity);
    ChannelTable ChannelOn{};
    ChannelTable ChannelMode{};  // 0 stereo, 1 mono
    std::array<ChannelTable, LogitekSwitches> ChannelSwitch{};

    // Switcher outputs (1-based, 0 = none yet) and gains of the bus channels.
    int Bus1Output = 0, Bus2Output = 0;
    int Bus1Gain = LogitekUnity, Bus2Gain = LogitekUnity;
    // Channels 27 and 33 are only remembered.
    int Channel27Output = 0, Channel33Output = 0;
    int Channel27Gain = LogitekUnity, Channel33Gain = LogitekUnity;

    static ChannelTable Filled(int Value)
    {
        ChannelTable t;
        t.fill(Value);
        return t;
    }
};
