#pragma once
// What the Draco handlers share: reading a frame's values and its check byte.
#include "platform/Bytes.h"
#include "switcher/draco/ToDraco.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

class Server;
struct Model;

// The one take type a Draco executes.
constexpr int DracoTakeType = 4;
// The port map: 16 control ports, each with two channels whose third
// Integer holds the port's assignment; a set flag makes it a controller port.
constexpr int PortMapPorts = 16;
constexpr int PortAssignmentSetting = 2;
constexpr int ControllerPortType = 2910;
constexpr int PlainPortType = 2900;
// Per port its two channels' assignments, then two words of controller flags
// and two of states, one bit per port.
constexpr size_t PortMapValues = 2 * PortMapPorts + 4;
// The inhibit map: per destination four words, one bit per source.
constexpr size_t InhibitValues = 4 * DracoSize;
// The links: two words of destination pairs, then two of source pairs.
constexpr size_t LinkWords = 4;

// A source, destination, template or button number of the 32 x 32 switcher.
inline bool InDraco(int Number) { return Number >= 0 && Number < DracoSize; }

// The 16-bit values (pairs) of a frame of exactly Length bytes whose check
// byte is the 7-bit sum of the values; none when the length is wrong.
// Checksum tells whether the check byte matched.
struct DracoValues {
    std::vector<int> Values;
    bool Checksum = false;
};
// The length of a frame of Count values: command, pairs, check byte, FF.
constexpr size_t DracoValuesLength(size_t Count) { return 2 * Count + 3; }
std::optional<DracoValues> ReadDracoValues(const Bytes& Frame, size_t Length);

// Names of 8 single-byte characters from position 1 on, and whether the
// check byte (the 7-bit sum of the name bytes) matched.
struct DracoNames {
    std::vector<std::string> Names;
    bool Checksum = false;
};
DracoNames ReadDracoNames(const Bytes& Frame, size_t Count);

// The values of ReadDracoValues when the frame is sound; otherwise none,
// and "Message Length Error" or "Switcher Check Sum Error" is logged at
// Location, the handler's name.
std::optional<std::vector<int>> SoundDracoValues(Server& s, const Bytes& Frame, size_t Length,
                                                 const std::string& Location);

// A report of Count values: its handler runs under the trap titled TrapText
// and logs a frame that is not sound at Location.
struct DracoValuesReport {
    const char* TrapText;
    const char* Location;
    size_t Count;
};
// Store gets the model and the values once the frame is sound; a frame that
// is not changes nothing.
void ReceiveDracoValues(Server& s, const Bytes& Frame, const DracoValuesReport& Report,
                        const std::function<void(Model& m, const std::vector<int>& Values)>& Store);

// LogSerialMessage under the switcher's port.
void LogDracoMessage(Server& s, const std::string& Text);
// LogSoftwareError at Location, the handler's name.
void LogDracoError(Server& s, const std::string& Text, const std::string& Location);
// Some logged-in Helm client is a soft panel or console (type 130 or more).
bool AnyPanelClient(const Server& s);
// Some logged-in Helm client is the Helm PC program (type 120).
bool AnyHelmPcClient(const Server& s);
