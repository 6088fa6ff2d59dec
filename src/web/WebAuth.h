#pragma once
// Who may change something through the web port: the "Web Password",
// kept as a salted PBKDF2 hash, given as HTTP Basic credentials; without a
// password, only the machine itself.
#include "platform/Bytes.h"

#include <string>

// Iterations of PBKDF2-SHA-256 for a new hash: about a tenth of a second
// here, paid once per new credential (a match is remembered).
constexpr int WebPasswordIterations = 30000;
// After a wrong password, checks pause this long (each costs the iterations
// above on the one thread that serves everything).
constexpr int WebPasswordPauseMs = 1000;

// "pbkdf2-sha256$ITERATIONS$SALT$KEY", salt and key in base64.
std::string HashWebPassword(const std::string& Password, const Bytes& Salt, int Iterations = WebPasswordIterations);
// 16 random bytes from the system's generator.
Bytes NewPasswordSalt();
// Whether Password gives Stored's key; false for a Stored that is no hash.
bool WebPasswordMatches(const std::string& Stored, const std::string& Password);
// Whether Stored has the form HashWebPassword writes.
bool IsWebPasswordHash(const std::string& Stored);

// The password of an "Authorization: Basic" header value (any user name);
// false when the header is no Basic credential.
bool BasicPassword(const std::string& Authorization, std::string& Password);
// The peer is this machine (127.0.0.0/8, ::1, or either seen through IPv6).
bool IsLoopback(const std::string& Address);

// What a request that changes something gets past.
enum class WriteAccess { Allowed, NeedPassword, WrongPassword, Paused, LocalOnly };

// What the port remembers between requests: the last credential that matched
// (as a digest, never the password) and when the last check failed.
struct WebAuthState {
    Bytes Matched;
    long long LastFailureMs = -1;
};

// The rule: with a password stored, a request needs it (Basic, any user);
// without one, only loopback peers may change anything.
WriteAccess CheckWriteAccess(const std::string& Stored, const std::string& Authorization, const std::string& Peer,
                             WebAuthState& State, long long NowMs);
