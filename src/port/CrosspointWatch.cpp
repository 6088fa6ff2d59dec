#include "port/CrosspointWatch.h"

#include "model/Model.h"

#include <algorithm>
#include <limits>

namespace {

// An output that is off keeps its last source in the record; it reads as -1,
// so that turning it off, and routing that source again, are changes.
int SourceNow(const CrosspointRecord& x) { return x.SourceCount == 0 ? -1 : x.Sources[0]; }

// What a destination never seen holds: unequal to every source and to off.
constexpr int NeverSeen = std::numeric_limits<int>::min();

}  // namespace

std::vector<int> CrosspointWatch::Changes(const Model& m)
{
    const size_t count = std::min(static_cast<size_t>(std::max(m.NumDestinations, 0)), m.CrosspointMap.size());
    std::vector<int> changed;
    seen_.resize(count, NeverSeen);
    for (size_t d = 0; d < count; ++d) {
        const int source = SourceNow(m.CrosspointMap[d]);
        if (seen_[d] != source) {
            seen_[d] = source;
            changed.push_back(static_cast<int>(d));
        }
    }
    return changed;
}

void CrosspointWatch::SeeAll(const Model& m) { Changes(m); }
