// The Orion family. Helm clients speak the Vela-shaped protocol, so every
// command is encoded here and every report is announced for the clients to
// rebuild in their own frames.
#include "model/Model.h"
#include "switcher/SwitcherFamily.h"
#include "switcher/orion/FromOrion.h"
#include "switcher/orion/ToOrion.h"

extern const SwitcherFamily OrionFamily;
const SwitcherFamily OrionFamily = {
    .Type = SwitcherType::Orion,
    .Decode = DecodeOrionMessage,
    .SendTake = [](Server& s, int Input, int Output, int& TakeType, int) { SendTakeOrion(s, Input, Output, TakeType); },
    .SendSalvoExecute = SendSalvoExecuteOrion,
    .RequestTables = SendInfoRequestOrion,
    .RequestConfiguration = SendConfigRequestOrion,
    .Poll = SendPollOrion,
    .SendAlphaTable = SendAlphaTableOrion,
    .SendAlphaEntry = SendSortTableOrion,
    .SendInhibitMap = SendInhibitMapOrion,
    .SendLinks = SendLinksOrion,
    .SendButtons = SendButtonsOrion,
    .SendSalvoCount = SendSalvoCountOrion,
    .SendSalvoEvents = SendSalvoEventsOrion,
    .SendState = SendStateOrion,
};
