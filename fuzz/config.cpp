// A tcpserve.ini as an operator or an editor may have left it: read at
// startup, written back at exit and read again to the same settings.
#include "FuzzRig.h"

#include "disk/Configuration.h"

#include <filesystem>
#include <fstream>
#include <tuple>

namespace {

// What the file carries, as the running server holds it.
auto Settings(const Server& s)
{
    const Config& c = s.cfg;
    return std::tie(c.CommPort, c.BaudRate, c.HelmPort, c.EnableZoltPort, c.ZoltPort, c.EnableHvnPort, c.HvnPort,
                    c.EnableLogitekPort, c.LogitekPort, s.model.SwitcherType, c.StayOnTop, c.MaxListSize,
                    c.MaintainLogFile, c.MaintainErrorLog, c.RecordZolt, c.LogZolt, c.LogSwitcherErrors, c.LogGains,
                    c.DisplayGains, c.ArchiveLogFiles, c.MaxLogFileSize, c.ArchiveErrorFiles, c.MaxErrorLogSize,
                    c.ArchiveSwitcherErrors, c.MaxSwitcherErrorLogSize, c.MaintainNdf, c.HelmPassword, c.PanelPassword,
                    c.PassThru, c.StartInTaskBar, c.DemoMode, c.SerialDevice, c.WebPort, c.WebPassword);
}

void ReadFresh(TestRig& Rig)
{
    Rig.server.cfg = Config{};
    Rig.server.cfg.AppPath = FuzzFolder::Path();
    ReadConfiguration(Rig.server);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    const std::string path = FuzzFolder::Path() + "tcpserve.ini";
    for (const char* name : {"tcpserve.ini", "tcpserve.ini.bad", "tcpserve.ini.new", "Errorlog.txt"})
        std::filesystem::remove(FuzzFolder::Path() + name);
    std::ofstream(path, std::ios::binary) << AsBytes(Data, Size);

    TestRig first;
    ReadFresh(first);
    const Config& c = first.server.cfg;
    const SwitcherType type = first.server.model.SwitcherType;
    FUZZ_CHECK(c.CommPort >= 1 && c.HelmPort >= 1 && c.MaxListSize >= 1);
    FUZZ_CHECK(c.ZoltPort >= 0 && c.HvnPort >= 0 && c.LogitekPort >= 0);
    FUZZ_CHECK(type == SwitcherType::Vela || type == SwitcherType::Orion || type == SwitcherType::Draco ||
               type == SwitcherType::PassThru);
    FUZZ_CHECK(c.PassThru == (type == SwitcherType::PassThru));
    FUZZ_CHECK(!c.DemoMode || !c.MaintainLogFile);

    WriteConfiguration(first.server);
    TestRig second;
    ReadFresh(second);
    FUZZ_CHECK(Settings(first.server) == Settings(second.server));
    return 0;
}
