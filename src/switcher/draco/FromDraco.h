#pragma once
// Frames a Draco switcher reports: the decoder that cuts them out of the
// serial buffer, and one handler per report. Every handler takes the whole
// frame, command byte to FF, checks its length and check byte before it
// changes anything, and skips any number outside the 32 x 32 switcher.
#include "platform/Bytes.h"

class Server;

// Consumes at most one frame of SerialBuffer, plus the bytes it throws away;
// then lets queued commands go when no table transfer is left.
void DecodeDracoMessage(Server& s);

void DracoTake(Server& s, const Bytes& Frame);
void DracoCrosspointMap(Server& s, const Bytes& Frame);
// FC (sources) and FB (destinations).
void DracoAlphas(Server& s, const Bytes& Frame);
void DracoLinks(Server& s, const Bytes& Frame);
void DracoButtons(Server& s, const Bytes& Frame);
void DracoInhibits(Server& s, const Bytes& Frame);
void DracoPortMap(Server& s, const Bytes& Frame);
void DracoSalvoCount(Server& s, const Bytes& Frame);
void DracoSalvoAlphas(Server& s, const Bytes& Frame);
// Mode 0: EB, events from index 0; Mode 1: EA, events from index 500.
void DracoSalvoEvents(Server& s, const Bytes& Frame, int Mode);
