#include "disk/Logs.h"

#include "disk/StatusDisplay.h"
#include "disk/Trap.h"
#include "model/ByteManipulation.h"
#include "model/Server.h"

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <map>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr const char* EventLogName = "Eventlog.txt";
constexpr const char* ErrorLogName = "Errorlog.txt";
constexpr const char* SwitcherErrorLogName = "SwitcherErrorlog.txt";

// Error number and text a failed file operation is reported with.
constexpr int FileAccessError = 75;
constexpr const char* FileAccessText = "Path/File access error";

// How often an event line is tried before the loss is reported.
constexpr int EventLogAttempts = 6;

struct LogKind {
    const char* FileName;
    const char* ArchivePrefix;
    const char* Title;
    const char* ColumnHeader;
};

const LogKind EventLog{EventLogName, "EventLog ", "HVN Server Module Event Logfile",
                       " DATE     TIME           CLIENT ADDRESS      MESSAGE DESCRIPTION"};
const LogKind ErrorLog{ErrorLogName, "Errorlog ", "HVN Server Module Software Error Logfile",
                       " DATE     TIME           LOCATION                           MESSAGE DESCRIPTION"};
const LogKind SwitcherErrorLog{SwitcherErrorLogName, "SwitcherErrorlog ", "HVN Switcher Error Logfile",
                               " DATE     TIME           LOCATION                       MESSAGE DESCRIPTION"};

std::string PadTo(std::string Text, size_t Width)
{
    if (Text.size() < Width)
        Text.append(Width - Text.size(), ' ');
    return Text;
}

std::string FormatNow(const char* Pattern)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buf[64];
    const size_t n = std::strftime(buf, sizeof buf, Pattern, &local);
    return std::string(buf, n);
}

// Writes Content as the whole new file; true when every byte reached it.
bool WriteNewFile(const std::string& FileName, const std::string& Content)
{
    std::FILE* f = std::fopen(FileName.c_str(), "wb");
    if (!f)
        return false;
    const bool written = std::fwrite(Content.data(), 1, Content.size(), f) == Content.size();
    return std::fclose(f) == 0 && written;
}

std::string HeaderText(const LogKind& Kind)
{
    const std::string crlf = "\r\n";
    const std::string indent(19, ' ');
    return std::string(13, ' ') + "HVN Server Module" + crlf + crlf + indent + "Audio Routing Switcher Server" + crlf +
           indent + "Serial Link and TCP/IP Client Gateway" + crlf + indent + VersionText + crlf + crlf + crlf +
           Kind.Title + crlf + crlf + Kind.ColumnHeader + crlf + std::string(80, '-') + crlf;
}

// Copies the full log to the first free archive name of this minute.
bool ArchiveLog(const std::string& AppPath, const LogKind& Kind)
{
    const std::string stem = AppPath + Kind.ArchivePrefix + FormatNow("%m%d%y %H%M");
    std::string target = stem + ".txt";
    std::error_code ec;
    // An earlier archive of the same minute is kept, not overwritten.
    for (int n = 2;; ++n) {
        const bool taken = fs::exists(target, ec);
        if (ec)
            return false;
        if (!taken)
            break;
        target = stem + " (" + std::to_string(n) + ").txt";
    }
    if (fs::copy_file(AppPath + Kind.FileName, target, fs::copy_options::none, ec))
        return true;
    if (ec != std::errc::file_exists)
        fs::remove(target, ec);  // no half archive left to take the next name
    return false;
}

// Applies the size limit: a log at or over Limit kilobytes is archived (when
// asked) and deleted. A failed archive keeps the live log, so nothing is lost.
// Returns whether the log is there now.
bool LogAfterLimit(AppendFile& File, const std::string& AppPath, const LogKind& Kind, long Limit, bool Archive)
{
    const std::string path = AppPath + Kind.FileName;
    const AppendFile::Look log = File.look(path);
    // Compared in whole kilobytes so a large limit cannot overflow.
    if (!log.exists || Limit <= 0 || log.size / 1024 < static_cast<unsigned long long>(Limit))
        return log.exists;
    if (Archive && !ArchiveLog(AppPath, Kind))
        return true;
    File.close();
    std::error_code ec;
    fs::remove(path, ec);
    return static_cast<bool>(ec);
}

