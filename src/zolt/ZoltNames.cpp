// Name (alpha) requests, salvos, relays and the name-change notice.
#include "disk/Logs.h"
#include "disk/StatusDisplay.h"
#include "disk/Trap.h"
#include "model/ByteManipulation.h"
#include "model/Server.h"
#include "switcher/ToSwitcher.h"
#include "zolt/Zolt.h"
#include "zolt/ZoltShared.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace {

// Relay actions of the ^R command as take types.
constexpr int MomentaryRelay = 72;
constexpr int LatchRelay = 68;
constexpr int ReleaseRelay = 64;
// The one-byte number of the three-digit replies ends here.
constexpr int ThreeDigitNameLimit = 256;

struct NameTables {
    const std::vector<std::string>& Raw;     // switcher order
    const std::vector<std::string>& Sorted;  // name order
    const std::vector<int>& SortTable;       // switcher number of each name-order position
    int Count;
    // Positions that every table holds.
    int Known() const { return std::min(Count, static_cast<int>(Raw.size())); }
    int KnownSorted() const
    {
        return std::min({Count, static_cast<int>(Sorted.size()), static_cast<int>(SortTable.size())});
    }
};

NameTables InputsOrOutputs(const Model& m, bool Inputs)
{
    if (Inputs)
        return {m.SourceAlphasRaw, m.SourceAlphas, m.SourceSortTable, m.NumSources};
    return {m.DestinationAlphasRaw, m.DestinationAlphas, m.DestinationSortTable, m.NumDestinations};
}

const std::string& At(const std::vector<std::string>& Names, int Index) { return Names[static_cast<size_t>(Index)]; }
int At(const std::vector<int>& Table, int Index) { return Table[static_cast<size_t>(Index)]; }

Bytes ByteNameReply(char Lead, int Number, const std::string& Name)
{
    return Bytes(1, Lead) + static_cast<char>(Number & 0xFF) + Name8(Name);
}

Bytes DigitNameReply(char Lead, int Number, const std::string& Name)
{
    return Bytes(1, Lead) + Digits(Number + 1, 4) + Name8(Name) + "\r\n";
}

void ExecuteSalvo(Server& s, int Slot, std::optional<int> Kind, std::optional<int> Field)
{
    RunOrAnswerError(s, Slot, "Error Executing Salvo", "Zolt Message Error", [&] {
        const Model& m = s.model;
        const int n = Field ? *Field - 1 : -1;
        // By number the salvo goes to the switcher as it is; by name it is a
        // position in the server's own sort table.
        const int byName = std::min(m.NumSalvos, static_cast<int>(m.SalvoSortTable.size()));
        const bool valid = Kind && n >= 0 && ((*Kind == 1 && n <= m.NumSalvos) || (*Kind == 2 && n < byName));
        if (!valid) {
            ReplyError(s, Slot);
            return;
        }
        const int salvo = *Kind == 2 ? At(m.SalvoSortTable, n) : n;
        SendSalvoExecuteToSwitcher(s, salvo);
        if (RecordingConsoles(s))
            LogIPMessage(s, "Salvo Execute Number " + std::to_string(salvo + 1), Console(s, Slot).Address);
        ReplyOk(s, Slot);
    });
}

void OperateRelay(Server& s, int Slot, std::optional<int> Action, std::optional<int> Field)
{
    RunOrAnswerError(s, Slot, "Error Processing Relay Command", "Zolt Message Error", [&] {
        const int relay = Field ? *Field - 1 : -1;
        if (!Action || *Action < 1 || *Action > 3 || relay < 0 || relay > s.model.NumDestinations) {
            ReplyError(s, Slot);
            return;
        }
        static const int types[] = {MomentaryRelay, LatchRelay, ReleaseRelay};
        static const char* const texts[] = {"Momentary Relay: ", "Latch Relay: ", "Release Relay: "};
        int takeType = types[*Action - 1];
        SendTakeToSwitcher(s, 0, relay, takeType, NoneValue);
        s.counters.Take(Port::Zolt);
        if (RecordingConsoles(s))
            LogIPMessage(s, texts[*Action - 1] + Digits(relay + 1, 3), Console(s, Slot).Address);
        ReplyOk(s, Slot);
    });
}

}  // namespace

