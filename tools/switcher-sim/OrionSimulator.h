#pragma once
// An Orion switcher without hardware (256 sources, destinations, relays and
// optos): bytes from the server go in, the bytes an Orion would answer come
// out. No I/O here; main.cpp owns the line.
#include "VelaSimulator.h"

#include "model/Model.h"
#include "platform/Bytes.h"
#include "switcher/orion/OrionFrames.h"

#include <string>
#include <vector>

class OrionSimulator {
public:
    // A frame still without its end after this many bytes is thrown away.
    static constexpr size_t MaxPending = 262144;

    // Only the name prefixes of the options apply: an Orion has one size.
    explicit OrionSimulator(const SimulatorOptions& options = {});

    // Takes what arrived on the line; returns the answer (possibly empty).
    Bytes Receive(const Bytes& chunk);

    int SourceOf(int destination) const { return map_.at(static_cast<size_t>(destination)); }
    int RelayState(int relay) const { return relays_.at(static_cast<size_t>(relay)); }
    int OptoState(int opto) const { return optos_.at(static_cast<size_t>(opto)); }
    const std::vector<std::string>& SourceNames() const { return sourceNames_; }
    const std::vector<int>& SourceSortTable() const { return sourceSort_; }
    const std::string& Inhibits(int destination) const { return inhibits_.at(static_cast<size_t>(destination)); }
    const std::vector<int>& SourceLinks() const { return sourceLinks_; }
    const OrionButtons& Buttons() const { return buttons_; }
    const std::vector<std::string>& SalvoNames() const { return salvoNames_; }
    const std::vector<SalvoEventRecord>& SalvoEvents() const { return salvoEvents_; }
    bool CardPresent(int card) const { return present_.at(static_cast<size_t>(card)); }

private:
    Bytes HandleFrame(const Bytes& frame);
    Bytes HandleTake(const Bytes& frame);
    // Stores a table the server sends; true when the frame was sound.
    bool StoreTable(const Bytes& frame);
    Bytes Tables(int64_t mask) const;
    Bytes Report(int kind, int number, int state) const;

    Bytes buffer_;
    std::vector<int> map_;
    std::vector<std::string> sourceNames_, destinationNames_, salvoNames_;
    std::vector<int> sourceSort_, destinationSort_, salvoSort_;
    std::vector<int> sourceLinks_, destinationLinks_;
    std::vector<std::string> inhibits_;
    OrionButtons buttons_;
    std::vector<SalvoEventRecord> salvoEvents_;
    std::vector<int> salvoEventCounts_;  // per salvo, from the last upload's E8 frames
    std::vector<bool> present_;
    std::vector<int> relays_, optos_;
};
