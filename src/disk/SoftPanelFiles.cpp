#include "disk/SoftPanelFiles.h"

#include "core/Server.h"
#include "core/Trap.h"

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

void WriteStatusNdf(Server& s, unsigned char Value, bool OnlyIfExists)
{
    const fs::path file = s.cfg.AppPath + "Status.ndf";
    if (OnlyIfExists && !fs::exists(file))
        return;
    Trap(s, "Error Saving Status.ndf", "File Error", [&] {
        // Written in place so that a panel polling the file sees a stable size.
        std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
        if (!f.is_open())
            f.open(file, std::ios::out | std::ios::binary);
        if (!f.is_open())
            throw RuntimeError(75, "Path/File access error");
        f.seekp(0);
        f.put(static_cast<char>(Value));
    });
}

void DeleteNdfFiles(Server& s)
{
    Trap(s, "Error Deleting Files", "File Error", [&] {
        for (const char* name : {"alpha.ndf", "inhbt.ndf", "butns.ndf", "xptmap.ndf", "lalpha.ndf", "lxptmap.ndf",
                                 "linhbt.ndf", "lbutns.ndf"}) {
            std::error_code ec;
            fs::remove(s.cfg.AppPath + name, ec);
        }
    });
}