void ZoltAlphaRequest(Server& s, int Slot, const Bytes& Command)
{
    Trap(s, "Error sending Alphas to Console", "TCP/IP Console Error", [&] {
        const bool inputs = Command[0] == '\x18';
        const std::string name = inputs ? "^X" : "^Y";
        const NameTables t = InputsOrOutputs(s.model, inputs);
        const std::optional<int> field = DecimalField(Command, 1, 3);
        const int n = field ? *field - 1 : -1;
        // Numbers that no three-digit request covers.
        if (n < 0 || (n > ThreeDigitNameLimit && n < 997)) {
            ReplyError(s, Slot);
            return;
        }
        if (n == 998) {
            for (int i = 0; i < std::min(t.Known(), ThreeDigitNameLimit); ++i)
                SendToConsole(s, Slot, ByteNameReply(Command[0], i, At(t.Raw, i)));
            if (RecordingConsoles(s))
                DisplayMessage(s, name + "999", Console(s, Slot).Address);
            return;
        }
        if (n == 997) {
            for (int i = 0; i < std::min(t.KnownSorted(), ThreeDigitNameLimit); ++i)
                SendToConsole(s, Slot, ByteNameReply(Command[0], At(t.SortTable, i), At(t.Sorted, i)));
            if (RecordingConsoles(s))
                DisplayMessage(s, name + "998", Console(s, Slot).Address);
            return;
        }
        if (n >= ThreeDigitNameLimit || n >= t.Known())
            return;
        SendToConsole(s, Slot, ByteNameReply(Command[0], n, At(t.Raw, n)));
        if (RecordingConsoles(s))
            DisplayMessage(s, name + Digits(n + 1, 3), Console(s, Slot).Address);
    });
}

void ZoltExtendedAlphaRequest(Server& s, int Slot, const Bytes& Command)
{
    Trap(s, "Error sending Alphas to Console", "TCP/IP Console Error", [&] {
        const bool inputs = Command[1] == 'X';
        const std::string name = inputs ? "^EX" : "^EY";
        const char lead = inputs ? '\x15' : '\x16';
        const NameTables t = InputsOrOutputs(s.model, inputs);
        const std::optional<int> field = DecimalField(Command, 2, 4);
        if (!field) {
            ReplyError(s, Slot);
            return;
        }
        const int n = *field - 1;
        if (n == 9998) {
            for (int i = 0; i < t.Known(); ++i)
                SendToConsole(s, Slot, DigitNameReply(lead, i, At(t.Raw, i)));
            if (RecordingConsoles(s))
                DisplayMessage(s, name + "9999", Console(s, Slot).Address);
            return;
        }
        if (n == 9997) {
            for (int i = 0; i < t.KnownSorted(); ++i)
                SendToConsole(s, Slot, DigitNameReply(lead, At(t.SortTable, i), At(t.Sorted, i)));
            if (RecordingConsoles(s))
                DisplayMessage(s, name + "9998", Console(s, Slot).Address);
            return;
        }
        if (n < 0 || n >= t.Known())
            return;
        SendToConsole(s, Slot, DigitNameReply(lead, n, At(t.Raw, n)));
        if (RecordingConsoles(s))
            DisplayMessage(s, name + Digits(n + 1, 4), Console(s, Slot).Address);
    });
}

void ZoltSalvo(Server& s, int Slot, const Bytes& Command)
{
    ExecuteSalvo(s, Slot, DecimalField(Command, 1, 1), DecimalField(Command, 2, 3));
}

void ZoltExtendedSalvo(Server& s, int Slot, const Bytes& Command)
{
    ExecuteSalvo(s, Slot, DecimalField(Command, 2, 1), DecimalField(Command, 3, 4));
}

void ZoltRelay(Server& s, int Slot, const Bytes& Command)
{
    OperateRelay(s, Slot, DecimalField(Command, 1, 1), DecimalField(Command, 2, 3));
}

void ZoltExtendedRelay(Server& s, int Slot, const Bytes& Command)
{
    OperateRelay(s, Slot, DecimalField(Command, 2, 1), DecimalField(Command, 3, 4));
}

void SendAlphaChangeNotice(Server& s, int Kind)
{
    if (s.ZoltClients.Count < 1 || (Kind != TableSources && Kind != TableDestinations))
        return;
    Trap(s, "Error sending Alpha Change Notice to Console", "TCP/IP Console Error", [&] {
        const Bytes notice = Kind == TableSources ? "\aIAC" : "\aOAC";
        for (int i = 1; i <= s.ZoltClients.SlotCount(); ++i)
            if (Console(s, i).TallyMode > 3)
                SendToConsole(s, i, notice);
    });
}
