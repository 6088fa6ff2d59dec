#include "disk/Configuration.h"

#include "disk/Logs.h"
#include "disk/Trap.h"
#include "model/Server.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <system_error>
#include <utility>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr const char* IniName = "tcpserve.ini";
constexpr const char* NewIniName = "tcpserve.ini.new";
constexpr const char* SectionName = "configuration";
constexpr const char* ReadError = "Error Reading tcpserve.ini file";
constexpr const char* WriteError = "Error Writing tcpserve.ini file";

// What a character code that cannot be stored is reported as.
constexpr int InvalidArgument = 5;
constexpr const char* InvalidArgumentText = "Invalid procedure call or argument";

// Value ranges of the file's Integer (16-bit) and Long (32-bit) keys.
constexpr long IntegerMin = -32768, IntegerMax = 32767;
constexpr long LongMin = -2147483647L - 1, LongMax = 2147483647L;

// Key (lower case, as profile lookups ignore case) -> value.
using Profile = std::map<std::string, std::string>;

std::string Lower(std::string Text)
{
    for (char& ch : Text)
        if (ch >= 'A' && ch <= 'Z')
            ch = static_cast<char>(ch - 'A' + 'a');
    return Text;
}

bool IsBlank(char ch) { return ch == ' ' || ch == '\t'; }

std::string Trim(const std::string& Text)
{
    size_t first = 0, last = Text.size();
    while (first < last && IsBlank(Text[first]))
        ++first;
    while (last > first && IsBlank(Text[last - 1]))
        --last;
    return Text.substr(first, last - first);
}

// Keys of the CONFIGURATION section; the first occurrence of a key wins.
Profile ParseProfile(const std::string& Text)
{
    Profile p;
    bool inSection = false;
    // A CR ends a line as LF does, alone or not: the file is never written
    // with one inside a value, so none may be read into one.
    std::string text = Text;
    std::replace(text.begin(), text.end(), '\r', '\n');
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const std::string t = Trim(line);
        if (t.empty() || t.front() == ';')
            continue;
        if (t.front() == '[') {
            const size_t close = t.find(']');
            inSection = close != std::string::npos && Lower(Trim(t.substr(1, close - 1))) == SectionName;
            continue;
        }
        const size_t eq = t.find('=');
        if (!inSection || eq == std::string::npos)
            continue;
        std::string value = Trim(t.substr(eq + 1));
        // Quotes keep leading and trailing blanks; they are not part of the value.
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        p.emplace(Lower(Trim(t.substr(0, eq))), value);
    }
    return p;
}

std::string Quoted(const std::string& Value)
{
    if (!Value.empty() &&
        (IsBlank(Value.front()) || IsBlank(Value.back()) || Value.front() == '"' || Value.back() == '"'))
        return '"' + Value + '"';
    return Value;
}

