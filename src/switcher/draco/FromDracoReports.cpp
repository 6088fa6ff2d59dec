// Takes, crosspoint maps, names, links and inhibits from a Draco switcher.
#include "core/MainForm.h"
#include "core/Server.h"
#include "core/Trap.h"
#include "disk/Logs.h"
#include "disk/SoftPanelFiles.h"
#include "helm/TCPSerialCommunications.h"
#include "helm/ToHelm.h"
#include "switcher/ByteManipulation.h"
#include "switcher/ToSwitcher.h"
#include "switcher/draco/DracoFrame.h"
#include "switcher/draco/FromDraco.h"
#include "switcher/draco/ToDraco.h"
#include "zolt/Zolt.h"

namespace {

constexpr size_t TakeLength = 7;
constexpr size_t MapLength = 67;
constexpr size_t NamesLength = 259;
constexpr size_t LinksLength = 11;
constexpr size_t InhibitsLength = 259;

}  // namespace

void DracoTake(Server& s, const Bytes& Frame)
{
    Trap(s, "Error Receiving Take", "Switcher Command Error", [&] {
        if (Frame.size() != TakeLength) {
            LogDracoError(s, "Message Length Error", "DracoTake");
            return;
        }
        const int destination = ByteAt(Frame, 1) * 16 + ByteAt(Frame, 2);
        const int source = CombineBytes(ByteAt(Frame, 3), ByteAt(Frame, 4));
        // A damaged check byte still leaves a take that is probably right.
        if ((source & 127) != ByteAt(Frame, 5))
            LogDracoError(s, "Switcher Check Sum Error", "Take Command");
        if (!InDraco(destination) || !InDraco(source))
            return;
        s.model.CrosspointMap[static_cast<size_t>(destination)].Sources[0] = source;
        SaveTakeToNdf(s, destination, source);
        SendTakeToClients(s, destination, source, DracoTakeType);
        SendConsoleTally(s, destination);
        LogDracoMessage(s, "Take - In:" + Digits(source + 1, 3) + "-->Out:" + Digits(destination + 1, 3));
        SetSwitcherConnected(s, true);
    });
}

void DracoCrosspointMap(Server& s, const Bytes& Frame)
{
    Trap(s, "Error Receiving Crosspoint Map", "Switcher Command Error", [&] {
        const std::optional<DracoValues> read = ReadDracoValues(Frame, MapLength);
        if (!read) {
            LogDracoError(s, "Message Length Error", "DracoCrosspointMap");
            return;
        }
        if (!read->Checksum) {
            LogDracoError(s, "Switcher Check Sum Error", "DracoCrosspointMap");
            return;
        }
        Model& m = s.model;
        for (size_t d = 0; d < read->Values.size(); ++d)
            if (InDraco(read->Values[d]))
                m.CrosspointMap[d].Sources[0] = read->Values[d];
        SaveCrosspointMapNdf(s);
        LogDracoMessage(s, "32 Crosspoint Maps");
        m.UpdateFlags &= ~UpdateBit::Crosspoints;
        SetSwitcherConnected(s, true);
        for (int i = 1; i <= s.ClientSlotCount(); ++i)
            SendCrosspointMap(s, i);
    });
}

void DracoAlphas(Server& s, const Bytes& Frame)
{
    Trap(s, "Error Receiving Alphas", "Switcher Command Error", [&] {
        const bool sources = ByteAt(Frame, 0) == 0xFC;
        const int table = sources ? TableSources : TableDestinations;
        if (Frame.size() != NamesLength) {
            LogDracoError(s, "Message Length Error", "DracoAlphas");
            return;
        }
        const DracoNames read = ReadDracoNames(Frame, DracoSize);
        if (!read.Checksum) {
            LogDracoError(s, "Switcher Check Sum Error", "DracoAlphas");
            return;
        }
        Model& m = s.model;
        LogDracoMessage(s, std::string("32 ") + (sources ? "Source Alpha Labels" : "Destination Alpha Labels"));
        // Keeps the switcher's order in the raw table and the name order,
        // each name with its own number, in the name and sort tables.
        SaveAlphaNdf(s, read.Names, table);
        const std::vector<std::string>& names = sources ? m.SourceAlphas : m.DestinationAlphas;
        if (s.HelmClientsActive)
            SendAlphaTableToClient(s, names, table, 0);
        if (AnyPanelClient(s)) {
            s.AlphasChanged = true;
            SendAlphaTableToClient(s, names, table, 0);
        }
        m.UpdateFlags &= ~(sources ? UpdateBit::SourceAlphas : UpdateBit::DestinationAlphas);
        SetSwitcherConnected(s, true);
        if (m.UpdateFlags == 0)
            SendAlphaChangeNotice(s, table);
    });
}

void DracoLinks(Server& s, const Bytes& Frame)
{
    Trap(s, "Error Receiving Links", "Switcher Command Error", [&] {
        const std::optional<DracoValues> read = ReadDracoValues(Frame, LinksLength);
        if (!read) {
            LogDracoError(s, "Message Length Error", "DracoLinks");
            return;
        }
        if (!read->Checksum) {
            LogDracoError(s, "Switcher Check Sum Error", "DracoLinks");
            return;
        }
        Model& m = s.model;
        const std::vector<int>& w = read->Values;
        for (size_t word = 0; word < 2; ++word)
            for (size_t k = 0; k < 8; ++k) {
                const size_t first = 16 * word + 2 * k;
                const int destinationFlag = (w[word] >> k) & 1;
                const int sourceFlag = (w[word + 2] >> k) & 1;
                m.DestinationLinks.at(first) = m.DestinationLinks.at(first + 1) = destinationFlag;
                m.SourceLinks.at(first) = m.SourceLinks.at(first + 1) = sourceFlag;
            }
        LogDracoMessage(s, "32 Stereo Links");
        m.UpdateFlags &= ~(UpdateBit::SourceLinks | UpdateBit::DestinationLinks);
        SetSwitcherConnected(s, true);
        if (s.HelmClientsActive) {
            SendLinksToClient(s, m.SourceLinks, TableSources, 0);
            SendLinksToClient(s, m.DestinationLinks, TableDestinations, 0);
        }
    });
}

void DracoInhibits(Server& s, const Bytes& Frame)
{
    Trap(s, "Error Receiving Inhibits", "Switcher Command Error", [&] {
        Model& m = s.model;
        const std::optional<DracoValues> read = ReadDracoValues(Frame, InhibitsLength);
        if (!read) {
            LogDracoError(s, "Message Length Error", "DracoInhibits");
            // Asked for again with the next request of pending tables.
            m.UpdateFlags |= UpdateBit::Inhibits;
            return;
        }
        if (!read->Checksum) {
            LogDracoError(s, "Switcher Check Sum Error", "DracoInhibits");
            return;
        }
        for (size_t d = 0; d < DracoSize; ++d) {
            std::string text(DracoSize, '0');
            for (size_t source = 0; source < DracoSize; ++source)
                if ((read->Values[4 * d + source / 8] >> (source % 8)) & 1)
                    text[source] = '1';
            m.InhibitMap.at(d) = text;
        }
        LogDracoMessage(s, "32 Inhibits Maps");
        m.UpdateFlags &= ~UpdateBit::Inhibits;
        s.SwitcherRequest.Active = 0;
        SetSwitcherConnected(s, true);
        if (s.HelmClientsActive)
            SendInhibitMapToClient(s);
        if (AnyPanelClient(s)) {
            s.InhibitMapChanged = true;
            SendInhibitMapToClient(s);
        }
        SaveInhibitNdf(s, 0, DracoSize);
    });
}
