#pragma once
// The inhibit map: per destination, whether each source may be routed to it.
// Kept as bits, 64 to a word and each destination's row in whole words, so
// that the largest table a switcher may report stays small in memory and a
// row is read a word at a time; the protocols and the soft panel files see
// each destination as a text of one '1' (inhibited) or '0' per source, or as
// its runs.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class InhibitTable {
public:
    // Destinations x Sources, nothing inhibited.
    void assign(size_t Destinations, size_t Sources);
    // Keeps what both sizes hold; new places are not inhibited.
    void resize(size_t Destinations, size_t Sources);
    size_t size() const { return destinations_; }
    size_t sources() const { return sources_; }
    bool inhibited(size_t Destination, size_t Source) const;
    // Throws std::out_of_range past the last destination, as the table's
    // users expect of an index taken from a frame.
    std::string text(size_t Destination) const;
    // '1' inhibits, any other character does not; a text is cut or padded
    // with '0' to the number of sources.
    void setText(size_t Destination, const std::string& Text);
    // Every destination's text, for the encoders of the switchers that take
    // the map whole (theirs are small).
    std::vector<std::string> texts() const;
    // The row of Destination as runs of equal places, front to back: whether
    // they are inhibited, and how many. Throws as text() does.
    std::vector<std::pair<bool, size_t>> runs(size_t Destination) const;
    bool operator==(const InhibitTable& Other) const = default;

private:
    const uint64_t* row(size_t Destination) const;
    uint64_t* row(size_t Destination);

    size_t destinations_ = 0;
    size_t sources_ = 0;
    size_t words_ = 0;  // per destination
    // Bits past the last source stay clear, so equal tables hold equal words.
    std::vector<uint64_t> bits_;
};
