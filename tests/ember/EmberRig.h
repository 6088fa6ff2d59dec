#pragma once
// What the Ember+ tests and the fuzz target build their inputs and read their
// outputs with.
#include "ember/EmberSession.h"

#include <stdexcept>
#include <vector>

// A command (GetDirectory, Subscribe, ...) sent to the element at Path, the
// way consumers send it: inside the element, qualified.
inline GlowElement CommandOn(const GlowPath& Path, int64_t Command, GlowType Type = GlowType::Node)
{
    GlowElement command;
    command.Type = GlowType::Command;
    command.Command = Command;
    GlowElement e;
    e.Type = Type;
    e.Qualified = true;
    e.Path = Path;
    e.Children = std::vector<GlowElement>{command};
    return e;
}

// A Vela of the given size with nothing routed.
inline Model SmallVela(int Destinations, int Sources)
{
    Model m;
    m.SwitcherType = SwitcherType::Vela;
    m.NumDestinations = Destinations;
    m.NumSources = Sources;
    ResizeVelaTables(m);
    return m;
}

// The Glow elements of the framed messages in Stream; a message that does not
// read as Glow throws.
inline std::vector<GlowElement> ElementsIn(const Bytes& Stream)
{
    EmberConsumer reader;
    std::vector<GlowElement> all;
    for (const Bytes& message : ReadEmberInput(reader, Stream).Messages) {
        std::vector<GlowElement> e;
        if (!DecodeGlow(message, e))
            throw std::runtime_error("not Glow");
        all.insert(all.end(), e.begin(), e.end());
    }
    return all;
}
