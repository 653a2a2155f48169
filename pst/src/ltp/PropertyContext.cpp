#include "ltp/PropertyContext.h"

#include <algorithm>
#include <string>

#include "ltp/BTreeOnHeap.h"
#include "util/EngineError.h"

namespace pst {
namespace {

bool IsInlineInPc(uint16_t type) {
    return type == kTypeInt16 || type == kTypeInt32 || type == kTypeFloat || type == kTypeError || type == kTypeBoolean;
}

}  // namespace

// The size of a stored message or attachment (PidTagMessageSize,
// PidTagAttachSize) is the number of data bytes in every block its node owns:
// the blocks of its property context's heap (with their XBLOCK) and every
// block of its subnode tree, with the streams of large values, the recipient
// and attachment tables and attached objects. Block trailers and alignment
// padding are not counted. The value is stored inline in the property context,
// so writing it does not change what it measures.
NodeContent PropertyContext::Write(Database& db, const std::vector<Property>& properties,
                                   std::vector<SubnodeEntry> extraSubnodes, uint32_t sizeTag, uint32_t* storedSize,
                                   const BorrowedValue* borrowed) {
    uint32_t nextSubnodeIndex = 1;
    std::vector<SubnodeEntry> subnodes = std::move(extraSubnodes);
    // The records go in tag order; the caller's values are not copied.
    std::vector<const Property*> sorted;
    sorted.reserve(properties.size() + 1);
    for (const Property& p : properties) sorted.push_back(&p);
    // A large borrowed value goes to its subnode from the caller's bytes; its
    // record is then an empty stand-in that names the subnode.
    uint32_t borrowedNid = 0;
    Property borrowedRecord;
    if (borrowed && borrowed->size > kMaxHeapAllocation) {
        SubnodeEntry e;
        e.nid = borrowedNid = MakeNid(kNidTypeLtp, nextSubnodeIndex++);
        e.bidData = db.WriteStream(borrowed->data, borrowed->size);
        subnodes.push_back(e);
        borrowedRecord = Property{borrowed->tag, Bytes()};
        sorted.push_back(&borrowedRecord);
    } else if (borrowed) {
        borrowedRecord = Property{borrowed->tag, Bytes(borrowed->data, borrowed->data + borrowed->size)};
        sorted.push_back(&borrowedRecord);
    }
    std::sort(sorted.begin(), sorted.end(), [](const Property* a, const Property* b) { return a->tag < b->tag; });
    Heap heap(kHeapPropertyContext);
    uint32_t header = BTreeOnHeap::Create(heap, 2, 6);
    heap.SetUserRoot(header);
    // The leaf goes right after the header (HID 0x40), as Outlook lays it out.
    Bytes records(sorted.size() * 8, 0);
    if (records.size() > kMaxHeapAllocation) Fail("internal error: too many properties in one object");
    uint32_t leaf = sorted.empty() ? 0 : heap.Allocate(records);
    for (size_t i = 0; i < sorted.size(); ++i) {
        const Property& p = *sorted[i];
        uint8_t* r = &records[8 * i];
        Put16(r, p.Id());
        Put16(r + 2, p.Type());
        uint32_t value = 0;
        if (borrowedNid && p.tag == borrowed->tag) {
            value = borrowedNid;
        } else if (IsInlineInPc(p.Type())) {
            for (size_t k = 0; k < p.value.size() && k < 4; ++k) value |= static_cast<uint32_t>(p.value[k]) << (8 * k);
        } else if (p.value.empty()) {
            value = 0;
        } else if (p.value.size() <= kMaxHeapAllocation) {
            value = heap.Allocate(p.value.data(), p.value.size());
        } else {
            SubnodeEntry e;
            e.nid = MakeNid(kNidTypeLtp, nextSubnodeIndex++);
            e.bidData = db.WriteStream(p.value.data(), p.value.size());
            subnodes.push_back(e);
            value = e.nid;
        }
        Put32(r + 4, value);
    }
    NodeContent out;
    out.bidSub = db.WriteSubnodes(std::move(subnodes));
    Bytes shape = heap.Read(header);
    Put32(&shape[4], leaf);
    heap.Write(header, shape);
    if (sizeTag) {
        auto at =
            std::find_if(sorted.begin(), sorted.end(), [sizeTag](const Property* p) { return p->tag == sizeTag; });
        if (at == sorted.end() || (*at)->Type() != kTypeInt32) Fail("internal error: no size property to fill in");
        if (leaf) heap.Write(leaf, records);
        uint64_t size = db.SubnodeTreeBytes(out.bidSub) + heap.StoredSize();
        uint32_t value = size > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(size);
        Put32(&records[8 * static_cast<size_t>(at - sorted.begin()) + 4], value);
        if (storedSize) *storedSize = value;
    }
    if (leaf) heap.Write(leaf, records);
    out.bidData = heap.Commit(db);
    return out;
}

std::vector<Property> PropertyContext::Read(Database& db, uint64_t bidData, uint64_t bidSub) {
    Heap heap(db, bidData);
    if (heap.ClientSignature() != kHeapPropertyContext) Fail("damaged PST: node is not a property context");
    std::vector<Property> out;
    std::vector<SubnodeEntry> subnodes;
    bool subnodesLoaded = false;
    std::vector<std::pair<uint32_t, uint32_t>> records;
    BTreeOnHeap::CheckShape(heap, heap.UserRoot(), 2, 6);
    BTreeOnHeap::ForEach(heap, heap.UserRoot(), [&](const uint8_t* r) {
        if (!records.empty() && Get16(r) <= records.back().first >> 16) Fail("damaged PST: properties out of order");
        records.emplace_back(MakeTag(Get16(r), Get16(r + 2)), Get32(r + 4));
    });
    for (const auto& rec : records) {
        Property p;
        p.tag = rec.first;
        uint32_t value = rec.second;
        if (IsInlineInPc(p.Type())) {
            size_t size = FixedSizeOf(p.Type());
            p.value.resize(size);
            for (size_t k = 0; k < size; ++k) p.value[k] = static_cast<uint8_t>(value >> (8 * k));
        } else if (value == 0) {
        } else if ((value & 0x1F) == 0) {
            p.value = heap.Read(value);
        } else {
            if (!subnodesLoaded) {
                subnodes = db.ReadSubnodes(bidSub);
                subnodesLoaded = true;
            }
            auto it =
                std::find_if(subnodes.begin(), subnodes.end(), [&](const SubnodeEntry& e) { return e.nid == value; });
            if (it == subnodes.end()) Fail("damaged PST: property value subnode missing");
            p.value = db.ReadStream(it->bidData);
        }
        size_t fixed = FixedSizeOf(p.Type());
        if (fixed && !IsInlineInPc(p.Type()) && !p.value.empty() && p.value.size() != fixed)
            Fail("damaged PST: a fixed-size property holds " + std::to_string(p.value.size()) + " bytes");
        out.push_back(std::move(p));
    }
    return out;
}

}  // namespace pst
