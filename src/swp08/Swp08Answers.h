#pragma once
// What the server answers an SW-P-08 request from its model. Matrix 0, level 0
// is the switcher's crosspoint map; requests for any other matrix or level are
// acknowledged and otherwise ignored.
#include "model/Model.h"
#include "platform/Bytes.h"
#include "swp08/Swp08Messages.h"

#include <optional>
#include <vector>

namespace Swp08 {

// Matrix 0, level 0: the switcher's crosspoint map.
bool ForTheSwitcher(const Request& r);
// The current source of every destination the model holds, -1 where it is off.
std::vector<int> SourceMap(const Model& m);
// The source of Destination, -1 when it is off.
int SourceOf(const Model& m, int Destination);

// Replies (frame data) to a request, read from the model: tallies, dumps,
// names, the implementation list, the invalid message reply. A connect is
// answered by the connected message once the switcher reports the take.
std::vector<Bytes> Answer(const Model& m, const Request& r);

struct Take {
    int Destination = 0;
    int Source = 0;
};
// The take a connect asks for, when it is for the switcher and both numbers exist.
std::optional<Take> TakeOf(const Model& m, const Request& r);

}  // namespace Swp08
