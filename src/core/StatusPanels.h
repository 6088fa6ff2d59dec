#pragma once
// The lamps' timers and the clear button of the status display.
class Server;

void tmrLed_Timer(Server& s);
// Also sends the table requests held back while the line was busy.
void tmrLed2_Timer(Server& s);
void cmdClearList_Click(Server& s);
