#include "messaging/MessageWriter.h"

#include "ltp/TableContext.h"
#include "messaging/NodeIds.h"
#include "messaging/PropertyTags.h"
#include "messaging/TableTemplates.h"
#include "text/AsciiCase.h"
#include "text/FileTime.h"

namespace pst {
namespace {

constexpr uint32_t kAttachByValue = 1;
constexpr uint32_t kMailUser = 6;
constexpr uint32_t kCodepageUtf8 = 65001;

// "SMTP:" + upper-cased address + NUL, the search key form Outlook uses.
Bytes AddressSearchKey(const std::string& address) {
    std::string key = "SMTP:";
    for (char c : address) key.push_back(mailbox::UpperAscii(c));
    Bytes out(key.begin(), key.end());
    out.push_back(0);
    return out;
}

std::string JoinNames(const MessageData& m, RecipientType type) {
    std::string out;
    for (const auto& r : m.recipients) {
        if (r.type != type) continue;
        if (!out.empty()) out += "; ";
        out += r.displayName.empty() ? r.emailAddress : r.displayName;
    }
    return out;
}

std::string Extension(const std::string& fileName) {
    size_t dot = fileName.rfind('.');
    return dot == std::string::npos ? std::string() : fileName.substr(dot);
}

void AddString(std::vector<Property>& props, uint32_t tag, const std::string& value) {
    if (!value.empty()) props.push_back(StringProperty(tag, value));
}

// Long texts that are pure ASCII are stored as 8-bit strings: the bytes read
// the same under every code page, and they take half the space of UTF-16.
// Anything else stays UTF-16.
void AddLongText(std::vector<Property>& props, uint32_t tag, const std::string& value) {
    if (value.empty()) return;
    for (char c : value) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            props.push_back(StringProperty(tag, value));
            return;
        }
    }
    props.push_back(Property{(tag & 0xFFFF0000u) | kTypeString8, Bytes(value.begin(), value.end())});
}

SubnodeEntry WriteRecipients(Database& db, const MessageData& m) {
    TableContext table(db, RecipientTableSchema());
    uint32_t rowId = 0;
    for (const auto& r : m.recipients) {
        std::vector<Property> cells;
        cells.push_back(Int32Property(tag::kRecipientType, static_cast<uint32_t>(r.type)));
        cells.push_back(BoolProperty(tag::kResponsibility, true));
        cells.push_back(Int32Property(tag::kObjectType, kMailUser));
        cells.push_back(Int32Property(tag::kDisplayType, 0));
        cells.push_back(StringProperty(tag::kDisplayName, r.displayName.empty() ? r.emailAddress : r.displayName));
        cells.push_back(StringProperty(tag::kAddressType, "SMTP"));
        cells.push_back(StringProperty(tag::kEmailAddress, r.emailAddress));
        cells.push_back(StringProperty(tag::kSmtpAddress, r.emailAddress));
        cells.push_back(StringProperty(tag::kTransmittableDisplayName, r.displayName));
        cells.push_back(BinaryProperty(tag::kSearchKey, AddressSearchKey(r.emailAddress)));
        cells.push_back(BoolProperty(tag::kSendRichInfo, false));
        cells.push_back(Int32Property(tag::kRecipientFlags, 1));
        table.AppendRow(++rowId, cells);
    }
    NodeContent c = table.Commit(db);
    return SubnodeEntry{kRecipientTableNid, c.bidData, c.bidSub};
}

void WriteAttachments(Database& db, const MessageData& m, std::vector<SubnodeEntry>& subnodes) {
    TableContext table(db, AttachmentTableSchema());
    uint32_t index = 0;
    for (const auto& a : m.attachments) {
        uint32_t nid = MakeNid(kNidTypeAttachment, ++index);
        std::vector<Property> props;
        props.push_back(Int32Property(tag::kAttachSize, 0));  // filled in as written
        props.push_back(Int32Property(tag::kAttachMethod, kAttachByValue));
        props.push_back(Int32Property(tag::kRenderingPosition, 0xFFFFFFFF));
        AddString(props, tag::kAttachLongFilename, a.fileName);
        AddString(props, tag::kAttachFilename, a.fileName);
        AddString(props, tag::kDisplayName, a.fileName);
        AddString(props, tag::kAttachExtension, Extension(a.fileName));
        AddString(props, tag::kAttachMimeTag, a.mimeType);
        AddString(props, tag::kAttachContentId, a.contentId);
        props.push_back(BoolProperty(tag::kAttachmentHidden, false));
        const BorrowedValue data{tag::kAttachDataBinary, a.bytes.data(), a.bytes.size()};
        uint32_t stored = 0;
        NodeContent c = PropertyContext::Write(db, props, {}, tag::kAttachSize, &stored, &data);
        props[0] = Int32Property(tag::kAttachSize, stored);
        subnodes.push_back(SubnodeEntry{nid, c.bidData, c.bidSub});
        table.AppendRow(nid, props);
    }
    NodeContent c = table.Commit(db);
    subnodes.push_back(SubnodeEntry{kAttachmentTableNid, c.bidData, c.bidSub});
}

}  // namespace

