#pragma once
// For ports whose clients must hear of every crosspoint change, whatever made
// it (a switcher report, a take from any client, a salvo, a demo echo, a
// whole map): rather than trusting each announcement to name what changed,
// the port asks the watch after every announcement that may touch the map,
// and the watch compares the model's map with what it saw last.
#include <vector>

struct Model;

class CrosspointWatch {
public:
    // The destinations (0-based) whose source, or being off, differs from what was seen last
    // (a destination not seen before counts as changed); they are seen now.
    std::vector<int> Changes(const Model& m);
    // Takes the map as it stands as seen, reporting nothing.
    void SeeAll(const Model& m);

private:
    std::vector<int> seen_;
};
