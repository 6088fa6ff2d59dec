#pragma once
// The settings of tcpserve.ini, as the running server holds them.
#include <optional>
#include <string>

constexpr long StayOnTopYes = -1;
constexpr long StayOnTopNo = -2;
// The port control systems expect an SW-P-08 router on.
constexpr long DefaultSwp08Port = 8910;
// The port Ember+ consumers usually find a provider on.
constexpr long DefaultEmberPort = 9000;

// What a setting is without a file, or when its value is not one it takes.
constexpr int DefaultCommPort = 1;
constexpr const char* DefaultBaudRate = "57600";
constexpr long DefaultHelmPort = 1250;
constexpr long DefaultConsolePort = 1200;  // a console port given as a negative number
constexpr long DefaultWebPort = 8080;      // the web port given as a negative number
constexpr int DefaultMaxListSize = 25;

struct Config {
    int CommPort = DefaultCommPort;
    std::string BaudRate = DefaultBaudRate;
    long HelmPort = DefaultHelmPort;
    bool EnableZoltPort = false;
    long ZoltPort = 0;
    bool EnableHvnPort = false;
    long HvnPort = 0;
    bool EnableLogitekPort = false;
    long LogitekPort = 0;
    long StayOnTop = StayOnTopYes;
    int MaxListSize = DefaultMaxListSize;
    bool MaintainLogFile = true;
    bool MaintainErrorLog = true;
    bool RecordZolt = false;
    bool LogZolt = false;
    bool LogSwitcherErrors = true;
    bool LogGains = false;
    bool DisplayGains = true;
    bool ArchiveLogFiles = false;
    long MaxLogFileSize = 0;
    bool ArchiveErrorFiles = false;
    long MaxErrorLogSize = 0;
    bool ArchiveSwitcherErrors = false;
    long MaxSwitcherErrorLogSize = 0;
    bool MaintainNdf = false;
    std::string HelmPassword;  // plain text in memory; shifted in the file
    std::string PanelPassword;
    bool PassThru = false;
    bool StartInTaskBar = false;
    bool DemoMode = false;

    int PasswordTries = 3;
    int PasswordTimeout = 30;
    int PasswordLimit = 200;

    // Folder of tcpserve.ini, the logs and the soft panel files; ends with '/'.
    std::string AppPath;
    // tcpserve.ini exists but could not be read: the server runs on defaults
    // and never replaces it, saving to tcpserve.ini.new instead.
    bool ConfigurationUnreadable = false;
    // "Serial Device": a serial device chosen by name (/dev/ttyUSB0); empty
    // means the platform's n-th serial port for CommPort.
    std::string SerialDevice;
    // Given on the command line: wins over SerialDevice and never reaches the file.
    std::string SerialDeviceOption;

    // "Listen Address": the one local address the ports take connections on;
    // empty means every IPv4 address.
    std::string ListenAddress;
    // Given on the command line: wins over ListenAddress and never reaches the file.
    std::string ListenAddressOption;
    // "Allowed Clients": addresses and networks that may connect to any port,
    // as written ("192.168.1.0/24, 10.0.0.7"); empty lets everybody in.
    std::string AllowedClients;
    // "Max Clients": connections each port holds at most; 0 means no limit.
    long MaxClients = 0;
    // "SW-P-08 IP Port": where control systems connect; 0 is off. A negative
    // value in the file stands for DefaultSwp08Port.
    long Swp08Port = 0;
    // Given on the command line: wins over Swp08Port and never reaches the file.
    std::optional<long> Swp08PortOption;
    // "Ember IP Port": where Ember+ consumers connect; 0 is off. A negative
    // value in the file stands for DefaultEmberPort.
    long EmberPort = 0;
    // Given on the command line: wins over EmberPort and never reaches the file.
    std::optional<long> EmberPortOption;
    // "Web IP Port": the web panel's and HTTP interface's port (0: off).
    long WebPort = 0;
    // Given on the command line: wins over WebPort and never reaches the file.
    std::optional<long> WebPortOption;
    // "Web Password": its salted hash; empty: only this machine may change anything.
    std::string WebPassword;
};

// The web port in force (0: off): the command line's, else the file's.
inline long WebPortInForce(const Config& c) { return c.WebPortOption.value_or(c.WebPort); }

// The listen address in force: the command line's, else the file's.
inline const std::string& BindAddress(const Config& c)
{
    return c.ListenAddressOption.empty() ? c.ListenAddress : c.ListenAddressOption;
}

// The SW-P-08 port in force (0: off): the command line's, else the file's.
inline long Swp08PortInForce(const Config& c) { return c.Swp08PortOption.value_or(c.Swp08Port); }
// The same for the Ember+ port.
inline long EmberPortInForce(const Config& c) { return c.EmberPortOption.value_or(c.EmberPort); }
