// tools/check-layers.sh on the real tree and on scratch copies with one
// planted violation each.
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

struct ScriptRun {
    int status = -1;
    std::string output;
};

ScriptRun CheckLayers(const std::string& Src)
{
    const std::string command = std::string("'") + HVN_SOURCE_DIR + "/tools/check-layers.sh' '" + Src + "' 2>&1";
    ScriptRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return run;
    std::array<char, 512> buffer{};
    while (fgets(buffer.data(), static_cast<int>(buffer.size()), pipe) != nullptr)
        run.output += buffer.data();
    run.status = pclose(pipe);
    return run;
}

// A copy of src/ with Line appended to File.
ScriptRun CheckPlanted(const std::string& File, const std::string& Line)
{
    TempDir dir;
    const std::filesystem::path src = std::filesystem::path(dir.app()) / "src";
    std::filesystem::copy(std::string(HVN_SOURCE_DIR) + "/src", src, std::filesystem::copy_options::recursive);
    std::ofstream(src / File, std::ios::app) << Line << "\n";
    return CheckLayers(src.string());
}

}  // namespace

TEST(CheckLayers, PassesOnTheTreeAndNamesEveryPlantedViolation)
{
    const ScriptRun clean = CheckLayers(std::string(HVN_SOURCE_DIR) + "/src");
    EXPECT_EQ(clean.status, 0) << clean.output;

    const ScriptRun upward = CheckPlanted("model/Model.cpp", "#include \"helm/ToHelm.h\"");
    EXPECT_NE(upward.status, 0);
    EXPECT_NE(upward.output.find("model/Model.cpp includes \"helm/ToHelm.h\" from a higher layer"), std::string::npos)
        << upward.output;

    const ScriptRun family = CheckPlanted("zolt/ZoltTakes.cpp", "  #  include \"switcher/vela/ToVela.h\"");
    EXPECT_NE(family.status, 0);
    EXPECT_NE(family.output.find("zolt/ZoltTakes.cpp includes \"switcher/vela/ToVela.h\""), std::string::npos)
        << family.output;
}
