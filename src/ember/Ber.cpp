#include "ember/Ber.h"

namespace {

// Bytes of a base-128 number, high group first, bit 7 on all but the last.
void AppendBase128(Bytes& Out, uint32_t Value)
{
    char groups[5];
    int n = 0;
    do {
        groups[n++] = static_cast<char>(Value & 0x7F);
        Value >>= 7;
    } while (Value != 0);
    while (n > 1)
        Out += static_cast<char>(groups[--n] | 0x80);
    Out += groups[0];
}

Bytes Length(size_t Count)
{
    if (Count < 0x80)
        return Bytes(1, static_cast<char>(Count));
    Bytes digits;
    for (size_t v = Count; v != 0; v >>= 8)
        digits.insert(digits.begin(), static_cast<char>(v & 0xFF));
    return static_cast<char>(0x80 | digits.size()) + digits;
}

constexpr uint32_t EndOfContents = 0;
// No count in a message of ours needs more than 4 length bytes; 8 still fit a size_t.
constexpr size_t MaxLengthBytes = 8;
constexpr int MaxBase128Groups = 5;

bool Fault(BerDocument& Document)
{
    Document.Failed = true;
    return false;
}

// Reads a base-128 number at Pos; false when it runs past End or past 32 bits.
bool ReadBase128(const Bytes& Data, size_t& Pos, size_t End, uint32_t& Value)
{
    uint64_t v = 0;
    for (int n = 0; n < MaxBase128Groups && Pos < End; ++n) {
        const unsigned char b = ByteAt(Data, Pos++);
        v = (v << 7) | (b & 0x7F);
        if (!(b & 0x80)) {
            Value = static_cast<uint32_t>(v);
            return v <= UINT32_MAX;
        }
    }
    return false;
}

}  // namespace

Bytes BerItemBytes(unsigned char Class, bool Constructed, uint32_t Number, const Bytes& Content)
{
    Bytes out;
    const unsigned char first = static_cast<unsigned char>(Class | (Constructed ? Ber::Constructed : 0));
    if (Number < 31) {
        out += static_cast<char>(first | Number);
    } else {
        out += static_cast<char>(first | 0x1F);
        AppendBase128(out, Number);
    }
    out += Length(Content.size());
    out += Content;
    return out;
}

Bytes BerInteger(int64_t Value)
{
    Bytes content;
    for (int shift = 56; shift >= 0; shift -= 8)
        content += static_cast<char>((static_cast<uint64_t>(Value) >> shift) & 0xFF);
    // The first nine bits of an integer are never all equal.
    size_t skip = 0;
    while (skip < 7) {
        const unsigned char b = ByteAt(content, skip), next = ByteAt(content, skip + 1);
        if ((b == 0x00 && !(next & 0x80)) || (b == 0xFF && (next & 0x80)))
            ++skip;
        else
            break;
    }
    return BerItemBytes(Ber::Universal, false, Ber::Integer, content.substr(skip));
}

Bytes BerBoolean(bool Value) { return BerItemBytes(Ber::Universal, false, Ber::Boolean, Bytes(1, Value ? '\xFF' : 0)); }

Bytes BerUtf8(const std::string& Text) { return BerItemBytes(Ber::Universal, false, Ber::Utf8String, Text); }

Bytes BerRelativeOid(const std::vector<uint32_t>& Numbers)
{
    Bytes content;
    for (uint32_t n : Numbers)
        AppendBase128(content, n);
    return BerItemBytes(Ber::Universal, false, Ber::RelativeOid, content);
}

Bytes BerContext(uint32_t Number, const Bytes& Inner) { return BerItemBytes(Ber::Context, true, Number, Inner); }

Bytes BerApplication(uint32_t Number, const Bytes& Content)
{
    return BerItemBytes(Ber::Application, true, Number, Content);
}

Bytes BerSequence(const Bytes& Content) { return BerItemBytes(Ber::Universal, true, Ber::Sequence, Content); }

Bytes BerSet(const Bytes& Content) { return BerItemBytes(Ber::Universal, true, Ber::Set, Content); }

BerReader::BerReader(BerDocument& Document) : BerReader(Document, 0, Document.Data.size(), 0, false) {}

BerReader::BerReader(BerDocument& Document, size_t Begin, size_t End, int Depth, bool UntilEndOfContents)
    : doc_(&Document),
      pos_(Begin),
      end_(End),
      depth_(Depth),
      untilEoc_(UntilEndOfContents)
{
    if (depth_ > MaxBerDepth)
        Fail();
}

bool BerReader::Fail()
{
    doc_->Failed = true;
    pos_ = end_;
    return false;
}

