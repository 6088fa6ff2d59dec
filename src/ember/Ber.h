#pragma once
// The subset of BER that Ember+ uses: definite and indefinite lengths,
// explicit context tags around universal values, application tags on the
// containers. Reading never trusts a length: every item must fit inside its
// container, and containers nest at most MaxBerDepth deep.
#include "platform/Bytes.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Ber {
constexpr unsigned char Universal = 0x00;
constexpr unsigned char Application = 0x40;
constexpr unsigned char Context = 0x80;
constexpr unsigned char ClassMask = 0xC0;
constexpr unsigned char Constructed = 0x20;
// Universal type numbers.
constexpr uint32_t Boolean = 1;
constexpr uint32_t Integer = 2;
constexpr uint32_t OctetString = 4;
constexpr uint32_t Utf8String = 12;
constexpr uint32_t RelativeOid = 13;
constexpr uint32_t Sequence = 16;
constexpr uint32_t Set = 17;
}  // namespace Ber

constexpr int MaxBerDepth = 32;

// ---- Writing: each function returns the whole item, tag and length included.
Bytes BerItemBytes(unsigned char Class, bool Constructed, uint32_t Number, const Bytes& Content);
Bytes BerInteger(int64_t Value);
Bytes BerBoolean(bool Value);
Bytes BerUtf8(const std::string& Text);
Bytes BerRelativeOid(const std::vector<uint32_t>& Numbers);
// [Number] EXPLICIT around one item.
Bytes BerContext(uint32_t Number, const Bytes& Inner);
// [APPLICATION Number] on a container.
Bytes BerApplication(uint32_t Number, const Bytes& Content);
Bytes BerSequence(const Bytes& Content);
Bytes BerSet(const Bytes& Content);

// ---- Reading
// One item: its tag and where its content lies in the data.
struct BerItem {
    unsigned char Class = 0;
    bool Constructed = false;
    uint32_t Number = 0;
    size_t Begin = 0;
    size_t End = 0;
    bool Is(unsigned char C, uint32_t N) const { return Class == C && Number == N; }
};

// The data of one message and whether anything in it was found false; every
// reader of the message shares it, so a fault deep down fails the whole.
struct BerDocument {
    const Bytes& Data;
    bool Failed = false;
};

// Reads the items of one container level in order.
class BerReader {
public:
    // The top level of the document.
    explicit BerReader(BerDocument& Document);
    // The next item; false at the end of the level or on a fault.
    bool Next(BerItem& Item);
    // The items inside a constructed item, one level deeper.
    BerReader Inside(const BerItem& Item) const;
    BerDocument& Document() const { return *doc_; }

private:
    BerReader(BerDocument& Document, size_t Begin, size_t End, int Depth, bool UntilEndOfContents);
    bool Fail();
    bool ReadHeader(BerItem& Item, bool& Indefinite);
    bool SkipIndefinite(BerItem& Item);

    BerDocument* doc_;
    size_t pos_;
    size_t end_;
    int depth_;
    bool untilEoc_;
};

// The values of universal items; a wrong type or shape fails the document.
bool BerIntegerOf(BerDocument& Document, const BerItem& Item, int64_t& Value);
bool BerBooleanOf(BerDocument& Document, const BerItem& Item, bool& Value);
bool BerTextOf(BerDocument& Document, const BerItem& Item, std::string& Text);
bool BerRelativeOidOf(BerDocument& Document, const BerItem& Item, std::vector<uint32_t>& Numbers);

// The one item inside an explicit context item (Outer reads its content),
// the way Glow tags its fields; then its value.
bool BerInner(BerReader Outer, BerItem& Inner);
bool BerReadInteger(BerReader Outer, int64_t& Value);
bool BerReadBoolean(BerReader Outer, bool& Value);
bool BerReadText(BerReader Outer, std::string& Text);
bool BerReadRelativeOid(BerReader Outer, std::vector<uint32_t>& Numbers);