std::string ReadWholeFile(const std::string& Path)
{
    std::ifstream in;
    in.exceptions(std::ios::badbit | std::ios::failbit);
    in.open(Path, std::ios::binary);
    in.exceptions(std::ios::badbit);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The settings of a server without a configuration file, as the file would say them.
Profile DefaultProfile()
{
    return {{"serial port", "1"},          {"baud rate", "57600"},        {"tcp/ip port", "1250"},
            {"max list size", "25"},       {"switcher type", "Orion"},    {"stay on top", "Yes"},
            {"maintain log file", "Yes"},  {"maintain error log", "Yes"}, {"display gains", "Yes"},
            {"log switcher errors", "Yes"}};
}

const std::string& Get(const Profile& p, const char* Key)
{
    static const std::string none;
    const auto it = p.find(Lower(Key));
    return it == p.end() ? none : it->second;
}

// Leading-number value of Text (blanks, sign, digits; 0 when it does not start
// with a number), or nothing when it does not fit Lo..Hi.
std::optional<long> ValIn(const std::string& Text, long Lo, long Hi)
{
    size_t i = 0;
    while (i < Text.size() && IsBlank(Text[i]))
        ++i;
    bool negative = false;
    if (i < Text.size() && (Text[i] == '+' || Text[i] == '-'))
        negative = Text[i++] == '-';
    long long magnitude = 0;
    for (; i < Text.size() && Text[i] >= '0' && Text[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (Text[i] - '0');
        if (magnitude > LongMax + 1LL)
            return std::nullopt;
    }
    const long long value = negative ? -magnitude : magnitude;
    if (value < Lo || value > Hi)
        return std::nullopt;
    return static_cast<long>(value);
}

int SwitcherTypeOf(const std::string& Text)
{
    if (Text == "Lyra")
        return TypeLyra;
    if (Text == "Draco")
        return TypeDraco;
    if (Text == "Vela")
        return TypeVela;
    if (Text == "PassThru")
        return TypePassThru;
    return TypeOrion;
}

const char* SwitcherText(int Type)
{
    switch (Type) {
    case TypeVela: return "Vela";
    case TypeLyra: return "Lyra";
    case TypePassThru: return "PassThru";
    case TypeDraco: return "Draco";
    default: return "Orion";
    }
}

const char* YesNo(bool Flag) { return Flag ? "Yes" : "No"; }

// Adds Step times the (1-based) position to every character code.
std::optional<std::string> Shifted(const std::string& Text, int Step, bool ForFile)
{
    std::string out = Text;
    for (size_t i = 0; i < out.size(); ++i) {
        const long code = static_cast<unsigned char>(out[i]) + Step * static_cast<long>(i + 1);
        if (code < 0 || code > 255 || (ForFile && (code == '\n' || code == '\r')))
            return std::nullopt;
        out[i] = static_cast<char>(code);
    }
    return out;
}

// Copy of an unreadable file, kept for the operator before the exit rewrites it.
void KeepBadCopy(const std::string& Path)
{
    std::error_code ec;
    fs::copy_file(Path, Path + ".bad", fs::copy_options::overwrite_existing, ec);
}

[[noreturn]] void ThrowFileError(const std::string& Path, int Errno)
{
    throw fs::filesystem_error("cannot write", Path, std::error_code(Errno, std::generic_category()));
}

// Writes Text to Path and makes sure it reached the disk; on failure removes
// what was written and throws.
void WriteWholeFile(const std::string& Path, const std::string& Text)
{
    std::FILE* f = std::fopen(Path.c_str(), "wb");
    if (!f)
        ThrowFileError(Path, errno);
    bool ok =
        std::fwrite(Text.data(), 1, Text.size(), f) == Text.size() && std::fflush(f) == 0 && fsync(fileno(f)) == 0;
    int err = errno;
    if (std::fclose(f) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        std::error_code ignored;
        fs::remove(Path, ignored);
        ThrowFileError(Path, err);
    }
}

// Writes Text to a new file beside Path and renames it over Path, so the old
// settings survive a full disk or a crash halfway.
void ReplaceFile(const std::string& Path, const std::string& Text)
{
    const std::string fresh = Path + ".new";
    WriteWholeFile(fresh, Text);
    std::error_code ec;
    fs::rename(fresh, Path, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(fresh, ignored);
        ThrowFileError(Path, ec.value());
    }
}

}  // namespace

std::optional<std::string> ShiftHelmPassword(const std::string& Plain) { return Shifted(Plain, 1, true); }
std::optional<std::string> UnshiftHelmPassword(const std::string& Stored) { return Shifted(Stored, -1, false); }
std::optional<std::string> ShiftPanelPassword(const std::string& Plain) { return Shifted(Plain, -1, true); }
std::optional<std::string> UnshiftPanelPassword(const std::string& Stored) { return Shifted(Stored, 1, false); }

void ReadConfiguration(Server& s)
{
    Config& c = s.cfg;
    c.PasswordTries = 3;
    c.PasswordTimeout = 30;
    c.PasswordLimit = 200;

    const std::string path = c.AppPath + IniName;
    Profile p = DefaultProfile();
    std::error_code ec;
    const bool present = fs::exists(path, ec);
    if (present || ec) {
        // Never deleted: what cannot be read takes its default, and the file is kept aside.
        c.ConfigurationUnreadable = !Trap(s, ReadError, "File Error", [&] { p = ParseProfile(ReadWholeFile(path)); });
        if (c.ConfigurationUnreadable) {
            KeepBadCopy(path);
            const std::string said = std::string("Running on default settings; ") + IniName +
                                     " is kept as it is and the settings are saved to " + NewIniName;
            LogSoftwareError(s, said, 0, "File Error");
            std::fprintf(stderr, "%s: %s: %s\n", path.c_str(), ReadError, said.c_str());
        }
    }

    const auto commPort = ValIn(Get(p, "Serial Port"), IntegerMin, IntegerMax);
    c.CommPort = commPort && *commPort > 0 ? static_cast<int>(*commPort) : 1;
    c.BaudRate = Get(p, "Baud Rate").empty() ? "57600" : Get(p, "Baud Rate");
    const auto helmPort = ValIn(Get(p, "TCP/IP Port"), LongMin, LongMax);
    c.HelmPort = helmPort && *helmPort > 0 ? *helmPort : 1250;
    const auto consolePort = [&](const char* Key) {
        const auto v = ValIn(Get(p, Key), LongMin, LongMax);
        return v && *v >= 0 ? *v : 1200L;
    };
    c.ZoltPort = consolePort("Console IP Port");
    c.HvnPort = consolePort("HVN IP Port");
    c.LogitekPort = consolePort("Logitek IP Port");
    const std::string switcherText = Get(p, "Switcher Type");
    c.StayOnTop = Lower(Get(p, "Stay On Top")) == "yes" ? StayOnTopYes : StayOnTopNo;
    const auto listSize = ValIn(Get(p, "Max List Size"), IntegerMin, IntegerMax);
    c.MaxListSize = listSize && *listSize > 0 ? static_cast<int>(*listSize) : 25;

    const auto unlessNo = [&](const char* Key) { return Get(p, Key) != "No"; };
    const auto onlyYes = [&](const char* Key) { return Get(p, Key) == "Yes"; };
    const auto limit = [&](const char* Key) { return ValIn(Get(p, Key), LongMin, LongMax).value_or(0); };
    c.MaintainLogFile = unlessNo("Maintain Log File");
    c.MaintainErrorLog = unlessNo("Maintain Error Log");
    c.RecordZolt = onlyYes("Record Zolt");
    c.LogZolt = onlyYes("Log Zolt");
    c.LogSwitcherErrors = unlessNo("Log Switcher Errors");
    c.LogGains = onlyYes("Log Gains");
    c.DisplayGains = unlessNo("Display Gains");
    c.ArchiveLogFiles = onlyYes("Archive Log Files");
    c.MaxLogFileSize = limit("Maximum Log File Size");
    c.ArchiveErrorFiles = onlyYes("Archive Error Files");
    c.MaxErrorLogSize = limit("Maximum Error Log");
    c.ArchiveSwitcherErrors = onlyYes("Archive Switcher Error");
    c.MaxSwitcherErrorLogSize = limit("Maximum Switcher Error Log");
    c.MaintainNdf = onlyYes("Maintain ndf");
    c.PassThru = onlyYes("Pass Thru");
    c.StartInTaskBar = onlyYes("Start in Task Bar");
    c.DemoMode = onlyYes("Demo Mode");
    c.SerialDevice = Get(p, "Serial Device");
    c.ListenAddress = Get(p, "Listen Address");
    c.AllowedClients = Get(p, "Allowed Clients");
    c.MaxClients = std::max(0L, limit("Max Clients"));
    const auto webPort = ValIn(Get(p, "Web IP Port"), LongMin, LongMax);
    c.WebPort = !webPort ? 0 : *webPort < 0 ? DefaultWebPort : *webPort;
    c.WebPassword = Get(p, "Web Password");

    c.EnableZoltPort = c.ZoltPort > 0;
    c.EnableHvnPort = c.HvnPort > 0;
    c.EnableLogitekPort = c.LogitekPort > 0;

    s.display.setStatusPanel(3, c.MaintainNdf ? "Soft Panel Support: ON " : "Soft Panel Support: OFF ");
    s.display.setStatusPanel(2, c.MaintainLogFile ? "Log File: ON" : "Log File: OFF");
    if (c.DemoMode) {
        s.display.setStatusPanel(2, "DEMO MODE");
        c.MaintainLogFile = false;
    }

    const auto password = [&](std::optional<std::string> Plain) {
        if (Plain)
            return *Plain;
        LogTrappedError(s, ReadError, "File Error", InvalidArgument, InvalidArgumentText);
        KeepBadCopy(path);
        return std::string();
    };
    c.HelmPassword = password(UnshiftHelmPassword(Get(p, "Helm Password")));
    c.PanelPassword = password(UnshiftPanelPassword(Get(p, "Panel Password")));

    s.model.SwitcherType = SwitcherTypeOf(switcherText);
    if (s.model.SwitcherType == TypePassThru)
        c.PassThru = true;
    if (c.PassThru)
        s.model.SwitcherType = TypePassThru;
    SetFormCaption(s);
    if (s.model.SwitcherType == TypeLyra) {
        s.model.SwitcherType = TypeOrion;
        s.display.messageBox({"Swithcer Type Error",
                              "This product does not support the selected switcher at this time.", BoxButtons::Ok,
                              BoxIcon::Exclamation, BoxResult::Ok});
    }
}

void WriteConfiguration(Server& s)
{
    const Config& c = s.cfg;
    // A password that cannot be stored is written empty rather than corrupting the file.
    const auto stored = [&](std::optional<std::string> Shifted) {
        if (Shifted)
            return *Shifted;
        LogTrappedError(s, WriteError, "File Error", InvalidArgument, InvalidArgumentText);
        return std::string();
    };
    const std::vector<std::pair<const char*, std::string>> keys{
        {"Serial Port", std::to_string(c.CommPort)},
        {"Baud Rate", c.BaudRate},
        {"TCP/IP Port", std::to_string(c.HelmPort)},
        {"Enable Zolt IP Port", YesNo(c.EnableZoltPort)},
        {"Console IP Port", std::to_string(c.ZoltPort)},
        {"Enable HVN IP Port", YesNo(c.EnableHvnPort)},
        {"HVN IP Port", std::to_string(c.HvnPort)},
        {"Enable Logitek IP Port", YesNo(c.EnableLogitekPort)},
        {"Logitek IP Port", std::to_string(c.LogitekPort)},
        {"Switcher Type", SwitcherText(s.model.SwitcherType)},
        {"Stay On Top", YesNo(c.StayOnTop == StayOnTopYes)},
        {"Max List Size", std::to_string(c.MaxListSize)},
        {"Maintain Log File", YesNo(c.MaintainLogFile)},
        {"Maintain Error Log", YesNo(c.MaintainErrorLog)},
        {"Record Zolt", YesNo(c.RecordZolt)},
        {"Log Zolt", YesNo(c.LogZolt)},
        {"Log Switcher Errors", YesNo(c.LogSwitcherErrors)},
        {"Log Gains", YesNo(c.LogGains)},
        {"Display Gains", YesNo(c.DisplayGains)},
        {"Archive Log Files", YesNo(c.ArchiveLogFiles)},
        {"Maximum Log File Size", std::to_string(c.MaxLogFileSize)},
        {"Archive Error Files", YesNo(c.ArchiveErrorFiles)},
        {"Maximum Error Log", std::to_string(c.MaxErrorLogSize)},
        {"Archive Switcher Error", YesNo(c.ArchiveSwitcherErrors)},
        {"Maximum Switcher Error Log", std::to_string(c.MaxSwitcherErrorLogSize)},
        {"Maintain ndf", YesNo(c.MaintainNdf)},
        {"Helm Password", stored(ShiftHelmPassword(c.HelmPassword))},
        {"Panel Password", stored(ShiftPanelPassword(c.PanelPassword))},
        {"Pass Thru", YesNo(c.PassThru)},
        {"Start in Task Bar", YesNo(c.StartInTaskBar)},
        {"Demo Mode", YesNo(c.DemoMode)},
        {"Serial Device", c.SerialDevice},
        {"Listen Address", c.ListenAddress},
        {"Allowed Clients", c.AllowedClients},
        {"Max Clients", std::to_string(c.MaxClients)},
        {"Web IP Port", std::to_string(c.WebPort)},
        {"Web Password", c.WebPassword},
    };
    std::string text = "[CONFIGURATION]\r\n";
    for (const auto& [key, value] : keys)
        text += std::string(key) + "=" + Quoted(value) + "\r\n";
    Trap(s, WriteError, "File Error", [&] {
        if (c.ConfigurationUnreadable)
            WriteWholeFile(c.AppPath + NewIniName, text);
        else
            ReplaceFile(c.AppPath + IniName, text);
    });
}

void SetFormCaption(Server& s)
{
    Trap(s, "Error Labeling Form", "Setup Error", [&] {
        const bool demo = s.cfg.DemoMode;
        std::string caption;
        switch (s.model.SwitcherType) {
        case TypeVela:
            caption = demo ? "HVN Server Module - Vela Switcher - Demo Mode"
                           : "HVN Server Module - Vela Switcher - Serial Mode";
            break;
        case TypeLyra:
            caption = demo ? "HVN Server Module - Lyra Switcher - Demo Mode" : "HVN Server Module - Lyra Switcher";
            break;
        case TypeDraco:
            caption = demo ? "HVN Server Module - Draco Switcher - Demo Mode" : "HVN Server Module - Draco Switcher";
            break;
        case TypePassThru: caption = "HVN Server Module - Pass Thru Mode"; break;
        default:
            caption = demo ? "HVN Server Module - Orion Switcher - Demo Mode" : "HVN Server Module - Orion Switcher";
            break;
        }
        s.display.setCaption(caption);
    });
}
