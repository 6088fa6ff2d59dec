#include "ember/Ber.h"
#include "ember/Glow.h"

#include <climits>

namespace {

using Path = std::vector<uint32_t>;

struct Decoder {
    BerDocument& Doc;
    size_t Entries = 0;
    // One more element or connection; false (and the message fails) past the cap.
    bool Count()
    {
        if (++Entries > MaxGlowEntries)
            Doc.Failed = true;
        return !Doc.Failed;
    }
};

bool IsField(const BerItem& Item, uint32_t Tag) { return Item.Is(Ber::Context, Tag) && Item.Constructed; }

// The items of the container an explicit field holds, which must have the given tag.
std::optional<BerReader> Container(BerReader Field, unsigned char Class, uint32_t Number)
{
    BerItem inner;
    if (!BerInner(Field, inner))
        return std::nullopt;
    if (!inner.Is(Class, Number) || !inner.Constructed) {
        Field.Document().Failed = true;
        return std::nullopt;
    }
    return Field.Inside(inner);
}

void ReadValue(BerReader Field, std::optional<GlowValue>& Value)
{
    BerItem inner;
    if (!BerInner(Field, inner))
        return;
    GlowValue v;
    BerDocument& doc = Field.Document();
    if (inner.Is(Ber::Universal, Ber::Integer) && BerIntegerOf(doc, inner, v.Integer))
        v.Type = GlowValue::Kind::Integer;
    else if (inner.Is(Ber::Universal, Ber::Utf8String) && BerTextOf(doc, inner, v.Text))
        v.Type = GlowValue::Kind::String;
    else if (inner.Is(Ber::Universal, Ber::Boolean) && BerBooleanOf(doc, inner, v.Boolean))
        v.Type = GlowValue::Kind::Boolean;
    Value = v;
}

template <class T, class Read>
void ReadOptional(BerReader Field, std::optional<T>& Out, Read read)
{
    T v{};
    if (read(Field, v))
        Out = v;
}

// The sequence an explicit field holds, of [0] items with the application tag
// Tag: Read gets the fields of each and returns what it made of them.
template <class T, class Read>
void ReadSequence(Decoder& d, BerReader Field, uint32_t Tag, std::optional<std::vector<T>>& Out, Read read)
{
    std::optional<BerReader> seq = Container(Field, Ber::Universal, Ber::Sequence);
    if (!seq)
        return;
    Out.emplace();
    for (BerItem item; seq->Next(item) && d.Count();) {
        std::optional<BerReader> fields =
            IsField(item, 0) ? Container(seq->Inside(item), Ber::Application, Tag) : std::nullopt;
        if (fields)
            Out->push_back(read(*fields));
    }
}

GlowLabel ReadLabel(BerReader Fields)
{
    GlowLabel l;
    for (BerItem f; Fields.Next(f);) {
        if (IsField(f, 0))
            BerReadRelativeOid(Fields.Inside(f), l.BasePath);
        else if (IsField(f, 1))
            BerReadText(Fields.Inside(f), l.Description);
    }
    return l;
}

// One field of a contents set; the numbers mean different fields by type.
void ReadContentsField(Decoder& d, GlowType Type, const BerItem& f, BerReader Field, GlowContents& c)
{
    if (f.Number == 0)
        return ReadOptional(Field, c.Identifier, BerReadText);
    if (f.Number == 1)
        return ReadOptional(Field, c.Description, BerReadText);
    if (Type == GlowType::Node && f.Number == 3)
        return ReadOptional(Field, c.IsOnline, BerReadBoolean);
    if (Type == GlowType::Parameter) {
        switch (f.Number) {
        case 2: return ReadValue(Field, c.Value);
        case 5: return ReadOptional(Field, c.Access, BerReadInteger);
        case 9: return ReadOptional(Field, c.IsOnline, BerReadBoolean);
        case 13: return ReadOptional(Field, c.ParameterType, BerReadInteger);
        }
    }
    if (Type == GlowType::Matrix) {
        switch (f.Number) {
        case 2: return ReadOptional(Field, c.MatrixType, BerReadInteger);
        case 3: return ReadOptional(Field, c.AddressingMode, BerReadInteger);
        case 4: return ReadOptional(Field, c.TargetCount, BerReadInteger);
        case 5: return ReadOptional(Field, c.SourceCount, BerReadInteger);
        case 10: return ReadSequence(d, Field, Glow::Label, c.Labels, ReadLabel);
        }
    }
}

void ReadContents(Decoder& d, GlowType Type, BerReader Field, std::optional<GlowContents>& Contents)
{
    std::optional<BerReader> set = Container(Field, Ber::Universal, Ber::Set);
    if (!set)
        return;
    GlowContents c;
    for (BerItem f; set->Next(f);) {
        if (f.Class == Ber::Context && f.Constructed)
            ReadContentsField(d, Type, f, set->Inside(f), c);
    }
    Contents = c;
}

GlowConnection ReadConnection(BerReader Fields)
{
    GlowConnection c;
    for (BerItem f; Fields.Next(f);) {
        if (IsField(f, 0)) {
            BerReadInteger(Fields.Inside(f), c.Target);
        } else if (IsField(f, 1)) {
            c.Sources.emplace();
            BerReadRelativeOid(Fields.Inside(f), *c.Sources);
        } else if (IsField(f, 2)) {
            ReadOptional(Fields.Inside(f), c.Operation, BerReadInteger);
        } else if (IsField(f, 3)) {
            ReadOptional(Fields.Inside(f), c.Disposition, BerReadInteger);
        }
    }
    return c;
}

void ReadCollection(Decoder& d, BerReader Items, const Path& Parent, std::vector<GlowElement>& Out);

struct ElementTag {
    uint32_t Tag;
    GlowType Type;
    bool Qualified;
};

constexpr ElementTag ElementTags[] = {
    {Glow::Node, GlowType::Node, false},           {Glow::QualifiedNode, GlowType::Node, true},
    {Glow::Parameter, GlowType::Parameter, false}, {Glow::QualifiedParameter, GlowType::Parameter, true},
    {Glow::Matrix, GlowType::Matrix, false},       {Glow::QualifiedMatrix, GlowType::Matrix, true},
    {Glow::Command, GlowType::Command, false},
};

// Type and whether the element carries its whole path, by application tag.
bool ElementKind(uint32_t Tag, GlowType& Type, bool& Qualified)
{
    for (const ElementTag& t : ElementTags) {
        if (t.Tag == Tag) {
            Type = t.Type;
            Qualified = t.Qualified;
            return true;
        }
    }
    return false;
}

// Field 0: the number within Parent, or the whole path.
bool ReadPath(BerReader Field, bool Qualified, const Path& Parent, Path& Out)
{
    if (Qualified)
        return BerReadRelativeOid(Field, Out);
    int64_t number = 0;
    if (!BerReadInteger(Field, number))
        return false;
    if (number < 0 || number > INT32_MAX) {
        Field.Document().Failed = true;
        return false;
    }
    Out = Parent;
    Out.push_back(static_cast<uint32_t>(number));
    return true;
}

void ReadCommand(BerReader Fields, GlowElement& e)
{
    for (BerItem f; Fields.Next(f);) {
        if (IsField(f, 0))
            BerReadInteger(Fields.Inside(f), e.Command);
        else if (IsField(f, 1))
            ReadOptional(Fields.Inside(f), e.DirFieldMask, BerReadInteger);
    }
}

// The fields of an element; its children need its path, which comes first.
void ReadElementFields(Decoder& d, BerReader Fields, const Path& Parent, GlowElement& e)
{
    bool havePath = false;
    for (BerItem f; Fields.Next(f);) {
        if (IsField(f, 0)) {
            havePath = ReadPath(Fields.Inside(f), e.Qualified, Parent, e.Path);
        } else if (IsField(f, 1)) {
            ReadContents(d, e.Type, Fields.Inside(f), e.Contents);
        } else if (IsField(f, 2) && havePath) {
            if (std::optional<BerReader> items =
                    Container(Fields.Inside(f), Ber::Application, Glow::ElementCollection)) {
                e.Children.emplace();
                ReadCollection(d, *items, e.Path, *e.Children);
            }
        } else if (IsField(f, 5) && e.Type == GlowType::Matrix) {
            ReadSequence(d, Fields.Inside(f), Glow::Connection, e.Connections, ReadConnection);
        }
    }
    if (!havePath)
        d.Doc.Failed = true;
}

void ReadCollection(Decoder& d, BerReader Items, const Path& Parent, std::vector<GlowElement>& Out)
{
    for (BerItem item; Items.Next(item) && d.Count();) {
        if (!IsField(item, 0))
            continue;
        const BerReader holder = Items.Inside(item);
        BerItem inner;
        GlowElement e;
        if (!BerInner(holder, inner) || inner.Class != Ber::Application || !inner.Constructed ||
            !ElementKind(inner.Number, e.Type, e.Qualified))
            continue;
        if (e.Type == GlowType::Command) {
            e.Path = Parent;
            ReadCommand(holder.Inside(inner), e);
        } else {
            ReadElementFields(d, holder.Inside(inner), Parent, e);
        }
        if (!d.Doc.Failed)
            Out.push_back(std::move(e));
    }
}

}  // namespace

bool DecodeGlow(const Bytes& Message, std::vector<GlowElement>& Elements)
{
    Elements.clear();
    BerDocument doc{Message};
    Decoder d{doc};
    BerReader top(doc);
    BerItem root;
    if (!top.Next(root) || !root.Is(Ber::Application, Glow::Root) || !root.Constructed)
        return false;
    BerReader rootReader = top.Inside(root);
    BerItem collection;
    if (!rootReader.Next(collection))
        return false;
    if (collection.Is(Ber::Application, Glow::RootElementCollection) && collection.Constructed)
        ReadCollection(d, rootReader.Inside(collection), Path{}, Elements);
    if (doc.Failed)
        Elements.clear();
    return !doc.Failed;
}
