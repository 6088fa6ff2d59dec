// Buttons, the port map and the salvo tables from a Draco switcher.
#include "disk/Logs.h"
#include "disk/SoftPanelFiles.h"
#include "disk/Trap.h"
#include "model/ByteManipulation.h"
#include "model/Server.h"
#include "switcher/draco/DracoFrame.h"
#include "switcher/draco/FromDraco.h"
#include "switcher/draco/ToDraco.h"

#include <algorithm>

namespace {

// The template of each destination, then every button of every template.
constexpr size_t ButtonValues = DracoSize + DracoSize * DracoSize;
constexpr size_t SalvoCountValues = 3;
constexpr size_t SalvoEventValues = 6;
constexpr int LateEventsStart = 500;
constexpr int EventLevel = 1024;
// Salvo numbers and event counts are 14-bit numbers on the wire.
constexpr long MaxSalvoNumbers = NoneValue;
const char* const UnusedSalvoName = "Unused  ";

int Bit(int Word, int Index) { return (Word >> Index) & 1; }

// The name of salvo Number: its entry in the sorted salvo names.
std::string SalvoName(const Model& m, int Number)
{
    if (Number < 0 || Number >= m.NumSalvos)
        return "Unknown";
    const size_t n = std::min(m.SalvoAlphas.size(), m.SalvoSortTable.size());
    for (size_t j = 0; j < n; ++j)
        if (m.SalvoSortTable[j] == Number)
            return m.SalvoAlphas[j];
    return "Unknown";
}

SalvoEventRecord Event(const Model& m, const int* Values)
{
    SalvoEventRecord ev;
    ev.Salvo = Values[0];
    ev.Name = SalvoName(m, ev.Salvo);
    ev.Flags[0] = static_cast<uint8_t>(Values[1] & 255);
    ev.Values[0] = Values[2];
    ev.Values[1] = Values[3];
    ev.Values[2] = Values[4];
    ev.Values[3] = EventLevel;
    // The last value holds two 7-bit Byte fields, low first.
    ev.Flags[1] = static_cast<uint8_t>(Values[5] & 127);
    ev.Flags[2] = static_cast<uint8_t>(Values[5] >> 7);
    return ev;
}

SalvoEventRecord Placeholder(int Salvo)
{
    SalvoEventRecord ev;
    ev.Salvo = Salvo;
    ev.Name = UnusedSalvoName;
    ev.Values[3] = EventLevel;
    return ev;
}

}  // namespace

void DracoButtons(Server& s, const Bytes& Frame)
{
    const DracoValuesReport report{"Error Receiving Buttons", "DracoButtons", ButtonValues};
    ReceiveDracoValues(s, Frame, report, [&](Model& m, const std::vector<int>& v) {
        LogDracoMessage(s, "Button Templates");
        m.UpdateFlags &= ~UpdateBit::Buttons;
        s.reports().SwitcherConnected(s, true);
        for (size_t d = 0; d < DracoSize; ++d)
            if (InDraco(v[d]))
                m.TemplateAssignment.at(d) = v[d];
        for (size_t t = 0; t < DracoSize; ++t)
            for (size_t b = 0; b < DracoSize; ++b) {
                ButtonRecord& button = m.ButtonData.at(t).at(b);
                button.Value = 0;
                button.Count = 1;
                button.Values[0] = v[DracoSize + DracoSize * t + b];
            }
        // What a client edits next starts from this report.
        m.ClientTemplateAssignment = m.TemplateAssignment;
        m.ButtonTemplates = m.ButtonData;
        s.reports().TableChanged(s, UpdateBit::Buttons, 0, DracoSize);
        SaveButtonsNdf(s);
    });
}

void DracoPortMap(Server& s, const Bytes& Frame)
{
    const DracoValuesReport report{"Error Receiving Port Map", "DracoPortMap", PortMapValues};
    ReceiveDracoValues(s, Frame, report, [&](Model& m, const std::vector<int>& v) {
        if (m.SwitcherConfig.empty())
            SizeConfigTable(m, 1);
        CardRecord& card = m.SwitcherConfig[0].Cards[0];
        for (size_t p = 0; p < PortMapPorts; ++p) {
            PortRecord& port = card.Ports[p];
            const int flags = v[2 * PortMapPorts + p / 8];
            const int states = v[2 * PortMapPorts + 2 + p / 8];
            for (size_t ch = 0; ch < 2 && ch < port.Channels.size(); ++ch)
                port.Channels[ch].Settings[PortAssignmentSetting] = v[p + PortMapPorts * ch];
            port.TypeCode = Bit(flags, static_cast<int>(p % 8)) ? ControllerPortType : PlainPortType;
            port.State = static_cast<uint8_t>(Bit(states, static_cast<int>(p % 8)));
        }
        // The Helm PCs follow the state and the configuration while on line.
        if (AnyHelmPcClient(s) && s.Link.OnLine())
            s.reports().TableChanged(s, UpdateBit::State | UpdateBit::Config, 0, 0);
        LogDracoMessage(s, "Port Map");
        m.UpdateFlags &= ~UpdateBit::PortMap;
        s.reports().SwitcherConnected(s, true);
    });
}

