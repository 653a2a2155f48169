#include "messaging/NameIdMap.h"

#include "messaging/PropertyTags.h"
#include "util/Crc.h"

namespace pst {

std::vector<Property> InitialNameIdMap() {
    constexpr uint32_t kBuckets = 251;
    // PS_INTERNET_HEADERS {00020386-0000-0000-C000-000000000046}, stored as a GUID structure.
    const Bytes guid = {0x86, 0x03, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
    Bytes name = Utf8ToUtf16Le("content-class");
    Bytes strings;
    Append32(strings, static_cast<uint32_t>(name.size()));
    strings.insert(strings.end(), name.begin(), name.end());
    while (strings.size() % 4) strings.push_back(0);

    // wGuid 3 = the first GUID of the GUID stream; N = 1 for a string name.
    const uint16_t guidAndKind = (3 << 1) | 1;
    Bytes entry;
    Append32(entry, 0);  // offset of the name in the string stream
    Append16(entry, guidAndKind);
    Append16(entry, 0);  // property index: the named property is 0x8000
    uint32_t key = PstCrc(name.data(), name.size());
    Bytes bucketEntry = entry;
    Put32(bucketEntry.data(), key);
    uint16_t bucket = static_cast<uint16_t>((key ^ guidAndKind) % kBuckets);

    std::vector<Property> props;
    props.push_back(Int32Property(tag::kNameidBucketCount, kBuckets));
    props.push_back(BinaryProperty(tag::kNameidStreamGuid, guid));
    props.push_back(BinaryProperty(tag::kNameidStreamEntry, entry));
    props.push_back(BinaryProperty(tag::kNameidStreamString, strings));
    props.push_back(BinaryProperty(MakeTag(static_cast<uint16_t>(0x1000 + bucket), kTypeBinary), bucketEntry));
    return props;
}

}  // namespace pst
