#pragma once
// The JSON bodies of the requests that change something. Numbers arrive
// 1-based and leave 0-based; anything else is an error text for a 400.
#include "platform/Bytes.h"

#include <string>

// Larger bodies are refused unread.
constexpr size_t MaxJsonBody = 4096;

struct TakeRequest {
    int Destination = 0;
    int Source = 0;
};

// {"destination": d, "source": s}: d in 1..Destinations, s in 1..Sources,
// no other field. False with Error set otherwise.
bool ParseTake(const Bytes& Body, int Destinations, int Sources, TakeRequest& Take, std::string& Error);
// {"salvo": n}: n in 1..Salvos, no other field.
bool ParseSalvo(const Bytes& Body, int Salvos, int& Salvo, std::string& Error);
