#pragma once
// A Vela switcher without hardware: bytes from the server go in, the bytes a
// switcher would answer come out. No I/O here; main.cpp owns the line.
#include "platform/Bytes.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct SimulatorOptions {
    int Size = 32;  // sources = destinations = relays = optos, 1..512
    std::string SourcePrefix = "Src ";
    std::string DestinationPrefix = "Dst ";
};

class VelaSimulator {
public:
    static constexpr int MaxSize = 512;
    // A frame still without its end after this many bytes is thrown away.
    static constexpr size_t MaxPending = 262144;

    explicit VelaSimulator(const SimulatorOptions& options = {});

    // Takes what arrived on the line; returns the answer (possibly empty).
    Bytes Receive(const Bytes& chunk);
    // The next answer frame with this command byte goes out with a wrong
    // checksum, as a noisy line would deliver it.
    void CorruptNextChecksum(unsigned char command) { corrupt_ = command; }

    struct Route {
        int Source;
        int Level;
    };
    const std::vector<Route>& RoutesOf(int destination) const
    {
        return map_.at(static_cast<size_t>(destination)).Routes;
    }
    int RelayState(int relay) const { return relays_.at(static_cast<size_t>(relay)); }
    int SourceLink(int source) const { return sourceLinks_.at(static_cast<size_t>(source)); }
    int SourceGain(int source, int level) const;
    const std::array<uint8_t, 4>& Transition(int destination) const
    {
        return transitions_.at(static_cast<size_t>(destination));
    }
    size_t PendingBytes() const { return buffer_.size(); }

private:
    struct Destination {
        std::vector<Route> Routes;    // Routes[0] is the current source; more while summed
        std::vector<int> SumSources;  // priority sums
    };

    Bytes HandleFrame(const Bytes& frame);
    Bytes HandleTake(const Bytes& frame);
    Bytes HandleInfoRequest(const Bytes& frame) const;
    Bytes HandleGain(const Bytes& frame);
    Bytes HandleLinks(const Bytes& frame);
    Bytes HandleTransition(const Bytes& frame);
    Bytes Spoil(Bytes frames);

    Bytes CrosspointMap() const;
    Bytes AlphaTable(int code, const std::vector<std::string>& names) const;
    Bytes LinkTable(int code, const std::vector<int>& links) const;
    Bytes InhibitMap() const;
    Bytes Gains(int kind) const;
    Bytes States(int kind, const std::vector<int>& states) const;
    Bytes DisplayLists(int code) const;
    Bytes RelayConfiguration() const;
    Bytes Transitions() const;

    int size_;
    Bytes buffer_;
    std::vector<Destination> map_;
    std::vector<std::string> sourceNames_, destinationNames_, relayNames_, optoNames_;
    std::vector<int> sourceLinks_, destinationLinks_;
    std::vector<std::array<int, 2>> sourceGains_, destinationGains_;
    std::vector<int> relays_, optos_;
    std::vector<std::array<uint8_t, 4>> transitions_;
    int corrupt_ = -1;  // command byte whose next frame is spoilt, or none
};

// Upper-case hex bytes separated by spaces, as the trace shows them.
std::string HexBytes(const Bytes& bytes);
