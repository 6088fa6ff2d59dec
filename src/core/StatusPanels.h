#pragma once
// The lamps' timers and the clear button of the status display.
class Server;

void OnLedTick(Server& s);
// Also sends the table requests held back while the line was busy.
void OnLed2Tick(Server& s);
void cmdClearList_Click(Server& s);
