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
#include <type_traits>
#include <variant>

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

// Without a file every key takes its rule's default below; only "Stay On Top"
// is Yes then, while a file without the key means No.
Profile DefaultProfile() { return {{"stay on top", "Yes"}}; }

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

// The keys of the file; when it exists but cannot be read, the defaults, the
// error logged and the file kept aside (never deleted).
Profile ReadProfile(Server& s, const std::string& Path)
{
    Config& c = s.cfg;
    Profile p = DefaultProfile();
    std::error_code ec;
    const bool present = fs::exists(Path, ec);
    if (!present && !ec)
        return p;
    c.ConfigurationUnreadable = !Trap(s, ReadError, "File Error", [&] { p = ParseProfile(ReadWholeFile(Path)); });
    if (c.ConfigurationUnreadable) {
        KeepBadCopy(Path);
        const std::string said = std::string("Running on default settings; ") + IniName +
                                 " is kept as it is and the settings are saved to " + NewIniName;
        LogSoftwareError(s, said, 0, "File Error");
        std::fprintf(stderr, "%s: %s: %s\n", Path.c_str(), ReadError, said.c_str());
    }
    return p;
}

// The leading number of Text within the file width of T; Default below Least or beyond the width.
template <class T>
T NumberIn(const std::string& Text, T Least, T Default)
{
    const long lo = std::is_same_v<T, int> ? IntegerMin : LongMin;
    const long hi = std::is_same_v<T, int> ? IntegerMax : LongMax;
    const std::optional<long> v = ValIn(Text, lo, hi);
    return v && *v >= Least ? static_cast<T>(*v) : Default;
}

// How a key's text becomes a setting, and the setting its text again.
// "Yes" unless exactly "No", or "No" unless exactly "Yes".
struct YesUnlessNo {
    bool Config::*Flag;
};
struct NoUnlessYes {
    bool Config::*Flag;
};
// A leading number within the width of T in the file (int: 16 bits, long:
// 32); below Least, or not a number that fits, it is Default.
template <class T>
struct Number {
    T Config::*Value;
    T Least;
    T Default;
};
struct Text {
    std::string Config::*Value;
    const char* IfEmpty;
};
// A console port (negative: 1200, 0: off), written after the key that says
// whether it is enabled; that key is never read, a port above 0 is enabled.
struct ConsolePort {
    const char* EnableKey;
    bool Config::*Enabled;
    long Config::*Value;
};
// Stored shifted; one that cannot be stored is written empty.
struct Password {
    std::string Config::*Value;
    std::optional<std::string> (*Store)(const std::string& Plain);
    std::optional<std::string> (*Load)(const std::string& Stored);
};
// Yes when the text is "yes" in any case.
struct StayOnTopKey {};
// Read by ReadConfiguration, written from the model's type.
struct SwitcherTypeKey {};

using Rule = std::variant<YesUnlessNo, NoUnlessYes, Number<int>, Number<long>, Text, ConsolePort, Password,
                          StayOnTopKey, SwitcherTypeKey>;

struct Key {
    const char* Name;
    Rule How;
};

template <class... F>
struct Overloaded : F... {
    using F::operator()...;
};
// Spelled out: clang 14 deduces no aggregate's template arguments by itself.
template <class... F>
Overloaded(F...) -> Overloaded<F...>;

// Every key, in the order the file is written.
const Key Keys[] = {
    {"Serial Port", Number<int>{&Config::CommPort, 1, DefaultCommPort}},
    {"Baud Rate", Text{&Config::BaudRate, DefaultBaudRate}},
    {"TCP/IP Port", Number<long>{&Config::HelmPort, 1, DefaultHelmPort}},
    {"Console IP Port", ConsolePort{"Enable Zolt IP Port", &Config::EnableZoltPort, &Config::ZoltPort}},
    {"HVN IP Port", ConsolePort{"Enable HVN IP Port", &Config::EnableHvnPort, &Config::HvnPort}},
    {"Logitek IP Port", ConsolePort{"Enable Logitek IP Port", &Config::EnableLogitekPort, &Config::LogitekPort}},
    {"Switcher Type", SwitcherTypeKey{}},
    {"Stay On Top", StayOnTopKey{}},
    {"Max List Size", Number<int>{&Config::MaxListSize, 1, DefaultMaxListSize}},
    {"Maintain Log File", YesUnlessNo{&Config::MaintainLogFile}},
    {"Maintain Error Log", YesUnlessNo{&Config::MaintainErrorLog}},
    {"Record Zolt", NoUnlessYes{&Config::RecordZolt}},
    {"Log Zolt", NoUnlessYes{&Config::LogZolt}},
    {"Log Switcher Errors", YesUnlessNo{&Config::LogSwitcherErrors}},
    {"Log Gains", NoUnlessYes{&Config::LogGains}},
    {"Display Gains", YesUnlessNo{&Config::DisplayGains}},
    {"Archive Log Files", NoUnlessYes{&Config::ArchiveLogFiles}},
    {"Maximum Log File Size", Number<long>{&Config::MaxLogFileSize, LongMin, 0}},
    {"Archive Error Files", NoUnlessYes{&Config::ArchiveErrorFiles}},
    {"Maximum Error Log", Number<long>{&Config::MaxErrorLogSize, LongMin, 0}},
    {"Archive Switcher Error", NoUnlessYes{&Config::ArchiveSwitcherErrors}},
    {"Maximum Switcher Error Log", Number<long>{&Config::MaxSwitcherErrorLogSize, LongMin, 0}},
    {"Maintain ndf", NoUnlessYes{&Config::MaintainNdf}},
    {"Helm Password", Password{&Config::HelmPassword, ShiftHelmPassword, UnshiftHelmPassword}},
    {"Panel Password", Password{&Config::PanelPassword, ShiftPanelPassword, UnshiftPanelPassword}},
    {"Pass Thru", NoUnlessYes{&Config::PassThru}},
    {"Start in Task Bar", NoUnlessYes{&Config::StartInTaskBar}},
    {"Demo Mode", NoUnlessYes{&Config::DemoMode}},
    {"Serial Device", Text{&Config::SerialDevice, ""}},
    {"Listen Address", Text{&Config::ListenAddress, ""}},
    {"Allowed Clients", Text{&Config::AllowedClients, ""}},
    {"Max Clients", Number<long>{&Config::MaxClients, 0, 0}},
    {"SW-P-08 IP Port", Number<long>{&Config::Swp08Port, 0, DefaultSwp08Port}},
    {"Ember IP Port", Number<long>{&Config::EmberPort, 0, DefaultEmberPort}},
    {"Web IP Port", Number<long>{&Config::WebPort, 0, DefaultWebPort}},
    {"Web Password", Text{&Config::WebPassword, ""}},
};

}  // namespace

