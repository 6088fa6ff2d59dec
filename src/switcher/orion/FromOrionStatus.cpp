// Buttons, configuration (active devices, versions, activity) and salvos
// from an Orion switcher. The inner layouts are those of OrionFrames.h.
#include "disk/Logs.h"
#include "disk/SoftPanelFiles.h"
#include "disk/Trap.h"
#include "model/Server.h"
#include "switcher/orion/FromOrion.h"
#include "switcher/orion/FromOrionShared.h"

#include <algorithm>
#include <numeric>

namespace {

const char* const UnknownSalvo = "Unknown ";  // an event of a salvo beyond the salvo count
const char* const UnusedSalvo = "Unused  ";   // an event of a salvo without a name

std::string SalvoName(const Model& m, int Number)
{
    if (Number < 0 || Number >= m.NumSalvos)
        return UnknownSalvo;
    const size_t n = std::min(m.SalvoAlphas.size(), m.SalvoSortTable.size());
    for (size_t j = 0; j < n; ++j)
        if (m.SalvoSortTable[j] == Number)
            return m.SalvoAlphas[j].find_first_not_of(' ') == std::string::npos ? UnusedSalvo : m.SalvoAlphas[j];
    return UnusedSalvo;
}

}  // namespace

// FD: templates beyond the 64 (64 itself means none) are skipped. A client's
// upload that the report shows taken is no longer put into buttons commands.
void ProcessOrionButtons(Server& s, const Bytes& Frame)
{
    const OrionReport report{"Error Receiving Buttons", "Buttons"};
    ReceiveOrion(s, Frame, report, ReadOrionButtons, [&](Model& m, const OrionButtons& reported) {
        // A client's assignment stays pending until a report shows it taken;
        // every other entry follows the switcher.
        std::vector<bool> pending(m.TemplateAssignment.size());
        for (size_t d = 0; d < pending.size() && d < m.ClientTemplateAssignment.size(); ++d)
            pending[d] = m.ClientTemplateAssignment[d] != m.TemplateAssignment[d];
        for (size_t d = 0; d < reported.Assignment.size() && d < m.TemplateAssignment.size(); ++d)
            if (reported.Assignment[d] <= m.NumTemplates)
                m.TemplateAssignment[d] = reported.Assignment[d];
        for (size_t t = 0; t < m.ButtonData.size() && t < Orion::Templates; ++t)
            for (size_t b = 0; b < m.ButtonData[t].size() && b < Orion::ButtonsPerTemplate; ++b) {
                ButtonRecord button;
                button.Value = 0;
                button.Count = 1;
                button.Values[0] = reported.Values[t * Orion::ButtonsPerTemplate + b];
                m.ButtonData[t][b] = button;
            }
        m.ClientTemplateAssignment.resize(m.TemplateAssignment.size());
        for (size_t d = 0; d < m.TemplateAssignment.size(); ++d)
            if (!pending[d] || m.ClientTemplateAssignment[d] == m.TemplateAssignment[d])
                m.ClientTemplateAssignment[d] = m.TemplateAssignment[d];
        for (size_t t = 0; t < m.UploadedTemplates.size() && t < m.ButtonData.size() && t < m.ButtonTemplates.size();
             ++t)
            if (std::equal(m.ButtonData[t].begin(), m.ButtonData[t].end(), m.ButtonTemplates[t].begin(),
                           m.ButtonTemplates[t].end(),
                           [](const ButtonRecord& a, const ButtonRecord& b) { return a.Values[0] == b.Values[0]; }))
                m.UploadedTemplates[t] = false;
        LogOrionMessage(s, "Button Templates");
        s.reports().SwitcherConnected(s, true);
        ClearUpdateBit(s, UpdateBit::Buttons);
        s.reports().TableChanged(s, UpdateBit::Buttons, 0, 0);
        if (s.cfg.MaintainNdf)
            SaveButtonsNdf(s);
    });
}

// F0: the presence of the cards of the configured frames.
void ProcessOrionActiveDevices(Server& s, const Bytes& Frame)
{
    const OrionReport report{"Error Receiving Active Device", "Active Devices"};
    ReceiveOrion(s, Frame, report, ReadOrionActiveDevices, [&](Model& m, const std::vector<bool>& present) {
        const size_t frames = std::min(m.SwitcherConfig.size(), static_cast<size_t>(std::max(m.NumFrames, 0)));
        for (size_t f = 0; f < frames && CardsPerFrame * (f + 1) <= present.size(); ++f)
            for (size_t c = 0; c < CardsPerFrame; ++c)
                m.SwitcherConfig[f].Cards[c].Present = present[CardsPerFrame * f + c] ? 1 : 0;
        LogOrionMessage(s, "Active Devices");
        ClearUpdateBit(s, UpdateBit::State);
        if (s.Link.OnLine())
            s.reports().TableChanged(s, UpdateBit::State, 0, 0);
    });
}

// E5: a card slot's version text is its QRT text followed by its WLB text,
// as far as the switcher reported them.
void ProcessOrionVersion(Server& s, const Bytes& Frame)
{
    const OrionReport report{"Error Receiving Version Info", "Version Info"};
    ReceiveOrion(s, Frame, report, ReadOrionVersion, [&](Model& m, const std::vector<OrionCardVersion>& cards) {
        if (m.CardVersions.empty())
            return;
        for (size_t c = 0; c < cards.size() && c + 1 < CardsPerFrame; ++c)
            m.CardVersions[0][c + 1] = cards[c].Qrt + cards[c].Wlb;
        LogOrionMessage(s, "Version Info");
        ClearUpdateBit(s, UpdateBit::Version);
        s.reports().TableChanged(s, UpdateBit::Version, 0, 0);
    });
}

