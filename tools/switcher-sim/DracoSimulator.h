#pragma once
// A Draco switcher without hardware (32 x 32): bytes from the server go in,
// the bytes a Draco would answer come out. No I/O here; main.cpp owns the line.
#include "platform/Bytes.h"

#include <array>
#include <string>
#include <vector>

class DracoSimulator {
public:
    static constexpr int Size = 32;
    // A frame still without its end after this many bytes is thrown away.
    static constexpr size_t MaxPending = 65536;

    explicit DracoSimulator(const std::string& SourcePrefix = "Src ", const std::string& DestinationPrefix = "Dst ");

    // Takes what arrived on the line; returns the answer (possibly empty).
    // F2 (one or several in a row) is answered with every table, F5 with F4,
    // a take with its report, any other command with F4 once it is stored;
    // a frame with a wrong length or check byte with F3.
    Bytes Receive(const Bytes& chunk);
    // The next command is answered F3 and not carried out.
    void NackNext() { nackNext_ = true; }

    int SourceOf(int destination) const { return map_.at(static_cast<size_t>(destination)); }
    const std::vector<std::string>& SourceNames() const { return sourceNames_; }
    const std::vector<std::string>& DestinationNames() const { return destinationNames_; }
    const std::vector<int>& SourceOrder() const { return sourceOrder_; }
    const std::vector<int>& Inhibits() const { return inhibits_; }
    const std::vector<int>& LinkWords() const { return links_; }
    const std::vector<int>& Buttons() const { return buttons_; }
    const std::vector<int>& PortMap() const { return portMap_; }
    const std::vector<int>& SalvoEvents() const { return salvoEvents_; }
    const std::vector<std::string>& SalvoNames() const { return salvoNames_; }
    // Salvo numbers executed, in order.
    const std::vector<int>& Executed() const { return executed_; }
    size_t PendingBytes() const { return buffer_.size(); }

    // Every table, as the answer to F2.
    Bytes Dump() const;

private:
    // F2, F5 and the lone bytes to drop; false for any other command byte.
    bool AnswerSingle(unsigned char b, Bytes& answer);
    Bytes HandleFrame(const Bytes& frame);

    Bytes buffer_;
    std::vector<int> map_;
    std::vector<std::string> sourceNames_, destinationNames_, salvoNames_;
    std::vector<int> sourceOrder_, destinationOrder_, salvoOrder_;
    std::vector<int> inhibits_;     // 128 values, 4 per destination
    std::vector<int> links_;        // W0 .. W3
    std::vector<int> buttons_;      // 32 template numbers, then 32 x 32 button sources
    std::vector<int> portMap_;      // 32 assignments, 4 flag words
    std::vector<int> salvoKeys_;    // one per salvo
    std::vector<int> salvoEvents_;  // six values per event
    std::vector<int> executed_;
    bool nackNext_ = false;
};