std::optional<std::string> ShiftHelmPassword(const std::string& Plain) { return Shifted(Plain, 1, true); }
std::optional<std::string> UnshiftHelmPassword(const std::string& Stored) { return Shifted(Stored, -1, false); }
std::optional<std::string> ShiftPanelPassword(const std::string& Plain) { return Shifted(Plain, -1, true); }
std::optional<std::string> UnshiftPanelPassword(const std::string& Stored) { return Shifted(Stored, 1, false); }

ConfigurationRead ReadConfiguration(Server& s)
{
    Config& c = s.cfg;
    c.PasswordTries = 3;
    c.PasswordTimeout = 30;
    c.PasswordLimit = 200;

    const std::string path = c.AppPath + IniName;
    const Profile p = ReadProfile(s, path);
    std::string switcherText;
    for (const Key& k : Keys) {
        const std::string& text = Get(p, k.Name);
        std::visit(Overloaded{
                       [&](const YesUnlessNo& r) { c.*r.Flag = text != "No"; },
                       [&](const NoUnlessYes& r) { c.*r.Flag = text == "Yes"; },
                       [&]<class T>(const Number<T>& r) { c.*r.Value = NumberIn(text, r.Least, r.Default); },
                       [&](const Text& r) { c.*r.Value = text.empty() ? r.IfEmpty : text; },
                       [&](const ConsolePort& r) {
                           c.*r.Value = NumberIn(text, 0L, DefaultConsolePort);
                           c.*r.Enabled = c.*r.Value > 0;
                       },
                       [&](const Password& r) {
                           const std::optional<std::string> plain = r.Load(text);
                           if (!plain) {
                               LogTrappedError(s, ReadError, "File Error", InvalidArgument, InvalidArgumentText);
                               KeepBadCopy(path);
                           }
                           c.*r.Value = plain.value_or("");
                       },
                       [&](StayOnTopKey) { c.StayOnTop = Lower(text) == "yes" ? StayOnTopYes : StayOnTopNo; },
                       [&](SwitcherTypeKey) { switcherText = text; },
                   },
                   k.How);
    }
    if (c.DemoMode)
        c.MaintainLogFile = false;  // a demonstration keeps no event log

    // Any other text is an Orion; pass-through wins over the family named.
    const FamilyDescription* named = FamilyNamed(switcherText);
    if (named == nullptr)
        named = &Describe(SwitcherType::Orion);
    if (!named->KeepsModel)
        c.PassThru = true;
    if (c.PassThru)
        named = &Describe(SwitcherType::PassThru);
    s.model.SwitcherType = named->Type;
    return {named};
}

void WriteConfiguration(Server& s)
{
    const Config& c = s.cfg;
    std::string text = "[CONFIGURATION]\r\n";
    const auto line = [&](const char* Name, const std::string& Value) {
        text += std::string(Name) + "=" + Quoted(Value) + "\r\n";
    };
    for (const Key& k : Keys)
        std::visit(Overloaded{
                       [&](const YesUnlessNo& r) { line(k.Name, YesNo(c.*r.Flag)); },
                       [&](const NoUnlessYes& r) { line(k.Name, YesNo(c.*r.Flag)); },
                       [&]<class T>(const Number<T>& r) { line(k.Name, std::to_string(c.*r.Value)); },
                       [&](const Text& r) { line(k.Name, c.*r.Value); },
                       [&](const ConsolePort& r) {
                           line(r.EnableKey, YesNo(c.*r.Enabled));
                           line(k.Name, std::to_string(c.*r.Value));
                       },
                       [&](const Password& r) {
                           // One that cannot be stored is written empty rather than corrupting the file.
                           const std::optional<std::string> stored = r.Store(c.*r.Value);
                           if (!stored)
                               LogTrappedError(s, WriteError, "File Error", InvalidArgument, InvalidArgumentText);
                           line(k.Name, stored.value_or(""));
                       },
                       [&](StayOnTopKey) { line(k.Name, YesNo(c.StayOnTop == StayOnTopYes)); },
                       [&](SwitcherTypeKey) { line(k.Name, Family(s.model).Name); },
                   },
                   k.How);
    Trap(s, WriteError, "File Error", [&] {
        if (c.ConfigurationUnreadable)
            WriteWholeFile(c.AppPath + NewIniName, text);
        else
            ReplaceFile(c.AppPath + IniName, text);
    });
}
