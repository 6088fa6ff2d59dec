#pragma once
// Helm frames from clients: framing, keep-alive, login and passwords, and
// the handler of every command.
#include "core/Bytes.h"

#include <cstdint>

class Server;

constexpr size_t HelmBufferLimit = 750001;

// Decodes at most one frame from the buffer of client slot Index.
void DecodeHelmMessage(Server& s, int Index);
void ProcessLogin(Server& s, const Bytes& Frame, int Index);
void ReceivePassword(Server& s, const Bytes& Frame, int Index);
void SendPasswordRequest(Server& s, int Index);
// With an empty Frame, serves Mask (a polled client's pending requests) instead.
void ProcessInfoRequest(Server& s, const Bytes& Frame, int Index, int64_t Mask);
