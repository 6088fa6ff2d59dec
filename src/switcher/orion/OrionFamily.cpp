// The Orion family; a Lyra is served as an Orion. Its decoder and encoders
// are still to come: until then every dispatcher does nothing for it.
#include "model/Model.h"
#include "switcher/SwitcherFamily.h"

extern const SwitcherFamily OrionFamily;
const SwitcherFamily OrionFamily = {
    .Types = {TypeOrion, TypeLyra},
};
