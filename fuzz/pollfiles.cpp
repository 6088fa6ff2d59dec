// A soft panel's poll file. The first byte picks the file (bit 0: the one
// with 16-bit numbers), the family (bits 1-2: Vela, Orion, Draco,
// pass-through) and demo mode (bit 3); the rest is the file.
#include "FuzzRig.h"

#include "disk/PollFiles.h"

#include <filesystem>
#include <fstream>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    if (Size == 0)
        return 0;
    const uint8_t mode = Data[0];
    FuzzRig rig(FamilyFromMode(static_cast<uint8_t>(mode >> 1)), DemoFromMode(static_cast<uint8_t>(mode >> 1)));
    rig.server.cfg.MaintainNdf = true;
    rig.ConnectHelm(HelmPcClientType);
    const PollFile file = (mode & 1) ? PollFile::WordNumbers : PollFile::ByteNumbers;
    const std::string path = rig.server.cfg.AppPath + PollFileName(file);
    std::ofstream(path, std::ios::binary) << AsBytes(Data + 1, Size - 1);
    rig.server.onTimer(TimerId::Poll);
    // A poll file is used once, whatever it held.
    FUZZ_CHECK(!std::filesystem::exists(path));
    CheckAll(rig);
    return 0;
}
