// The Vela family: its frames are the Helm protocol's own, so Helm commands
// and uploads go to it unchanged and its reports go to the clients as they stand.
#include "model/Model.h"
#include "switcher/SwitcherFamily.h"
#include "switcher/vela/FromVela.h"
#include "switcher/vela/ToVela.h"

extern const SwitcherFamily VelaFamily;
const SwitcherFamily VelaFamily = {
    .Type = SwitcherType::Vela,
    .Decode = DecodeVelaMessage,
    .SendTake = SendTakeVela,
    .SendSalvoExecute = SendSalvoExecuteVela,
    .RequestTables = SendInfoRequestVela,
    .RequestConfiguration = [](Server& s) { SendInfoRequestVela(s, UpdateBit::SystemInfo, NoneValue, 0); },
    .Poll = SendPollVela,
    .SendLink = SendLinksVela,
    .SendGain = SendGainVela,
    .SendTransitionControl = SendTransitionControlVela,
    .HelmFramesPassUnchanged = true,
    .TurnOffTakes = true,
    .ConsoleGainAndLinkCommands = true,
};
