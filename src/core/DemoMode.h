#pragma once
// Demo mode: a complete synthetic switcher, so clients and soft panels can be
// tried without hardware.
class Server;

// Fills the model once at startup, after the tables were sized for the
// configured family. A failure leaves what was filled so far.
void LoadDemoData(Server& s);
