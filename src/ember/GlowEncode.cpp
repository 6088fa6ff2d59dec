#include "ember/Ber.h"
#include "ember/Glow.h"

namespace {

Bytes Field(uint32_t Tag, const Bytes& Inner) { return BerContext(Tag, Inner); }

Bytes OptionalInteger(uint32_t Tag, const std::optional<int64_t>& Value)
{
    return Value ? Field(Tag, BerInteger(*Value)) : Bytes();
}

Bytes OptionalText(uint32_t Tag, const std::optional<std::string>& Text)
{
    return Text ? Field(Tag, BerUtf8(*Text)) : Bytes();
}

Bytes OptionalBoolean(uint32_t Tag, const std::optional<bool>& Value)
{
    return Value ? Field(Tag, BerBoolean(*Value)) : Bytes();
}

Bytes ValueBytes(const GlowValue& v)
{
    switch (v.Type) {
    case GlowValue::Kind::Integer: return BerInteger(v.Integer);
    case GlowValue::Kind::String: return BerUtf8(v.Text);
    case GlowValue::Kind::Boolean: return BerBoolean(v.Boolean);
    case GlowValue::Kind::Other: break;
    }
    return Bytes();
}

Bytes Labels(const std::vector<GlowLabel>& Labels)
{
    Bytes items;
    for (const GlowLabel& l : Labels)
        items += Field(
            0, BerApplication(Glow::Label, Field(0, BerRelativeOid(l.BasePath)) + Field(1, BerUtf8(l.Description))));
    return BerSequence(items);
}

// The contents set; field numbers differ by type.
Bytes ContentsBytes(GlowType Type, const GlowContents& c)
{
    Bytes set = OptionalText(0, c.Identifier) + OptionalText(1, c.Description);
    switch (Type) {
    case GlowType::Node: set += OptionalBoolean(3, c.IsOnline); break;
    case GlowType::Parameter:
        if (c.Value && c.Value->Type != GlowValue::Kind::Other)
            set += Field(2, ValueBytes(*c.Value));
        set += OptionalInteger(5, c.Access) + OptionalBoolean(9, c.IsOnline) + OptionalInteger(13, c.ParameterType);
        break;
    case GlowType::Matrix:
        set += OptionalInteger(2, c.MatrixType) + OptionalInteger(3, c.AddressingMode) +
               OptionalInteger(4, c.TargetCount) + OptionalInteger(5, c.SourceCount);
        if (c.Labels)
            set += Field(10, Labels(*c.Labels));
        break;
    case GlowType::Command: break;
    }
    return BerSet(set);
}

Bytes ConnectionsBytes(const std::vector<GlowConnection>& Connections)
{
    Bytes items;
    for (const GlowConnection& c : Connections) {
        Bytes fields = Field(0, BerInteger(c.Target));
        if (c.Sources)
            fields += Field(1, BerRelativeOid(*c.Sources));
        fields += OptionalInteger(2, c.Operation) + OptionalInteger(3, c.Disposition);
        items += Field(0, BerApplication(Glow::Connection, fields));
    }
    return BerSequence(items);
}

Bytes ElementBytes(const GlowElement& e);

Bytes CollectionItems(const std::vector<GlowElement>& Elements)
{
    Bytes items;
    for (const GlowElement& e : Elements)
        items += Field(0, ElementBytes(e));
    return items;
}

uint32_t ApplicationTag(const GlowElement& e)
{
    switch (e.Type) {
    case GlowType::Parameter: return e.Qualified ? Glow::QualifiedParameter : Glow::Parameter;
    case GlowType::Matrix: return e.Qualified ? Glow::QualifiedMatrix : Glow::Matrix;
    case GlowType::Command: return Glow::Command;
    case GlowType::Node: break;
    }
    return e.Qualified ? Glow::QualifiedNode : Glow::Node;
}

Bytes ElementBytes(const GlowElement& e)
{
    if (e.Type == GlowType::Command)
        return BerApplication(Glow::Command, Field(0, BerInteger(e.Command)) + OptionalInteger(1, e.DirFieldMask));
    Bytes fields;
    if (e.Qualified)
        fields = Field(0, BerRelativeOid(e.Path));
    else
        fields = Field(0, BerInteger(e.Path.empty() ? 0 : e.Path.back()));
    if (e.Contents)
        fields += Field(1, ContentsBytes(e.Type, *e.Contents));
    if (e.Children)
        fields += Field(2, BerApplication(Glow::ElementCollection, CollectionItems(*e.Children)));
    if (e.Connections)
        fields += Field(5, ConnectionsBytes(*e.Connections));
    return BerApplication(ApplicationTag(e), fields);
}

}  // namespace

Bytes EncodeGlow(const std::vector<GlowElement>& Elements)
{
    return BerApplication(Glow::Root, BerApplication(Glow::RootElementCollection, CollectionItems(Elements)));
}
