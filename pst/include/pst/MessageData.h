#pragma once
// A message as the messaging model sees it, independent of how the PST lays it
// out. Strings are UTF-8; times are FILETIME values (100 ns since 1601, UTC).

#include <cstdint>
#include <string>
#include <vector>

namespace pst {

enum class RecipientType : uint32_t { To = 1, Cc = 2, Bcc = 3 };

struct Recipient {
    RecipientType type = RecipientType::To;
    std::string displayName;
    std::string emailAddress;
};

struct Attachment {
    std::string fileName;
    std::string mimeType;
    std::string contentId;
    std::vector<uint8_t> bytes;
};

// MessageFlags bits ([MS-OXCMSG] PidTagMessageFlags).
enum MessageFlag : uint32_t {
    kMessageRead = 0x01,
    kMessageUnmodified = 0x02,
    kMessageUnsent = 0x08,
    kMessageHasAttachments = 0x10,
    kMessageFromMe = 0x20,
};

struct MessageData {
    std::string messageClass = "IPM.Note";
    std::string subject;
    std::string bodyText;
    std::string bodyHtml;
    std::string senderName;
    std::string senderAddress;
    std::vector<Recipient> recipients;
    uint64_t submitTime = 0;
    uint64_t deliveryTime = 0;
    uint32_t flags = kMessageRead;
    std::string transportHeaders;
    std::string internetMessageId;
    std::vector<Attachment> attachments;
};

// A message as read back: what was written plus what the store computed.
struct StoredMessage {
    uint32_t id = 0;
    MessageData data;
    uint32_t messageSize = 0;
};

// Splits a subject into its prefix ("RE: ") and normalized part by the
// messaging protocols' rule: one to three characters other than a colon, a
// blank or a digit, followed by a colon and any number of blanks ("RE:x" and
// "RE:  x" have prefixes "RE:" and "RE:  "). Returns the prefix length in
// bytes, blanks included (0 when there is none).
size_t SubjectPrefixLength(const std::string& subject);

}  // namespace pst
