#include "swp08/Swp08Messages.h"

#include <algorithm>
#include <array>

namespace Swp08 {

namespace {

void AppendWord(Bytes& b, int Value)
{
    b += static_cast<char>((Value >> 8) & 0xFF);
    b += static_cast<char>(Value & 0xFF);
}

// An output that is off reads as the largest number the field holds.
int Number(int Value, int Largest) { return Value < 0 ? Largest : Value; }

char MatrixLevel(int Matrix, int Level) { return static_cast<char>(((Matrix & 0x0F) << 4) | (Level & 0x0F)); }

// How many names of each length one message holds, by length code.
constexpr std::array<int, 5> NamesPerMessage{32, 16, 10, 8, 7};

// Exactly Length bytes: cut, or padded with spaces (a NUL counts as a space).
Bytes FitName(const std::string& Name, int Length)
{
    Bytes name = Name.substr(0, static_cast<size_t>(Length));
    std::replace(name.begin(), name.end(), '\0', ' ');
    name.resize(static_cast<size_t>(Length), ' ');
    return name;
}

}  // namespace

bool FitsStandardForm(int Matrix, int Level, int Destination, int Source)
{
    return Matrix <= 15 && Level <= 15 && Destination <= MaxStandardNumber && Source <= MaxStandardNumber;
}

Bytes CrosspointMessage(unsigned char Command, bool Extended, int Matrix, int Level, int Destination, int Source)
{
    Bytes b;
    if (Extended) {
        b += static_cast<char>(Command | Cmd::Extended);
        b += static_cast<char>(Matrix);
        b += static_cast<char>(Level);
        AppendWord(b, Destination);
        AppendWord(b, Number(Source, 0xFFFF));
        b += '\0';  // status, for future use
        return b;
    }
    const int source = Number(Source, MaxStandardNumber);
    b += static_cast<char>(Command);
    b += MatrixLevel(Matrix, Level);
    b += static_cast<char>(((Destination / 128) & 0x07) << 4 | ((source / 128) & 0x07));
    b += static_cast<char>(Destination % 128);
    b += static_cast<char>(source % 128);
    return b;
}

std::vector<Bytes> TallyDumpMessages(bool Extended, int Matrix, int Level, const std::vector<int>& SourceOf)
{
    const int count = static_cast<int>(SourceOf.size());
    const bool byteForm =
        !Extended && count <= 192 && std::all_of(SourceOf.begin(), SourceOf.end(), [](int s) { return s < 192; });
    std::vector<Bytes> messages;
    for (int first = 0; first == 0 || first < count; first += DumpTalliesPerMessage) {
        const int n = std::min(DumpTalliesPerMessage, count - first);
        Bytes b;
        if (Extended) {
            b = {static_cast<char>(Cmd::TallyDumpWord | Cmd::Extended), static_cast<char>(Matrix),
                 static_cast<char>(Level)};
        } else {
            b = {static_cast<char>(byteForm ? Cmd::TallyDumpByte : Cmd::TallyDumpWord), MatrixLevel(Matrix, Level)};
        }
        b += static_cast<char>(n);
        if (byteForm)
            b += static_cast<char>(first);
        else
            AppendWord(b, first);
        for (int d = first; d < first + n; ++d) {
            const int source = SourceOf[static_cast<size_t>(d)];
            if (byteForm)
                b += static_cast<char>(Number(source, 0xFF));
            else
                AppendWord(b, Number(source, 0xFFFF));
        }
        messages.push_back(b);
    }
    return messages;
}

std::vector<Bytes> NameMessages(unsigned char Command, int Matrix, int Level, int NameLength,
                                const std::vector<std::string>& Names)
{
    const auto code =
        static_cast<size_t>(std::find(NameLengths.begin(), NameLengths.end(), NameLength) - NameLengths.begin());
    if (code >= NameLengths.size())
        return {};
    const bool extended = (Command & Cmd::Extended) != 0;
    const bool sources = (Command & ~Cmd::Extended) == Cmd::SourceNames;
    const int count = static_cast<int>(Names.size());
    std::vector<Bytes> messages;
    for (int first = 0; first == 0 || first < count; first += NamesPerMessage[code]) {
        const int n = std::min(NamesPerMessage[code], count - first);
        Bytes b(1, static_cast<char>(Command));
        if (!extended)
            b += MatrixLevel(Matrix, sources ? Level : 0);
        else
            b += static_cast<char>(Matrix);
        if (extended && sources)
            b += static_cast<char>(Level);
        b += static_cast<char>(code);
        AppendWord(b, first);
        b += static_cast<char>(n);
        for (int i = first; i < first + n; ++i)
            b += FitName(Names[static_cast<size_t>(i)], NameLength);
        messages.push_back(b);
    }
    return messages;
}

Bytes ImplementationStatusMessage()
{
    // Sent: tallies, connected, dumps, names updated, implementation status,
    // invalid message, name responses. Served: interrogate, connect, dump
    // request, implementation request, invalid message, name requests.
    static const Bytes sent("\x03\x04\x16\x17\x1E\x62\x63\x6A\x6B\x83\x84\x97\xEA\xEB");
    static const Bytes served("\x01\x02\x15\x61\x63\x64\x66\x81\x82\x95\xE4\xE6");
    Bytes b(1, static_cast<char>(Cmd::ImplementationStatus));
    b += static_cast<char>(sent.size());
    b += static_cast<char>(served.size());
    return b + sent + served;
}

Bytes InvalidMessageReply(unsigned char Command)
{
    return Bytes{static_cast<char>(Cmd::InvalidMessage), static_cast<char>(Command)};
}

Bytes NamesUpdatedMessage(bool SourceNames)
{
    // Matrix bitmap, high byte first, the lowest bit for the first matrix;
    // then the name kinds: 4, 8 and 12 character source names (bits 0, 1, 8)
    // or destination names (bits 2, 3, 9).
    Bytes b{static_cast<char>(Cmd::NamesUpdated), 0, 0, 0, 1, 0, 0};
    AppendWord(b, SourceNames ? 0x0103 : 0x020C);
    return b;
}

}  // namespace Swp08
