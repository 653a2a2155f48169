#include "messaging/MessageReader.h"

#include "ltp/PropertyContext.h"
#include "ltp/TableContext.h"
#include "messaging/NodeIds.h"
#include "messaging/PropertyTags.h"

namespace pst {
namespace {

// Accepts the UTF-16 and the 8-bit form of a string property.
std::string Text(const std::vector<Property>& props, uint32_t tag) {
    if (const Property* p = FindProperty(props, tag)) return Utf16LeToUtf8(p->value.data(), p->value.size());
    if (const Property* p = FindProperty(props, (tag & 0xFFFF0000u) | kTypeString8))
        return std::string(p->value.begin(), p->value.end());
    return std::string();
}

uint64_t Number(const std::vector<Property>& props, uint32_t tag) {
    const Property* p = FindProperty(props, tag);
    return p ? ValueAsInt(*p) : 0;
}

const SubnodeEntry* FindSubnode(const std::vector<SubnodeEntry>& subnodes, uint32_t nid) {
    for (const auto& e : subnodes)
        if (e.nid == nid) return &e;
    return nullptr;
}

}  // namespace

StoredMessage MessageReader::Read(Database& db, uint32_t nid) {
    NodeEntry node = db.GetNode(nid);
    std::vector<Property> props = PropertyContext::Read(db, node.bidData, node.bidSub);
    StoredMessage out;
    out.id = nid;
    MessageData& m = out.data;
    m.messageClass = Text(props, tag::kMessageClass);
    m.subject = Text(props, tag::kSubject);
    m.bodyText = Text(props, tag::kBody);
    if (const Property* html = FindProperty(props, tag::kHtml))
        m.bodyHtml.assign(html->value.begin(), html->value.end());
    m.senderName = Text(props, tag::kSenderName);
    m.senderAddress = Text(props, tag::kSenderEmailAddress);
    m.submitTime = Number(props, tag::kClientSubmitTime);
    m.deliveryTime = Number(props, tag::kMessageDeliveryTime);
    m.flags = static_cast<uint32_t>(Number(props, tag::kMessageFlags));
    m.transportHeaders = Text(props, tag::kTransportMessageHeaders);
    m.internetMessageId = Text(props, tag::kInternetMessageId);
    out.messageSize = static_cast<uint32_t>(Number(props, tag::kMessageSize));

    std::vector<SubnodeEntry> subnodes = db.ReadSubnodes(node.bidSub);
    if (const SubnodeEntry* e = FindSubnode(subnodes, kRecipientTableNid)) {
        TableContext table(db, NodeContent{e->bidData, e->bidSub});
        for (const auto& row : table.ReadRows()) {
            Recipient r;
            r.type = static_cast<RecipientType>(Number(row.cells, tag::kRecipientType));
            r.displayName = Text(row.cells, tag::kDisplayName);
            r.emailAddress = Text(row.cells, tag::kEmailAddress);
            m.recipients.push_back(r);
        }
    }
    if (const SubnodeEntry* e = FindSubnode(subnodes, kAttachmentTableNid)) {
        TableContext table(db, NodeContent{e->bidData, e->bidSub});
        for (const auto& row : table.ReadRows()) {
            const SubnodeEntry* a = FindSubnode(subnodes, row.rowId);
            if (!a) continue;
            std::vector<Property> ap = PropertyContext::Read(db, a->bidData, a->bidSub);
            Attachment att;
            att.fileName = Text(ap, tag::kAttachLongFilename);
            att.mimeType = Text(ap, tag::kAttachMimeTag);
            att.contentId = Text(ap, tag::kAttachContentId);
            if (const Property* data = FindProperty(ap, tag::kAttachDataBinary)) att.bytes = data->value.ToBytes();
            m.attachments.push_back(std::move(att));
        }
    }
    return out;
}

}  // namespace pst
