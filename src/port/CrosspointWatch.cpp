#include "port/CrosspointWatch.h"

#include "model/Model.h"

#include <algorithm>

std::vector<int> CrosspointWatch::Changes(const Model& m)
{
    const size_t count = std::min(static_cast<size_t>(std::max(m.NumDestinations, 0)), m.CrosspointMap.size());
    std::vector<int> changed;
    // A destination never seen compares unequal to every source.
    seen_.resize(count, -1);
    for (size_t d = 0; d < count; ++d) {
        const int source = m.CrosspointMap[d].Sources[0];
        if (seen_[d] != source) {
            seen_[d] = source;
            changed.push_back(static_cast<int>(d));
        }
    }
    return changed;
}

void CrosspointWatch::SeeAll(const Model& m) { Changes(m); }
