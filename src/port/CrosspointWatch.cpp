#include "port/CrosspointWatch.h"

#include "model/Model.h"

#include <algorithm>

std::vector<int> CrosspointWatch::Changes(const Model& m)
{
    const size_t count = std::min(static_cast<size_t>(std::max(m.NumDestinations, 0)), m.CrosspointMap.size());
    std::vector<int> changed;
    const size_t seenBefore = seen_.size();
    seen_.resize(count);
    for (size_t d = 0; d < count; ++d) {
        const CrosspointRecord& x = m.CrosspointMap[d];
        // An output turned off keeps its last source in the map; only the count says it is off.
        const std::optional<int> source = x.SourceCount == 0 ? std::nullopt : std::optional<int>(x.Sources[0]);
        if (d >= seenBefore || seen_[d] != source) {
            seen_[d] = source;
            changed.push_back(static_cast<int>(d));
        }
    }
    return changed;
}

void CrosspointWatch::SeeAll(const Model& m) { Changes(m); }
