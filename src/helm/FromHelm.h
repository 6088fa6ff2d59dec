#pragma once
// Helm frames from clients: framing, keep-alive, login and passwords, and
// the handler of every command.
#include "model/SwitcherType.h"
#include "platform/Bytes.h"

#include <cstdint>

class Server;

constexpr size_t HelmBufferLimit = 750001;
// Notice codes a client sends (A4).
constexpr int NoticeUnsupervised = 100;
constexpr int NoticeSupervised = 110;
constexpr int NoticePolledUpdates = 120;
// The info request bits that exist: 0 to 30.
constexpr int64_t InfoRequestMaskBits = 0x7FFFFFFF;
// The full refresh a Helm PC asks for.
constexpr int64_t FullRefreshMask = 80183548;

// Decodes at most one frame from the buffer of client slot Index.
void DecodeHelmMessage(Server& s, int Index);
void ProcessLogin(Server& s, const Bytes& Frame, int Index);
void ReceivePassword(Server& s, const Bytes& Frame, int Index);
void SendPasswordRequest(Server& s, int Index);
// With an empty Frame, serves Mask (a polled client's pending requests) instead.
void ProcessInfoRequest(Server& s, const Bytes& Frame, int Index, int64_t Mask);

// A take command as it goes to the switcher dispatcher: on every family but
// Vela bit 10 of the take type (1024) is dropped.
struct TakeCommand {
    int TakeType = 0;
    int Input = 0;
    int Output = 0;
};
// Frame is a 9- or 11-byte take frame.
TakeCommand ReadTakeCommand(const Bytes& Frame, SwitcherType Type);

// Commands and requests (Frame is the whole frame, command byte to FF).
void ProcessHelmTake(Server& s, const Bytes& Frame, int Index);
void ProcessHelmSalvoExecute(Server& s, const Bytes& Frame, int Index);
void ProcessHelmNotice(Server& s, const Bytes& Frame, int Index);
void ProcessHelmModuleUpgrade(Server& s, const Bytes& Frame, int Index);
void ProcessHelmSerialMessage(Server& s, const Bytes& Frame, int Index);
void ProcessHelmIcomChannel(Server& s, const Bytes& Frame, int Index);

// Uploads: a Vela gets the frame itself; the other families get the model
// changed and their dispatcher called.
void ProcessHelmCrosspointMap(Server& s, const Bytes& Frame, int Index);
void ProcessHelmAlphaTable(Server& s, const Bytes& Frame, int Index);
void ProcessHelmInhibitMap(Server& s, const Bytes& Frame, int Index);
void ProcessHelmLinks(Server& s, const Bytes& Frame, int Index);
void ProcessHelmTemplateTable(Server& s, const Bytes& Frame, int Index);
void ProcessHelmButtonData(Server& s, const Bytes& Frame, int Index);
void ProcessHelmSalvoEvents(Server& s, const Bytes& Frame, int Index);
void ProcessHelmState(Server& s, const Bytes& Frame, int Index);
void ProcessHelmConfig(Server& s, const Bytes& Frame, int Index);
void ProcessHelmGain(Server& s, const Bytes& Frame, int Index);
void ProcessHelmGainOffset(Server& s, const Bytes& Frame, int Index);
void ProcessHelmClock(Server& s, const Bytes& Frame, int Index);
void ProcessHelmClockConfig(Server& s, const Bytes& Frame, int Index);
void ProcessHelmDisplayList(Server& s, const Bytes& Frame, int Index);
void ProcessHelmRelayConfig(Server& s, const Bytes& Frame, int Index);
void ProcessHelmTransitionControl(Server& s, const Bytes& Frame, int Index);
