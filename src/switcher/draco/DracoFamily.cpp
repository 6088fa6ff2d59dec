// The Draco family: its own frames, encoded from the model; every command
// frame waits its turn in the command queue.
#include "model/Model.h"
#include "switcher/SwitcherFamily.h"
#include "switcher/draco/DracoQueue.h"
#include "switcher/draco/FromDraco.h"
#include "switcher/draco/ToDraco.h"

extern const SwitcherFamily DracoFamily;
const SwitcherFamily DracoFamily = {
    .Type = SwitcherType::Draco,
    .Decode = DecodeDracoMessage,
    .SendTake = [](Server& s, int Input, int Output, int& TakeType, int) { SendTakeDraco(s, Input, Output, TakeType); },
    .SendSalvoExecute = SendSalvoExecuteDraco,
    .RequestTables = SendInfoRequestDraco,
    .RequestConfiguration = RequestConfigurationDraco,
    .Poll = SendPollDraco,
    .SendAlphaTable = SendAlphaTableDraco,
    .SendAlphaEntry = SendSortTableDraco,
    .SendInhibitMap = SendInhibitMapDraco,
    .SendLinks = SendLinksDraco,
    .SendButtons = SendButtonsDraco,
    .SendSalvoCount = SendSalvoCountDraco,
    .SendSalvoEvents = SendSalvoEventsDraco,
    .SendState = SendPortMapDraco,
    .ReleaseCommands = ReleaseDracoQueue,
    .CrosspointMapToEveryClient = true,
};
