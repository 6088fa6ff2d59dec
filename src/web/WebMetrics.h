#pragma once
// /metrics in the Prometheus text format, and /healthz.
#include "model/Counters.h"
#include "web/WebState.h"

#include <string>

// The name a port goes by in the interface ("helm", "zolt", ...).
const char* PortName(Port port);

std::string MetricsText(const Counters& c, const PortCounts& Connections, bool SwitcherOnline);
