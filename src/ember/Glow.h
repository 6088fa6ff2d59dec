#pragma once
// Glow, the schema of Ember+ messages: the elements this provider sends and
// reads (nodes, parameters, matrices with their connections and labels, and
// the commands), as one plain structure for both directions. Anything else a
// message holds is skipped.
#include "platform/Bytes.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Glow {
// Application tags of the types.
constexpr uint32_t Root = 0;
constexpr uint32_t Parameter = 1;
constexpr uint32_t Command = 2;
constexpr uint32_t Node = 3;
constexpr uint32_t ElementCollection = 4;
constexpr uint32_t QualifiedParameter = 9;
constexpr uint32_t QualifiedNode = 10;
constexpr uint32_t RootElementCollection = 11;
constexpr uint32_t Matrix = 13;
constexpr uint32_t Connection = 16;
constexpr uint32_t QualifiedMatrix = 17;
constexpr uint32_t Label = 18;
// Command numbers.
constexpr int64_t Subscribe = 30;
constexpr int64_t Unsubscribe = 31;
constexpr int64_t GetDirectory = 32;
constexpr int64_t AccessRead = 1;
// Parameter types.
constexpr int64_t TypeInteger = 1;
constexpr int64_t TypeString = 3;
constexpr int64_t TypeBoolean = 4;
constexpr int64_t MatrixOneToN = 0;
constexpr int64_t AddressingLinear = 0;
constexpr int64_t OperationAbsolute = 0;
constexpr int64_t OperationConnect = 1;
constexpr int64_t OperationDisconnect = 2;
constexpr int64_t DispositionTally = 0;
constexpr int64_t DispositionPending = 2;
}  // namespace Glow

// Elements and connections one message may hold; a message with more is dropped.
constexpr size_t MaxGlowEntries = 16384;

enum class GlowType { Node, Parameter, Matrix, Command };

struct GlowValue {
    enum class Kind { Integer, String, Boolean, Other };
    Kind Type = Kind::Other;
    int64_t Integer = 0;
    std::string Text;
    bool Boolean = false;
    bool operator==(const GlowValue&) const = default;
};

struct GlowConnection {
    int64_t Target = 0;
    std::optional<std::vector<uint32_t>> Sources;  // absent or empty: none
    std::optional<int64_t> Operation;              // absent: absolute
    std::optional<int64_t> Disposition;            // absent: tally
    bool operator==(const GlowConnection&) const = default;
};

struct GlowLabel {
    std::vector<uint32_t> BasePath;
    std::string Description;
    bool operator==(const GlowLabel&) const = default;
};

// The fields of a node's, parameter's or matrix's contents that are used here.
struct GlowContents {
    std::optional<std::string> Identifier;
    std::optional<std::string> Description;
    std::optional<bool> IsOnline;                  // node, parameter
    std::optional<GlowValue> Value;                // parameter
    std::optional<int64_t> Access;                 // parameter
    std::optional<int64_t> ParameterType;          // parameter
    std::optional<int64_t> MatrixType;             // matrix
    std::optional<int64_t> AddressingMode;         // matrix
    std::optional<int64_t> TargetCount;            // matrix
    std::optional<int64_t> SourceCount;            // matrix
    std::optional<std::vector<GlowLabel>> Labels;  // matrix
    bool operator==(const GlowContents&) const = default;
};

struct GlowElement {
    GlowType Type = GlowType::Node;
    // Written with its whole path rather than its number in its parent.
    bool Qualified = false;
    // The absolute path; a command's is that of the element it is sent to.
    std::vector<uint32_t> Path;
    int64_t Command = 0;
    std::optional<int64_t> DirFieldMask;
    std::optional<GlowContents> Contents;
    std::optional<std::vector<GlowElement>> Children;
    std::optional<std::vector<GlowConnection>> Connections;  // matrix
    bool operator==(const GlowElement&) const = default;
};

// A Root holding Elements as its element collection.
Bytes EncodeGlow(const std::vector<GlowElement>& Elements);
// The elements of a Root's element collection, with absolute paths; false
// for a message that is malformed, too large or no Root. A Root of streams
// or an invocation result holds no elements.
bool DecodeGlow(const Bytes& Message, std::vector<GlowElement>& Elements);