// E0: the status of card slots 1 to 20 and the activity of their ports.
void ProcessOrionActivity(Server& s, const Bytes& Frame)
{
    const OrionReport report{"Error Receiving QRT Activity", "QRT Activity"};
    ReceiveOrion(s, Frame, report, ReadOrionActivity, [&](Model& m, const std::vector<OrionCardActivity>& cards) {
        if (m.SwitcherConfig.empty())
            return;
        for (size_t c = 0; c < cards.size() && c + 1 < CardsPerFrame; ++c) {
            CardRecord& card = m.SwitcherConfig[0].Cards[c + 1];
            card.Status = static_cast<uint8_t>(cards[c].Status);
            for (size_t p = 0; p < cards[c].Ports.size() && p < PortsPerCard; ++p)
                card.Ports[p].Status = cards[c].Ports[p] ? 1 : 0;
        }
        LogOrionMessage(s, "QRT Activity");
        ClearUpdateBit(s, UpdateBit::Status);
        s.reports().TableChanged(s, UpdateBit::Status, 0, 0);
    });
}

// E9: the counts only; the names and events are sized by their own frames.
void ProcessOrionSalvoCount(Server& s, const Bytes& Frame)
{
    Trap(s, "Error Receiving Salvo Count", "Switcher Command Error", [&] {
        Model& m = s.model;
        long events = 0;
        int salvos = 0;
        const OrionCheck check = ReadOrionSalvoCount(Frame, events, salvos);
        if (check == OrionCheck::Length) {
            OrionFrameSound(s, check, "Salvo Count");
            return;
        }
        OrionFrameSound(s, check, "Salvo Count");  // a check error is logged, the counts still used
        m.NumSalvoEvents = events;
        m.NumSalvos = salvos;
        LogOrionMessage(s, "Salvo Count");
        s.reports().SwitcherConnected(s, true);
        if (salvos == 0)
            ClearUpdateBit(s, UpdateBit::Salvos);
        if (events == 0)
            s.reports().TableChanged(s, UpdateBit::Salvos, 0, 0);
    });
}

// EC: as many names as the salvo count; sorted by plain character codes,
// each keeping its salvo number in the sort table.
void ProcessOrionSalvoAlphas(Server& s, const Bytes& Frame)
{
    Trap(s, "Error Processing Salvo Alphas", "Switcher Command Error", [&] {
        Model& m = s.model;
        const size_t count = static_cast<size_t>(std::max(m.NumSalvos, 0));
        std::vector<std::string> names;
        if (!OrionFrameSound(s, ReadOrionAlphaTable(Frame, count, names), "Salvo Alphas"))
            return;
        std::vector<int> order(count);
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(),
                         [&](int a, int b) { return names[static_cast<size_t>(a)] < names[static_cast<size_t>(b)]; });
        m.SalvoAlphas.assign(std::max<size_t>(count, 1), std::string());
        m.SalvoSortTable.assign(std::max<size_t>(count, 1), 0);
        for (size_t i = 0; i < count; ++i) {
            m.SalvoAlphas[i] = names[static_cast<size_t>(order[i])];
            m.SalvoSortTable[i] = order[i];
        }
        LogOrionMessage(s, std::to_string(count) + " Salvo Alphas");
        s.reports().SwitcherConnected(s, true);
        // The clients get the names with the salvo events that follow them.
        s.AlphasChanged = true;
    });
}

void ProcessOrionSalvoEvents(Server& s, const Bytes& Frame, int Mode)
{
    Trap(s, "Error Processing Salvo Events", "Switcher Command Error", [&] {
        Model& m = s.model;
        const size_t expected = Orion::SalvoEventLength * static_cast<size_t>(std::max(m.NumSalvoEvents, 0L)) + 3;
        std::vector<SalvoEventRecord> events;
        const OrionCheck check =
            Mode == 0 && Frame.size() != expected ? OrionCheck::Length : ReadOrionSalvoEvents(Frame, events);
        if (!OrionFrameSound(s, check, "Salvo Events"))
            return;
        for (SalvoEventRecord& e : events)
            e.Name = SalvoName(m, e.Salvo);
        if (Mode == 1) {
            // The salvos this frame carries give up their old events.
            std::vector<SalvoEventRecord> kept;
            const size_t known = std::min(m.SalvoEvents.size(), static_cast<size_t>(std::max(m.NumSalvoEvents, 0L)));
            for (size_t i = 0; i < known; ++i) {
                const int salvo = m.SalvoEvents[i].Salvo;
                if (std::none_of(events.begin(), events.end(),
                                 [&](const SalvoEventRecord& e) { return e.Salvo == salvo; }))
                    kept.push_back(m.SalvoEvents[i]);
            }
            events.insert(events.begin(), kept.begin(), kept.end());
        }
        m.NumSalvoEvents = static_cast<long>(events.size());
        if (events.empty())
            events.emplace_back();
        m.SalvoEvents = std::move(events);
        LogOrionMessage(s, std::to_string(m.NumSalvoEvents) + " Salvo Events");
        ClearUpdateBit(s, UpdateBit::Salvos);
        s.reports().TableChanged(s, UpdateBit::Salvos, 0, 0);
    });
}
