#include "model/InhibitTable.h"

#include <algorithm>

void InhibitTable::assign(size_t Destinations, size_t Sources)
{
    rows_.clear();
    resize(Destinations, Sources);
}

void InhibitTable::resize(size_t Destinations, size_t Sources)
{
    sources_ = Sources;
    rows_.resize(Destinations);
    for (std::vector<bool>& row : rows_)
        row.resize(Sources, false);
}

bool InhibitTable::inhibited(size_t Destination, size_t Source) const
{
    return Destination < rows_.size() && Source < sources_ && rows_[Destination][Source];
}

std::string InhibitTable::text(size_t Destination) const
{
    const std::vector<bool>& row = rows_.at(Destination);
    std::string text(sources_, '0');
    for (size_t i = 0; i < sources_; ++i)
        if (row[i])
            text[i] = '1';
    return text;
}

void InhibitTable::setText(size_t Destination, const std::string& Text)
{
    std::vector<bool>& row = rows_.at(Destination);
    std::fill(row.begin(), row.end(), false);
    for (size_t i = 0; i < sources_ && i < Text.size(); ++i)
        row[i] = Text[i] == '1';
}

std::vector<std::string> InhibitTable::texts() const
{
    std::vector<std::string> all;
    all.reserve(rows_.size());
    for (size_t d = 0; d < rows_.size(); ++d)
        all.push_back(text(d));
    return all;
}
