#include "disk/Trap.h"

#include <filesystem>
#include <ios>
#include <new>

void LogException(Server& s, const std::string& Message, const std::string& Location, const std::exception& e)
{
    // Error numbers and descriptions in the form operators know from the log.
    if (const auto* r = dynamic_cast<const RuntimeError*>(&e))
        LogTrappedError(s, Message, Location, r->Number, r->what());
    else if (dynamic_cast<const std::out_of_range*>(&e) || dynamic_cast<const std::length_error*>(&e))
        LogTrappedError(s, Message, Location, 9, "Subscript out of range");
    else if (dynamic_cast<const std::bad_alloc*>(&e))
        LogTrappedError(s, Message, Location, 7, "Out of memory");
    else if (dynamic_cast<const std::filesystem::filesystem_error*>(&e) ||
             dynamic_cast<const std::ios_base::failure*>(&e))
        LogTrappedError(s, Message, Location, 75, "Path/File access error");
    else
        LogTrappedError(s, Message, Location, 5, e.what());
}
