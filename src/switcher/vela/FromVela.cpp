#include "switcher/vela/FromVela.h"

#include "disk/Logs.h"
#include "disk/StatusDisplay.h"
#include "disk/Trap.h"
#include "model/ByteManipulation.h"
#include "model/ControlBytes.h"
#include "model/Server.h"
#include "switcher/SerialLink.h"
#include "switcher/vela/FromVelaShared.h"
#include "switcher/vela/ToVela.h"

#include <algorithm>

namespace {

void Dispatch(Server& s, unsigned char Command, const Bytes& Frame)
{
    switch (Command) {
    case 0xFE: ProcessVelaTake(s, Frame); break;
    case 0xF6: ProcessVelaCrosspointMap(s, Frame); break;
    case 0xE1: ProcessVelaState(s, Frame); break;
    case 0xFC: ProcessVelaAlphaTable(s, Frame); break;
    case 0xF8: ProcessVelaInhibitMap(s, Frame); break;
    case 0xFA: ProcessVelaLinks(s, Frame); break;
    case 0xF2: ProcessVelaInfoRequest(s, Frame); break;
    case 0xFD: ProcessVelaButtons(s, Frame); break;
    case 0xEB: ProcessVelaSalvoEvents(s, Frame); break;
    case 0xE5: ProcessVelaVersion(s, Frame); break;
    case 0xE4: ProcessVelaDescription(s, Frame); break;
    case 0xF0: ProcessVelaStatus(s, Frame); break;
    case 0xE2: ProcessVelaConfig(s, Frame); break;
    case 0xE3: ProcessVelaGain(s, Frame); break;
    case 0xB0: ProcessVelaError(s, Frame); break;
    case 0xED: ProcessVelaClock(s, Frame); break;
    case 0xDF: ProcessVelaDisplayLists(s, Frame); break;
    case 0xEE: ProcessVelaGainOffset(s, Frame); break;
    case 0xF7: ProcessVelaRelayOptoState(s, Frame); break;
    case 0xF9: ProcessVelaRelayConfig(s, Frame); break;
    case 0xA5: ProcessVelaModuleUpgrade(s, Frame); break;
    case 0xEF: ProcessVelaClockConfig(s, Frame); break;
    case 0xDE: ProcessVelaIcomChannel(s, Frame); break;
    case 0xD2: ProcessVelaTransitionControl(s, Frame); break;
    case 0xD3:
        // Passed on unchanged, but only whole: a frame without its check
        // byte, or with a wrong one, would reach every client as it is.
        if (ChecksumMatches(Frame))
            s.reports().PassThrough(s, Frame);
        else
            LogSoftwareError(s, "Vela Check Sum Error", 0, "Switcher");
        break;
    case 0xFB:
    case 0xEA: break;  // accepted, nothing to keep
    default: LogSoftwareError(s, "Unknown Command " + HexText(Command), 0, "Switcher"); break;
    }
}

// F4 answers the keep-alive poll; F5 and a lone FF carry nothing.
bool VelaSingleByte(Server& s, unsigned char Byte)
{
    if (Byte == ControlByte::Acknowledge) {
        s.reports().SwitcherConnected(s, true);
        s.ModuleUpgradeActive = false;
        return true;
    }
    return Byte == ControlByte::KeepAlivePoll || Byte == ControlByte::EndOfMessage;
}

}  // namespace

void DecodeVelaMessage(Server& s)
{
    if (SerialBufferOverflowed(s))
        return;
    Trap(s, "Error Decoding Message", "Vela Command Error", [&] {
        const Bytes frame = CutSwitcherFrame(s, VelaSingleByte);
        if (frame.empty())
            return;
        s.SwitcherRequest.Countdown = s.model.PollReload;
        Dispatch(s, ByteAt(frame, 0), frame);
    });
}

void LogVelaMessage(Server& s, const std::string& Text) { LogSerialMessage(s, Text, s.cfg.CommPort); }

bool VelaChecksumOk(Server& s, const Bytes& Frame, const char* Text, const std::string& Location, int64_t AskAgain)
{
    if (ChecksumMatches(Frame))
        return true;
    LogSoftwareError(s, Text, 0, Location);
    if (AskAgain && (s.model.UpdateFlags & AskAgain))
        SendInfoRequestVela(s, AskAgain, NoneValue, 0);
    return false;
}

bool CheckAndForward(Server& s, const Bytes& Frame, const std::string& Location, int64_t UpdateBit, int64_t PendingBit,
                     const char* ChecksumText, bool AlsoConsoles)
{
    if (Frame.empty() || !VelaChecksumOk(s, Frame, ChecksumText, Location, UpdateBit))
        return false;
    s.reports().ForwardFrame(s, Frame, AlsoConsoles ? FrameAudience::HelmPCsAndConsoles : FrameAudience::HelmPCs, 0,
                             PendingBit);
    return true;
}

void Finish(Server& s, int64_t Bit, const std::string& Text)
{
    s.model.UpdateFlags &= ~Bit;
    LogVelaMessage(s, Text);
}

bool ConfigurationKnown(const Model& m) { return !m.SwitcherConfig.empty() && m.SwitcherConfig[0].Cards[0].Count != 0; }

uint8_t* StoredTreeValue(Model& m, TreeValue Which, int Level, int Frame, int Card, int Port, int Channel)
{
    return Level < 4 || Channel < MaxStoredChannels ? ConfigTreeValue(m, Which, Level, Frame, Card, Port, Channel)
                                                    : nullptr;
}

void DeferRequest(Server& s, int64_t Mask)
{
    s.model.DeferredRequestFlags = Mask;
    s.timers.restart(TimerId::Led2, LedIntervalMs);
}
