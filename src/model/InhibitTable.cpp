#include "model/InhibitTable.h"

#include <algorithm>
#include <bit>
#include <stdexcept>

namespace {

constexpr size_t WordBits = 64;

size_t WordsFor(size_t Sources) { return (Sources + WordBits - 1) / WordBits; }

}  // namespace

void InhibitTable::assign(size_t Destinations, size_t Sources)
{
    destinations_ = sources_ = words_ = 0;
    bits_.clear();
    resize(Destinations, Sources);
}

void InhibitTable::resize(size_t Destinations, size_t Sources)
{
    const size_t words = WordsFor(Sources);
    std::vector<uint64_t> bits(Destinations * words, 0);
    const size_t keepWords = std::min(words, words_);
    for (size_t d = 0; d < std::min(Destinations, destinations_); ++d) {
        std::copy_n(bits_.begin() + static_cast<std::ptrdiff_t>(d * words_), keepWords,
                    bits.begin() + static_cast<std::ptrdiff_t>(d * words));
        // Places past the new last source are dropped.
        if (Sources % WordBits != 0 && keepWords == words)
            bits[d * words + words - 1] &= (uint64_t{1} << (Sources % WordBits)) - 1;
    }
    destinations_ = Destinations;
    sources_ = Sources;
    words_ = words;
    bits_ = std::move(bits);
}

const uint64_t* InhibitTable::row(size_t Destination) const
{
    if (Destination >= destinations_)
        throw std::out_of_range("inhibit map destination");
    return bits_.data() + Destination * words_;
}

uint64_t* InhibitTable::row(size_t Destination)
{
    return const_cast<uint64_t*>(static_cast<const InhibitTable&>(*this).row(Destination));
}

bool InhibitTable::inhibited(size_t Destination, size_t Source) const
{
    return Destination < destinations_ && Source < sources_ &&
           (bits_[Destination * words_ + Source / WordBits] >> (Source % WordBits) & 1) != 0;
}

std::string InhibitTable::text(size_t Destination) const
{
    const uint64_t* words = row(Destination);
    std::string text(sources_, '0');
    for (size_t w = 0; w < words_; ++w)
        for (uint64_t bits = words[w]; bits != 0; bits &= bits - 1)
            text[w * WordBits + static_cast<size_t>(std::countr_zero(bits))] = '1';
    return text;
}

void InhibitTable::setText(size_t Destination, const std::string& Text)
{
    uint64_t* words = row(Destination);
    std::fill_n(words, words_, 0);
    const size_t n = std::min(sources_, Text.size());
    for (size_t i = 0; i < n; ++i)
        if (Text[i] == '1')
            words[i / WordBits] |= uint64_t{1} << (i % WordBits);
}

std::vector<std::string> InhibitTable::texts() const
{
    std::vector<std::string> all;
    all.reserve(destinations_);
    for (size_t d = 0; d < destinations_; ++d)
        all.push_back(text(d));
    return all;
}

std::vector<std::pair<bool, size_t>> InhibitTable::runs(size_t Destination) const
{
    const uint64_t* words = row(Destination);
    std::vector<std::pair<bool, size_t>> runs;
    for (size_t i = 0; i < sources_;) {
        const bool flag = (words[i / WordBits] >> (i % WordBits) & 1) != 0;
        // The run ends at the first place of the other kind: a word at a time.
        size_t end = i;
        for (size_t w = i / WordBits; w < words_; ++w) {
            uint64_t other = flag ? ~words[w] : words[w];
            if (w == i / WordBits)
                other &= ~uint64_t{0} << (i % WordBits);
            if (other != 0) {
                end = w * WordBits + static_cast<size_t>(std::countr_zero(other));
                break;
            }
            end = (w + 1) * WordBits;
        }
        end = std::min(end, sources_);
        runs.emplace_back(flag, end - i);
        i = end;
    }
    return runs;
}
