#include "swp08/Swp08Messages.h"

namespace Swp08 {

namespace {

bool ReadNameLength(unsigned char Code, Request& r)
{
    if (Code >= NameLengths.size())
        return false;
    r.NameLength = NameLengths[Code];
    return true;
}

// Matrix in bits 4-7, level in bits 0-3.
void ReadMatrixLevel(unsigned char Byte, Request& r)
{
    r.Matrix = Byte >> 4;
    r.Level = Byte & 0x0F;
}

// The standard form's multiplier byte (bit 7 clear; destination DIV 128 in
// bits 4-6, a source status flag in bit 3, source DIV 128 in bits 0-2) and
// the MOD 128 bytes after it.
bool ReadStandardNumbers(const Bytes& d, Request& r)
{
    const unsigned char multiplier = ByteAt(d, 2);
    if (multiplier & 0x80 || ByteAt(d, 3) > 127 || (d.size() > 4 && ByteAt(d, 4) > 127))
        return false;
    ReadMatrixLevel(ByteAt(d, 1), r);
    r.Destination = ((multiplier >> 4) & 0x07) * 128 + ByteAt(d, 3);
    if (d.size() > 4)
        r.Source = (multiplier & 0x07) * 128 + ByteAt(d, 4);
    return true;
}

int Word(const Bytes& d, size_t At) { return ByteAt(d, At) * 256 + ByteAt(d, At + 1); }

bool ReadStandard(const Bytes& d, Request& r)
{
    switch (r.Command) {
    case Cmd::Interrogate: r.Kind = Ask::Interrogate; return d.size() == 4 && ReadStandardNumbers(d, r);
    case Cmd::Connect: r.Kind = Ask::Connect; return d.size() == 5 && ReadStandardNumbers(d, r);
    case Cmd::TallyDumpRequest:
        r.Kind = Ask::TallyDump;
        if (d.size() != 2)
            return false;
        ReadMatrixLevel(ByteAt(d, 1), r);
        return true;
    case Cmd::AllSourceNames:
    case Cmd::AllDestinationNames:
        r.Kind = r.Command == Cmd::AllSourceNames ? Ask::SourceNames : Ask::DestinationNames;
        // Some clients leave out the matrix byte.
        if (d.size() == 3)
            ReadMatrixLevel(ByteAt(d, 1), r);
        if (r.Kind == Ask::DestinationNames)
            r.Level = 0;
        return (d.size() == 2 || d.size() == 3) && ReadNameLength(ByteAt(d, d.size() - 1), r);
    case Cmd::ImplementationRequest: r.Kind = Ask::Implementation; return d.size() == 1;
    case Cmd::InvalidMessage: r.Kind = Ask::InvalidNotice; return true;
    default: r.Kind = Ask::Unknown; return true;
    }
}

bool ReadExtended(const Bytes& d, Request& r)
{
    // Matrix and level bytes first, then the numbers as DIV 256, MOD 256.
    const auto head = [&](Ask Kind, size_t Size) {
        r.Kind = Kind;
        if (d.size() != Size)
            return false;
        r.Matrix = ByteAt(d, 1);
        r.Level = ByteAt(d, 2);
        return true;
    };
    switch (r.Command & ~Cmd::Extended) {
    case Cmd::Interrogate:
        if (!head(Ask::Interrogate, 5))
            return false;
        r.Destination = Word(d, 3);
        return true;
    case Cmd::Connect:
        if (!head(Ask::Connect, 7))
            return false;
        r.Destination = Word(d, 3);
        r.Source = Word(d, 5);
        return true;
    case Cmd::TallyDumpRequest: return head(Ask::TallyDump, 3);
    case Cmd::AllSourceNames: return head(Ask::SourceNames, 4) && ReadNameLength(ByteAt(d, 3), r);
    case Cmd::AllDestinationNames:
        // No level byte: destination names belong to the matrix.
        r.Kind = Ask::DestinationNames;
        if (d.size() != 3)
            return false;
        r.Matrix = ByteAt(d, 1);
        return ReadNameLength(ByteAt(d, 2), r);
    default: r.Kind = Ask::Unknown; return true;
    }
}

}  // namespace

Request ReadRequest(const Bytes& Data)
{
    Request r;
    if (Data.empty())
        return r;
    r.Command = ByteAt(Data, 0);
    r.Extended = (r.Command & Cmd::Extended) != 0;
    if (!(r.Extended ? ReadExtended(Data, r) : ReadStandard(Data, r)))
        r.Kind = Ask::Malformed;
    return r;
}

}  // namespace Swp08