bool BerReader::ReadHeader(BerItem& Item, bool& Indefinite)
{
    const Bytes& d = doc_->Data;
    const unsigned char first = ByteAt(d, pos_++);
    Item.Class = first & Ber::ClassMask;
    Item.Constructed = (first & Ber::Constructed) != 0;
    Item.Number = first & 0x1F;
    if (Item.Number == 0x1F && !ReadBase128(d, pos_, end_, Item.Number))
        return false;
    if (pos_ >= end_)
        return false;
    const unsigned char lengthByte = ByteAt(d, pos_++);
    Indefinite = lengthByte == 0x80;
    size_t length = lengthByte;
    if (lengthByte > 0x80) {
        const size_t count = lengthByte & 0x7F;
        if (count > MaxLengthBytes || count > end_ - pos_)
            return false;
        length = 0;
        for (size_t i = 0; i < count; ++i) {
            if (length >> 55)
                return false;
            length = (length << 8) | ByteAt(d, pos_++);
        }
    }
    Item.Begin = pos_;
    if (Indefinite)
        return Item.Constructed;
    if (length > end_ - pos_)
        return false;
    Item.End = pos_ + length;
    return true;
}

// An indefinite item ends at the end-of-contents of its own level.
bool BerReader::SkipIndefinite(BerItem& Item)
{
    BerReader inner(*doc_, Item.Begin, end_, depth_ + 1, true);
    BerItem child;
    while (inner.Next(child)) {
    }
    if (doc_->Failed)
        return false;
    Item.End = inner.pos_ - 2;
    pos_ = inner.pos_;
    return true;
}

bool BerReader::Next(BerItem& Item)
{
    if (doc_->Failed || pos_ >= end_) {
        // Running out of data before the end-of-contents is a fault.
        return untilEoc_ && !doc_->Failed ? Fail() : false;
    }
    bool indefinite = false;
    if (!ReadHeader(Item, indefinite))
        return Fail();
    if (untilEoc_ && Item.Class == Ber::Universal && Item.Number == EndOfContents && !Item.Constructed) {
        if (Item.End != Item.Begin)
            return Fail();
        end_ = pos_;
        untilEoc_ = false;
        return false;
    }
    if (indefinite)
        return SkipIndefinite(Item) || Fail();
    pos_ = Item.End;
    return true;
}

BerReader BerReader::Inside(const BerItem& Item) const
{
    if (!Item.Constructed)
        return BerReader(*doc_, Item.End, Item.End, depth_ + 1, false);
    return BerReader(*doc_, Item.Begin, Item.End, depth_ + 1, false);
}

bool BerIntegerOf(BerDocument& Document, const BerItem& Item, int64_t& Value)
{
    const size_t size = Item.End - Item.Begin;
    if (!Item.Is(Ber::Universal, Ber::Integer) || Item.Constructed || size == 0 || size > 8)
        return Fault(Document);
    uint64_t v = (ByteAt(Document.Data, Item.Begin) & 0x80) ? UINT64_MAX : 0;
    for (size_t i = Item.Begin; i < Item.End; ++i)
        v = (v << 8) | ByteAt(Document.Data, i);
    Value = static_cast<int64_t>(v);
    return true;
}

bool BerBooleanOf(BerDocument& Document, const BerItem& Item, bool& Value)
{
    if (!Item.Is(Ber::Universal, Ber::Boolean) || Item.Constructed || Item.End - Item.Begin != 1)
        return Fault(Document);
    Value = ByteAt(Document.Data, Item.Begin) != 0;
    return true;
}

bool BerTextOf(BerDocument& Document, const BerItem& Item, std::string& Text)
{
    if (!Item.Is(Ber::Universal, Ber::Utf8String) || Item.Constructed)
        return Fault(Document);
    Text = Document.Data.substr(Item.Begin, Item.End - Item.Begin);
    return true;
}

bool BerRelativeOidOf(BerDocument& Document, const BerItem& Item, std::vector<uint32_t>& Numbers)
{
    if (!Item.Is(Ber::Universal, Ber::RelativeOid) || Item.Constructed)
        return Fault(Document);
    Numbers.clear();
    for (size_t pos = Item.Begin; pos < Item.End;) {
        uint32_t n = 0;
        if (!ReadBase128(Document.Data, pos, Item.End, n))
            return Fault(Document);
        Numbers.push_back(n);
    }
    return true;
}

bool BerInner(BerReader Outer, BerItem& Inner)
{
    if (Outer.Next(Inner))
        return true;
    return Fault(Outer.Document());
}

bool BerReadInteger(BerReader Outer, int64_t& Value)
{
    BerItem inner;
    return BerInner(Outer, inner) && BerIntegerOf(Outer.Document(), inner, Value);
}

bool BerReadBoolean(BerReader Outer, bool& Value)
{
    BerItem inner;
    return BerInner(Outer, inner) && BerBooleanOf(Outer.Document(), inner, Value);
}

bool BerReadText(BerReader Outer, std::string& Text)
{
    BerItem inner;
    return BerInner(Outer, inner) && BerTextOf(Outer.Document(), inner, Text);
}

bool BerReadRelativeOid(BerReader Outer, std::vector<uint32_t>& Numbers)
{
    BerItem inner;
    return BerInner(Outer, inner) && BerRelativeOidOf(Outer.Document(), inner, Numbers);
}