// Shared by both event-log operations once the line is shown.
void AppendEventLine(Server& s, const std::string& Line, const std::string& FailureMessage)
{
    const Config& c = s.cfg;
    if (!LogAfterLimit(s.EventLogFile, c.AppPath, EventLog, c.MaxLogFileSize, c.ArchiveLogFiles) && !CreateEventLog(s))
        return;
    for (int attempt = 0; attempt < EventLogAttempts; ++attempt) {
        if (AppendLineToFile(s.EventLogFile, Line, c.AppPath + EventLogName))
            return;
        LogTrappedError(s, "Retry", "Message Log Error", FileAccessError, FileAccessText);
    }
    LogTrappedError(s, FailureMessage, "Message Log Error", FileAccessError, FileAccessText);
}

}  // namespace

std::string LogTimeStamp() { return FormatNow("%m/%d/%Y %H:%M:%S"); }

std::string SwitcherErrorText(int Code)
{
    static const std::map<int, const char*> texts{
        {15000, "Receive Buffer Overflow"},
        {15010, "Transmit Buffer Overflow"},
        {15020, "UART Receiver Won't Empty"},
        {15030, "Invalid Serial Port Specified To Function"},
        {15100, "Checksum Error"},
        {15110, "Invalid Data Size Value In Received Msg"},
        {15111, "Invalid Data Type Value Received In Msg"},
        {15112, "Data Received With No Ctl-Char"},
        {15113, "Unknown Ctl-Char"},
        {15114, "Received EOM With Unknown Ctl-Char"},
        {15115, "Received Partial Msg, But No EOM Before Timeout"},
        {15116, "Received incorrect Control Character"},
        {15120, "Invalid Data Size Value Passed To Function"},
        {15121, "Invalid Data Type Value Passed To Function"},
        {15130, "Module Ack To Wrong Current Address"},
        {15131, "Module Reply received From Module At Our Address"},
        {15200, "DSP Insufficient internal resources"},
        {15201, "DSP Insufficient supporting resources"},
        {15210, "DSP Read Error"},
        {15211, "DSP Write Error"},
        {15240, "Required audio channel not available"},
        {15250, "Duplicate Source Provision"},
        {15260, "Incorrect Source Provision List Output Count"},
        {15500, "Channel Out Of Range"},
        {15510, "Channel Not Found"},
        {15520, "Invalid Data Read From External Device"},
        {15530, "Unrecognized Data Read From Data Struct"},
        {15540, "Change of Slot Address"},
        {15545, "Change of Frame Address"},
        {15550, "Internal Data Structure Overflow"},
        {15590, "Memory Test Error"},
        {15999, "Unknown Error"},
        {16383, "NOT DEFINED"},
        {16384, "NO RESPONSE"},
    };
    const auto it = texts.find(Code);
    return it == texts.end() ? std::string() : std::string(it->second);
}

std::string RenderSwitcherMessage(const Bytes& Message, int CommPort)
{
    std::string out;
    bool stopCaret = false;
    bool numberNext = false;
    for (size_t i = 0; i < Message.size(); ++i) {
        const int c = ByteAt(Message, i);
        if (c >= 1 && c <= 31 && !stopCaret && !numberNext) {
            if (c != 13 && c != 10) {
                out += '^';
                out += static_cast<char>(c + 64);
            }
            if (c == 24 || (c == 25 && CommPort != 0)) {
                stopCaret = true;
                numberNext = true;
            }
        } else if (c >= 32 && c <= 125 && CommPort != 0 && !numberNext) {
            out += static_cast<char>(c);
        }
        // The code of the ^X (or ^Y) character itself, or of the one after a leading one.
        if (CommPort != 0 && numberNext && i > 0) {
            out += std::to_string(c);
            numberNext = false;
        }
    }
    return out;
}

bool AppendLineToFile(AppendFile& File, const std::string& Line, const std::string& FileName)
{
    return File.append(FileName, Line + "\r\n");
}

