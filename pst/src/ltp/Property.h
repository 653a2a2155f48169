#pragma once
// A property value as raw little-endian bytes, tagged (id << 16 | type).
// Fixed-size values hold exactly their size; strings hold UTF-16LE without a
// terminating NUL; binaries hold their bytes.

#include <cstdint>
#include <cstring>
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

// A value's bytes; values of up to 16 bytes (every fixed-size type, short
// strings) are held inline. A message carries some fifty properties, most of
// them that short, and they were an allocation each.
class PropertyValue {
public:
    PropertyValue() = default;
    PropertyValue(const Bytes& bytes) { assign(bytes.data(), bytes.data() + bytes.size()); }
    PropertyValue(Bytes&& bytes) { *this = std::move(bytes); }
    PropertyValue& operator=(const Bytes& bytes) {
        assign(bytes.data(), bytes.data() + bytes.size());
        return *this;
    }
    PropertyValue& operator=(Bytes&& bytes) {
        if (bytes.size() <= kInline) return *this = static_cast<const Bytes&>(bytes);
        m_large = std::move(bytes);
        m_size = m_large.size();
        m_isLarge = true;
        return *this;
    }

    size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    const uint8_t* data() const { return m_isLarge ? m_large.data() : m_small; }
    uint8_t* data() { return m_isLarge ? m_large.data() : m_small; }
    const uint8_t* begin() const { return data(); }
    const uint8_t* end() const { return data() + m_size; }
    const uint8_t& operator[](size_t i) const { return data()[i]; }
    uint8_t& operator[](size_t i) { return data()[i]; }
    Bytes ToBytes() const { return Bytes(begin(), end()); }

    // New bytes are zero.
    void resize(size_t size) {
        if (size <= kInline && !m_isLarge) {
            if (size > m_size) std::memset(m_small + m_size, 0, size - m_size);
        } else {
            if (!m_isLarge) m_large.assign(m_small, m_small + m_size);
            m_large.resize(size);
            m_isLarge = true;
        }
        m_size = size;
    }
    void assign(const uint8_t* first, const uint8_t* last) {
        const size_t size = static_cast<size_t>(last - first);
        if (size <= kInline) {
            if (size) std::memmove(m_small, first, size);
            Bytes().swap(m_large);
            m_isLarge = false;
        } else {
            m_large.assign(first, last);
            m_isLarge = true;
        }
        m_size = size;
    }

private:
    static constexpr size_t kInline = 16;
    uint8_t m_small[kInline] = {};
    bool m_isLarge = false;
    size_t m_size = 0;
    Bytes m_large;
};

struct Property {
    uint32_t tag = 0;
    PropertyValue value;

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
    Property p{tag, {}};
    p.value.resize(4);
    Put32(p.value.data(), v);
    return p;
}
inline Property Int64Property(uint32_t tag, uint64_t v) {
    Property p{tag, {}};
    p.value.resize(8);
    Put64(p.value.data(), v);
    return p;
}
inline Property BoolProperty(uint32_t tag, bool v) {
    Property p{tag, {}};
    p.value.resize(1);
    p.value[0] = v ? 1 : 0;
    return p;
}
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