void DracoSalvoCount(Server& s, const Bytes& Frame)
{
    Trap(s, "Error Receiving Salvo Count", "Switcher Command Error", [&] {
        const std::optional<DracoValues> read = ReadDracoValues(Frame, DracoValuesLength(SalvoCountValues));
        if (!read) {
            LogDracoError(s, "Message Length Error - Len:" + std::to_string(Frame.size()), "DracoSalvoCount");
            return;
        }
        // The counts are kept even so: the frames they size are checked whole.
        if (!read->Checksum)
            LogDracoError(s, "Switcher Check Sum Error", "DracoSalvoCount");
        Model& m = s.model;
        const std::vector<int>& v = read->Values;
        m.NumSalvoEvents = static_cast<long>(v[0]) * 256 + v[1];
        m.NumSalvos = v[2];
        LogDracoMessage(s, "Salvo Count");
        if (m.NumSalvos == 0)
            m.UpdateFlags &= ~UpdateBit::Salvos;
        s.reports().SwitcherConnected(s, true);
        // Without events no salvo event frame follows to announce the salvos.
        if (m.NumSalvoEvents == 0)
            s.reports().TableChanged(s, UpdateBit::Salvos, 0, 0);
    });
}

void DracoSalvoAlphas(Server& s, const Bytes& Frame)
{
    Trap(s, "Error Processing Salvo Alphas", "Switcher Command Error", [&] {
        Model& m = s.model;
        const size_t count = static_cast<size_t>(std::max(m.NumSalvos, 0));
        if (Frame.size() != 8 * count + 3) {
            LogDracoError(s, "Message Length Error", "QRT Activity");
            return;
        }
        DracoNames read = ReadDracoNames(Frame, count);
        if (!read.Checksum) {
            LogDracoError(s, "Switcher Check Sum Error", "DracoSalvoAlphas");
            return;
        }
        std::vector<int> order(count);
        for (size_t i = 0; i < count; ++i)
            order[i] = static_cast<int>(i);
        SortNames(read.Names, order);
        // The tables are never left empty.
        if (read.Names.empty()) {
            read.Names.emplace_back();
            order.push_back(0);
        }
        m.SalvoAlphas = std::move(read.Names);
        m.SalvoSortTable = std::move(order);
        LogDracoMessage(s, std::to_string(m.NumSalvos) + " Salvo Alphas");
        s.reports().SwitcherConnected(s, true);
        // The clients get the names with the salvo events that follow.
        if (AnyPanelClient(s))
            s.AlphasChanged = true;
    });
}

void DracoSalvoEvents(Server& s, const Bytes& Frame, int Mode)
{
    const size_t count = static_cast<size_t>(std::max(s.model.NumSalvoEvents, 0L));
    const DracoValuesReport report{"Error Processing Salvo Events", "DracoSalvoEvents", SalvoEventValues * count};
    ReceiveDracoValues(s, Frame, report, [&](Model& m, const std::vector<int>& v) {
        if (Mode == 0) {
            // Salvos without events get a placeholder each, counted as salvo
            // and as event; the whole frame is checked against the 14-bit
            // counts before anything is kept.
            std::vector<SalvoEventRecord> events;
            long added = 0;
            int previous = -1;
            for (size_t e = 0; e < count; ++e) {
                const int salvo = v[SalvoEventValues * e];
                added += std::max(salvo - previous - 1, 0);
                if (m.NumSalvoEvents + added > MaxSalvoNumbers || m.NumSalvos + added > MaxSalvoNumbers) {
                    LogDracoError(s, "Salvo Events Beyond " + std::to_string(MaxSalvoNumbers), "DracoSalvoEvents");
                    return;
                }
                for (int unused = previous + 1; unused < salvo; ++unused)
                    events.push_back(Placeholder(unused));
                events.push_back(Event(m, &v[SalvoEventValues * e]));
                previous = salvo;
            }
            m.NumSalvoEvents += added;
            m.NumSalvos += static_cast<int>(added);
            if (events.empty())
                events.resize(1);
            m.SalvoEvents = std::move(events);
        } else {
            // Later events go from index 500 on, as far as the table reaches.
            size_t skipped = 0;
            for (size_t e = 0; e < count; ++e) {
                const size_t at = LateEventsStart + e;
                if (at < m.SalvoEvents.size())
                    m.SalvoEvents[at] = Event(m, &v[SalvoEventValues * e]);
                else
                    ++skipped;
            }
            if (skipped > 0)
                LogDracoError(s, std::to_string(skipped) + " Salvo Events Beyond Table", "DracoSalvoEvents");
        }
        LogDracoMessage(s, std::to_string(m.NumSalvoEvents) + " Salvo Events");
        m.UpdateFlags &= ~UpdateBit::Salvos;
        s.reports().SwitcherConnected(s, true);
        s.reports().TableChanged(s, UpdateBit::Salvos, 0, 0);
    });
}
