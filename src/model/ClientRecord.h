#pragma once
#include "model/ClientSlots.h"
#include "platform/Bytes.h"

#include <cstdint>
#include <string>

// Login types a client announces (16383: none yet).
constexpr int NoClientType = 16383;
constexpr int HelmPcClientType = 120;
constexpr int AutomationClientType = 125;
constexpr int FirstPanelClientType = 130;
constexpr int ConsoleClientType = 150;

// One Helm connection; the record's index is the slot of its socket.
struct ClientRecord : PortClient {
    int MapSent = 0;
    bool LoggedIn = false;
    int ClientType = NoClientType;
    int SilentTicks = 0;
    int PasswordFailures = 0;
    bool DescriptionSent = false;
    int64_t PendingRequests = 0;
    bool PolledUpdates = false;
    int64_t UpdateMask = 0;
    bool Supervised = true;
};
