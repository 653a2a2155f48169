#include "ese/Values.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "Bytes.h"
#include "text/Calendar.h"

namespace korvane::ese {
namespace {

size_t IntegerWidth(ColumnType type) {
    switch (type) {
    case ColumnType::Bit:
    case ColumnType::UnsignedByte: return 1;
    case ColumnType::Short:
    case ColumnType::UnsignedShort: return 2;
    case ColumnType::Long:
    case ColumnType::UnsignedLong: return 4;
    case ColumnType::Currency:
    case ColumnType::LongLong:
    case ColumnType::DateTime: return 8;
    default: return 0;
    }
}

}  // namespace

bool ReadUnsigned(ColumnType type, const std::vector<uint8_t>& bytes, uint64_t& value) {
    size_t width = IntegerWidth(type);
    if (width == 0 || bytes.size() != width) return false;
    value = 0;
    for (size_t i = width; i-- > 0;) value = (value << 8) | bytes[i];
    return true;
}

bool ReadSigned(ColumnType type, const std::vector<uint8_t>& bytes, int64_t& value) {
    uint64_t raw = 0;
    if (!ReadUnsigned(type, bytes, raw)) return false;
    const size_t width = bytes.size();
    if (width < 8 && (raw >> (8 * width - 1)) & 1) raw |= ~0ull << (8 * width);
    value = static_cast<int64_t>(raw);
    return true;
}

bool ReadFloat(ColumnType type, const std::vector<uint8_t>& bytes, double& value) {
    if (type == ColumnType::IEEESingle && bytes.size() == 4) {
        uint32_t raw = Le32(bytes.data());
        float f;
        std::memcpy(&f, &raw, 4);
        value = f;
        return true;
    }
    if ((type == ColumnType::IEEEDouble || type == ColumnType::DateTime) && bytes.size() == 8) {
        uint64_t raw = Le64(bytes.data());
        std::memcpy(&value, &raw, 8);
        return true;
    }
    return false;
}

bool OleDateToIso8601(double days, std::string& text) {
    // Years 1..9999: days from 1899-12-30 within that span.
    if (!std::isfinite(days) || days < -693593.0 || days >= 2958466.0) return false;
    const int64_t millis = static_cast<int64_t>(std::llround((days - 25569.0) * 86400000.0));
    int64_t dayNumber = millis >= 0 ? millis / 86400000 : -((-millis + 86399999) / 86400000);
    int64_t inDay = millis - dayNumber * 86400000;
    const auto [year, month, day] = mailbox::CivilFromDays(dayNumber);
    char buffer[48];
    unsigned h = static_cast<unsigned>(inDay / 3600000), m = static_cast<unsigned>(inDay / 60000 % 60),
             s = static_cast<unsigned>(inDay / 1000 % 60), ms = static_cast<unsigned>(inDay % 1000);
    if (ms)
        std::snprintf(buffer, sizeof buffer, "%04lld-%02u-%02uT%02u:%02u:%02u.%03uZ", static_cast<long long>(year),
                      month, day, h, m, s, ms);
    else
        std::snprintf(buffer, sizeof buffer, "%04lld-%02u-%02uT%02u:%02u:%02uZ", static_cast<long long>(year), month,
                      day, h, m, s);
    text = buffer;
    return true;
}

bool GuidToText(const std::vector<uint8_t>& b, std::string& text) {
    if (b.size() != 16) return false;
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x", Le32(b.data()),
                  Le16(b.data() + 4), Le16(b.data() + 6), b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
    text = buffer;
    return true;
}

std::vector<uint16_t> Utf16Units(const std::vector<uint8_t>& bytes) {
    std::vector<uint16_t> units(bytes.size() / 2);
    for (size_t i = 0; i < units.size(); ++i) units[i] = Le16(bytes.data() + 2 * i);
    return units;
}

bool IsTextType(ColumnType type) { return type == ColumnType::Text || type == ColumnType::LongText; }
bool IsBinaryType(ColumnType type) {
    return type == ColumnType::Binary || type == ColumnType::LongBinary || type == ColumnType::SLV;
}

}  // namespace korvane::ese
