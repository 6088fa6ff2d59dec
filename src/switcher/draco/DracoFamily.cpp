// The Draco family. Its decoder and encoders are still to come: until then
// every dispatcher does nothing for it.
#include "model/Model.h"
#include "switcher/SwitcherFamily.h"

extern const SwitcherFamily DracoFamily;
const SwitcherFamily DracoFamily = {
    .Types = {TypeDraco, 0},
};