NodeContent MessageWriter::Write(Database& db, uint32_t nid, const MessageData& m, std::vector<Property>& props) {
    props.clear();
    size_t prefix = SubjectPrefixLength(m.subject);
    std::string normalized = m.subject.substr(prefix);
    uint32_t flags = m.flags & ~uint32_t(kMessageHasAttachments);
    if (!m.attachments.empty()) flags |= kMessageHasAttachments;
    uint64_t modified = m.deliveryTime ? m.deliveryTime : m.submitTime;
    if (!modified) modified = mailbox::FileTimeNow();

    props.push_back(StringProperty(tag::kMessageClass, m.messageClass.empty() ? "IPM.Note" : m.messageClass));
    AddString(props, tag::kSubject, m.subject);
    if (prefix) props.push_back(StringProperty(tag::kSubjectPrefix, m.subject.substr(0, prefix)));
    AddString(props, tag::kNormalizedSubject, normalized);
    AddString(props, tag::kConversationTopic, normalized);
    if (m.submitTime) props.push_back(Int64Property(tag::kClientSubmitTime, m.submitTime));
    if (m.deliveryTime) props.push_back(Int64Property(tag::kMessageDeliveryTime, m.deliveryTime));
    props.push_back(Int64Property(tag::kCreationTime, modified));
    props.push_back(Int64Property(tag::kLastModificationTime, modified));
    props.push_back(Int32Property(tag::kMessageFlags, flags));
    props.push_back(Int32Property(tag::kMessageStatus, 0));
    props.push_back(Int32Property(tag::kImportance, 1));
    props.push_back(Int32Property(tag::kPriority, 0));
    props.push_back(Int32Property(tag::kSensitivity, 0));
    props.push_back(BoolProperty(tag::kHasAttachments, !m.attachments.empty()));
    props.push_back(BoolProperty(tag::kMessageToMe, false));
    props.push_back(BoolProperty(tag::kMessageCcMe, false));
    Bytes searchKey(16, 0);
    Put32(&searchKey[0], nid);
    Put64(&searchKey[4], modified);
    props.push_back(BinaryProperty(tag::kSearchKey, searchKey));
    if (!m.senderName.empty() || !m.senderAddress.empty()) {
        std::string name = m.senderName.empty() ? m.senderAddress : m.senderName;
        props.push_back(StringProperty(tag::kSenderName, name));
        props.push_back(StringProperty(tag::kSentRepresentingName, name));
        if (!m.senderAddress.empty()) {
            props.push_back(StringProperty(tag::kSenderAddressType, "SMTP"));
            props.push_back(StringProperty(tag::kSenderEmailAddress, m.senderAddress));
            props.push_back(BinaryProperty(tag::kSenderSearchKey, AddressSearchKey(m.senderAddress)));
            props.push_back(StringProperty(tag::kSentRepresentingAddressType, "SMTP"));
            props.push_back(StringProperty(tag::kSentRepresentingEmailAddress, m.senderAddress));
            props.push_back(BinaryProperty(tag::kSentRepresentingSearchKey, AddressSearchKey(m.senderAddress)));
        }
    }
    AddString(props, tag::kDisplayTo, JoinNames(m, RecipientType::To));
    AddString(props, tag::kDisplayCc, JoinNames(m, RecipientType::Cc));
    AddString(props, tag::kDisplayBcc, JoinNames(m, RecipientType::Bcc));
    AddLongText(props, tag::kBody, m.bodyText);
    if (!m.bodyHtml.empty()) props.push_back(BinaryProperty(tag::kHtml, Bytes(m.bodyHtml.begin(), m.bodyHtml.end())));
    props.push_back(Int32Property(tag::kInternetCodepage, kCodepageUtf8));
    AddLongText(props, tag::kTransportMessageHeaders, m.transportHeaders);
    AddString(props, tag::kInternetMessageId, m.internetMessageId);

    props.push_back(Int32Property(tag::kMessageSize, 0));  // filled in as written

    std::vector<SubnodeEntry> subnodes;
    subnodes.push_back(WriteRecipients(db, m));
    if (!m.attachments.empty()) WriteAttachments(db, m, subnodes);
    uint32_t stored = 0;
    NodeContent c = PropertyContext::Write(db, props, subnodes, tag::kMessageSize, &stored);
    props.back() = Int32Property(tag::kMessageSize, stored);
    return c;
}

}  // namespace pst
