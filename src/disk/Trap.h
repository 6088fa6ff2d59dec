#pragma once
// The error trap every procedure installs: a run-time error becomes one line
// in the software error log and the procedure returns.
#include <stdexcept>
#include <string>

class Server;

// A run-time error with its number and description, as the error log shows it.
struct RuntimeError : std::runtime_error {
    RuntimeError(int number, const std::string& description) : std::runtime_error(description), Number(number) {}
    int Number;
};

void LogTrappedError(Server& s, const std::string& Message, const std::string& Location, int Number,
                     const std::string& Description);
// Logs the exception under Message and Location.
void LogException(Server& s, const std::string& Message, const std::string& Location, const std::exception& e);

// Runs Body; a run-time error is logged under Message and Location. Returns
// false when the body was cut short by an error.
template <class F>
bool Trap(Server& s, const std::string& Message, const std::string& Location, F&& Body)
{
    try {
        Body();
        return true;
    } catch (const std::exception& e) {
        LogException(s, Message, Location, e);
        return false;
    }
}
