#pragma once
// A property value as raw little-endian bytes, tagged (id << 16 | type).
// Fixed-size values hold exactly their size; strings hold UTF-16LE without a
// terminating NUL; binaries hold their bytes.

#include <cstdint>
#include <string>
#include <vector>

#include "util/Bytes.h"
#include "util/Utf.h"

namespace pst {

enum PropertyType : uint16_t {
    kTypeInt16 = 0x0002,
    kTypeInt32 = 0x0003,
    kTypeFloat = 0x0004,
    kTypeDouble = 0x0005,
    kTypeCurrency = 0x0006,
    kTypeAppTime = 0x0007,
    kTypeError = 0x000A,
    kTypeBoolean = 0x000B,
    kTypeInt64 = 0x0014,
    kTypeString = 0x001F,
    kTypeString8 = 0x001E,
    kTypeTime = 0x0040,
    kTypeGuid = 0x0048,
    kTypeBinary = 0x0102,
};

struct Property {
    uint32_t tag = 0;
    Bytes value;

    uint16_t Id() const { return static_cast<uint16_t>(tag >> 16); }
    uint16_t Type() const { return static_cast<uint16_t>(tag); }
};

inline uint32_t MakeTag(uint16_t id, uint16_t type) { return (static_cast<uint32_t>(id) << 16) | type; }

// Size of a fixed-size type, or 0 for variable-size types (strings, binaries, multi-values).
inline size_t FixedSizeOf(uint16_t type) {
    switch (type) {
    case kTypeBoolean:
        return 1;
    case kTypeInt16:
        return 2;
    case kTypeInt32:
    case kTypeFloat:
    case kTypeError:
        return 4;
    case kTypeDouble:
    case kTypeCurrency:
    case kTypeAppTime:
    case kTypeInt64:
    case kTypeTime:
        return 8;
    default:
        return 0;
    }
}

inline Property Int32Property(uint32_t tag, uint32_t v) {
    Property p{tag, Bytes(4)};
    Put32(p.value.data(), v);
    return p;
}
inline Property Int64Property(uint32_t tag, uint64_t v) {
    Property p{tag, Bytes(8)};
    Put64(p.value.data(), v);
    return p;
}
inline Property BoolProperty(uint32_t tag, bool v) { return Property{tag, Bytes(1, v ? 1 : 0)}; }
inline Property StringProperty(uint32_t tag, const std::string& utf8) { return Property{tag, Utf8ToUtf16Le(utf8)}; }
inline Property BinaryProperty(uint32_t tag, Bytes bytes) { return Property{tag, std::move(bytes)}; }

inline uint64_t ValueAsInt(const Property& p) {
    uint64_t v = 0;
    for (size_t i = 0; i < p.value.size() && i < 8; ++i) v |= static_cast<uint64_t>(p.value[i]) << (8 * i);
    return v;
}

inline const Property* FindProperty(const std::vector<Property>& props, uint32_t tag) {
    for (const auto& p : props)
        if (p.tag == tag) return &p;
    return nullptr;
}

}  // namespace pst
