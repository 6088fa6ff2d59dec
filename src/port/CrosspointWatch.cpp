#include "port/CrosspointWatch.h"

#include "model/Model.h"

#include <algorithm>
#include <limits>

namespace {

// What no destination's source ever is.
constexpr int Unseen = std::numeric_limits<int>::min();

}  // namespace

std::vector<int> CrosspointWatch::Changes(const Model& m)
{
    const size_t count = std::min(static_cast<size_t>(std::max(m.NumDestinations, 0)), m.CrosspointMap.size());
    std::vector<int> changed;
    seen_.resize(count, Unseen);
    for (size_t d = 0; d < count; ++d) {
        // An output turned off keeps its last source but holds none.
        const CrosspointRecord& r = m.CrosspointMap[d];
        const int source = r.SourceCount == 0 ? -1 : r.Sources[0];
        if (seen_[d] != source) {
            seen_[d] = source;
            changed.push_back(static_cast<int>(d));
        }
    }
    return changed;
}

void CrosspointWatch::SeeAll(const Model& m) { Changes(m); }
