#pragma once
// The protocol part of hvn-logitek-console: what a typed line sends and how
// a received message reads.
#include "platform/Bytes.h"

#include <optional>
#include <string>

// The bytes a command line sends (an empty line sends nothing), or none
// with Error saying why.
std::optional<Bytes> ConsoleCommand(const std::string& Line, std::string& Error);
// Removes and returns the next whole message of Buffer (a byte that starts
// none comes alone); empty while the message is still arriving.
Bytes NextMessage(Bytes& Buffer);
// One line: the bytes in hex, two spaces, a short reading.
std::string DescribeMessage(const Bytes& Message);
