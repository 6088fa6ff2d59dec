#pragma once
// Files that network soft panels read.
class Server;

// Byte 0 of Status.ndf: 1 when the server's data is complete, else 0.
// With OnlyIfExists the file is not created.
void WriteStatusNdf(Server& s, unsigned char Value, bool OnlyIfExists);
// Removes every soft panel data file except Status.ndf.
void DeleteNdfFiles(Server& s);