bool CreateEventLog(Server& s)
{
    if (WriteNewFile(s.cfg.AppPath + EventLogName, HeaderText(EventLog)))
        return true;
    LogTrappedError(s, "Error creating logfile", "Log File Error", FileAccessError, FileAccessText);
    return false;
}

bool CreateErrorLog(Server& s)
{
    // The only place to report this failure is the file that just failed.
    return WriteNewFile(s.cfg.AppPath + ErrorLogName, HeaderText(ErrorLog));
}

bool CreateSwitcherErrorLog(Server& s)
{
    if (WriteNewFile(s.cfg.AppPath + SwitcherErrorLogName, HeaderText(SwitcherErrorLog)))
        return true;
    LogTrappedError(s, "Error creating Switcher Error file", "File Error", FileAccessError, FileAccessText);
    return false;
}

void LogSerialMessage(Server& s, const Bytes& Message, int ComPort)
{
    const char* failure = "Error Logging Serial Message";
    Trap(s, failure, "Message Log Error", [&] {
        const std::string rendered = RenderSwitcherMessage(Message, s.cfg.CommPort);
        if (rendered.empty())
            return;
        AddHistoryLine(s, "Switcher COM" + std::to_string(ComPort), rendered);
        if (!s.cfg.MaintainLogFile)
            return;
        const std::string line =
            PadTo(PadTo(LogTimeStamp(), 25) + "Switcher COM" + std::to_string(s.cfg.CommPort), 44) + rendered;
        AppendEventLine(s, line, failure);
    });
}

void LogIPMessage(Server& s, const std::string& Message, const std::string& Address)
{
    const char* failure = "Error Logging IP Message";
    Trap(s, failure, "Message Log Error", [&] {
        AddHistoryLine(s, Address, Message);
        if (s.cfg.MaintainLogFile)
            AppendEventLine(s, PadTo(PadTo(LogTimeStamp(), 25) + Address, 44) + Message, failure);
    });
}

void LogSoftwareError(Server& s, const std::string& Message, int ClientIndex, const std::string& Location)
{
    // Every family reports a switcher frame with a wrong check byte here,
    // under no client; a client's frame names its slot.
    if (ClientIndex == 0 && Message.find("Check Sum Error") != std::string::npos)
        ++s.counters.BadChecks;
    const Config& c = s.cfg;
    if (!c.MaintainErrorLog)
        return;
    std::string where = Location;
    if (where.empty() && ClientIndex >= 0 && ClientIndex < static_cast<int>(s.HelmClients.Records.size()))
        where = s.HelmClients[ClientIndex].Address;
    const std::string line = PadTo(PadTo(LogTimeStamp(), 24) + where, 60) + Message;
    if (!LogAfterLimit(s.ErrorLogFile, c.AppPath, ErrorLog, c.MaxErrorLogSize, c.ArchiveErrorFiles) &&
        !CreateErrorLog(s))
        return;
    // A failed write is dropped: reporting it would only go back into this log.
    AppendLineToFile(s.ErrorLogFile, line, c.AppPath + ErrorLogName);
}

void LogTrappedError(Server& s, const std::string& Message, const std::string& Location, int Number,
                     const std::string& Description)
{
    LogSoftwareError(s, Message + ": Error # " + std::to_string(Number) + " - " + Description, 0, Location);
}

void LogSwitcherError(Server& s, int ErrorCode, const std::string& Location)
{
    const Config& c = s.cfg;
    std::string line = PadTo(LogTimeStamp(), 24) + Location;
    // A location that reaches the code column still gets one space before it.
    line = line.size() < 56 ? PadTo(line, 56) : line + ' ';
    line += Digits(ErrorCode, 5) + " " + SwitcherErrorText(ErrorCode);
    if (!LogAfterLimit(s.SwitcherErrorLogFile, c.AppPath, SwitcherErrorLog, c.MaxSwitcherErrorLogSize,
                       c.ArchiveSwitcherErrors) &&
        !CreateSwitcherErrorLog(s))
        return;
    if (!AppendLineToFile(s.SwitcherErrorLogFile, line, c.AppPath + SwitcherErrorLogName))
        LogTrappedError(s, "Error writing to Switcher Error Log", "File Error", FileAccessError, FileAccessText);
}
