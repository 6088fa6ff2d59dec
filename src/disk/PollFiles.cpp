#include "disk/PollFiles.h"

#include "disk/Trap.h"
#include "model/Server.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

// The numbers of a poll file are unsigned, one byte or 16 bits each; false
// when the file is too short to hold both.
bool ParsePollFile(const Bytes& data, PollFile kind, int& source, int& destination)
{
    if (kind == PollFile::ByteNumbers) {
        if (data.size() < 2)
            return false;
        source = ByteAt(data, 0);
        destination = ByteAt(data, 1);
    } else {
        if (data.size() < 4)
            return false;
        source = ByteAt(data, 0) | ByteAt(data, 1) << 8;
        destination = ByteAt(data, 2) | ByteAt(data, 3) << 8;
    }
    return true;
}

}  // namespace

const char* PollFileName(PollFile File) { return File == PollFile::ByteNumbers ? "xpt00001.wcf" : "xpt00002.wcf"; }

std::optional<SoftPanelTake> ReadSoftPanelTake(Server& s, PollFile File, bool TurnOffAllowed)
{
    const fs::path file = s.cfg.AppPath + PollFileName(File);
    if (!fs::exists(file))
        return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    const Bytes data(std::istreambuf_iterator<char>(in), {});
    const bool readable = in.is_open() && !in.bad();
    in.close();
    // Gone before anything is checked, so that a bad file never blocks the next one.
    fs::remove(file);
    if (!readable)
        throw RuntimeError(75, "Path/File access error");
    SoftPanelTake take;
    if (!ParsePollFile(data, File, take.Source, take.Destination))
        throw RuntimeError(62, "Input past end of file");
    const Model& m = s.model;
    take.TurnOff = TurnOffAllowed && take.Source == m.NumSources;
    if (take.Destination >= m.NumDestinations || (take.Source >= m.NumSources && !take.TurnOff))
        throw RuntimeError(9, "Subscript out of range");
    return take;
}
