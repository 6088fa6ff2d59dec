#include "web/WebMetrics.h"

#include <sstream>

namespace {

void Family(std::ostringstream& out, const char* Name, const char* Type, const char* Help)
{
    out << "# HELP " << Name << ' ' << Help << "\n# TYPE " << Name << ' ' << Type << '\n';
}

template <typename Value>
void Sample(std::ostringstream& out, const char* Name, const char* Label, const char* LabelValue, Value v)
{
    out << Name << '{' << Label << "=\"" << LabelValue << "\"} " << v << '\n';
}

}  // namespace

const char* PortName(Port port)
{
    switch (port) {
    case Port::Helm: return "helm";
    case Port::Zolt: return "zolt";
    case Port::Logitek: return "logitek";
    case Port::SwP08: return "swp08";
    case Port::Ember: return "ember";
    case Port::Web: return "web";
    case Port::Count: break;
    }
    return "";
}

std::string MetricsText(const Counters& c, const PortCounts& Connections, bool SwitcherOnline)
{
    std::ostringstream out;
    Family(out, "hvn_connections", "gauge", "Client connections each port holds now.");
    for (const auto& [port, n] : Connections)
        Sample(out, "hvn_connections", "port", port.c_str(), n);
    Family(out, "hvn_takes_total", "counter", "Takes sent to the switcher, by where they came from.");
    for (size_t p = 0; p < c.TakesByPort.size(); ++p)
        Sample(out, "hvn_takes_total", "origin", PortName(static_cast<Port>(p)), c.TakesByPort[p]);
    Sample(out, "hvn_takes_total", "origin", "pollfile", c.PollFileTakes);
    Family(out, "hvn_serial_bytes_total", "counter", "Bytes over the serial line to the switcher.");
    Sample(out, "hvn_serial_bytes_total", "direction", "in", c.SerialBytesIn);
    Sample(out, "hvn_serial_bytes_total", "direction", "out", c.SerialBytesOut);
    Family(out, "hvn_serial_frames_total", "counter", "Whole frames over the serial line.");
    Sample(out, "hvn_serial_frames_total", "direction", "in", c.SerialFramesIn);
    Sample(out, "hvn_serial_frames_total", "direction", "out", c.SerialFramesOut);
    Family(out, "hvn_serial_bad_checks_total", "counter", "Frames from the switcher dropped for a wrong check byte.");
    out << "hvn_serial_bad_checks_total " << c.BadChecks << '\n';
    Family(out, "hvn_slow_clients_cut_off_total", "counter", "Clients disconnected because they stopped reading.");
    out << "hvn_slow_clients_cut_off_total " << c.SlowClientsCut << '\n';
    Family(out, "hvn_switcher_online", "gauge", "1 while the switcher answers and has sent its tables.");
    out << "hvn_switcher_online " << (SwitcherOnline ? 1 : 0) << '\n';
    Family(out, "hvn_switcher_table_requests_total", "counter", "Requests for missing tables sent by the poll.");
    out << "hvn_switcher_table_requests_total " << c.TableRequests << '\n';
    Family(out, "process_start_time_seconds", "gauge", "Start time of the process since unix epoch in seconds.");
    out << "process_start_time_seconds " << c.StartedUnixSeconds << '\n';
    return out.str();
}
