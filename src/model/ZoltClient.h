#pragma once
#include "model/ClientRecord.h"
#include "platform/Bytes.h"

#include <string>

// One console connection; the record's index is the slot of its socket.
struct ZoltClient : PortClient {
    bool Identified = false;
    int ClientType = ConsoleClientType;
    // Feedback settings of the ^F command; a freed slot keeps them until reused.
    bool RepliesOn = true;
    int TallyMode = 5;      // bit 0 numeric tally, bit 1 alpha tally, bit 2 alpha change notice
    int TallyProtocol = 0;  // 0 three-digit, 1 hexadecimal, 2 four-digit
};
