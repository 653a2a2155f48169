#pragma once
// Property tags used by the messaging layer ([MS-OXPROPS]; id << 16 | type).

#include <cstdint>

namespace pst {
namespace tag {

constexpr uint32_t kImportance = 0x00170003;
constexpr uint32_t kMessageClass = 0x001A001F;
constexpr uint32_t kPriority = 0x00260003;
constexpr uint32_t kSensitivity = 0x00360003;
constexpr uint32_t kSubject = 0x0037001F;
constexpr uint32_t kClientSubmitTime = 0x00390040;
constexpr uint32_t kSentRepresentingSearchKey = 0x003B0102;
constexpr uint32_t kSubjectPrefix = 0x003D001F;
constexpr uint32_t kSentRepresentingName = 0x0042001F;
constexpr uint32_t kMessageToMe = 0x0057000B;
constexpr uint32_t kMessageCcMe = 0x0058000B;
constexpr uint32_t kSentRepresentingAddressType = 0x0064001F;
constexpr uint32_t kSentRepresentingEmailAddress = 0x0065001F;
constexpr uint32_t kConversationTopic = 0x0070001F;
constexpr uint32_t kConversationIndex = 0x00710102;
constexpr uint32_t kTransportMessageHeaders = 0x007D001F;
constexpr uint32_t kRecipientType = 0x0C150003;
constexpr uint32_t kSenderName = 0x0C1A001F;
constexpr uint32_t kSenderSearchKey = 0x0C1D0102;
constexpr uint32_t kSenderAddressType = 0x0C1E001F;
constexpr uint32_t kSenderEmailAddress = 0x0C1F001F;
constexpr uint32_t kDisplayBcc = 0x0E02001F;
constexpr uint32_t kDisplayCc = 0x0E03001F;
constexpr uint32_t kDisplayTo = 0x0E04001F;
constexpr uint32_t kMessageDeliveryTime = 0x0E060040;
constexpr uint32_t kMessageFlags = 0x0E070003;
constexpr uint32_t kMessageSize = 0x0E080003;
constexpr uint32_t kResponsibility = 0x0E0F000B;
constexpr uint32_t kMessageStatus = 0x0E170003;
constexpr uint32_t kHasAttachments = 0x0E1B000B;
constexpr uint32_t kNormalizedSubject = 0x0E1D001F;
constexpr uint32_t kAttachSize = 0x0E200003;
constexpr uint32_t kRecordKey = 0x0FF90102;
constexpr uint32_t kObjectType = 0x0FFE0003;
constexpr uint32_t kBody = 0x1000001F;
constexpr uint32_t kHtml = 0x10130102;
constexpr uint32_t kInternetMessageId = 0x1035001F;
constexpr uint32_t kItemTemporaryFlags = 0x10970003;
constexpr uint32_t kDisplayName = 0x3001001F;
constexpr uint32_t kAddressType = 0x3002001F;
constexpr uint32_t kEmailAddress = 0x3003001F;
constexpr uint32_t kCreationTime = 0x30070040;
constexpr uint32_t kLastModificationTime = 0x30080040;
constexpr uint32_t kSearchKey = 0x300B0102;
constexpr uint32_t kChangeKey = 0x30130102;
constexpr uint32_t kIpmSubtreeEntryId = 0x35E00102;
constexpr uint32_t kIpmWastebasketEntryId = 0x35E30102;
constexpr uint32_t kFinderEntryId = 0x35E70102;
constexpr uint32_t kValidFolderMask = 0x35DF0003;
constexpr uint32_t kContentCount = 0x36020003;
constexpr uint32_t kContentUnreadCount = 0x36030003;
constexpr uint32_t kSubfolders = 0x360A000B;
constexpr uint32_t kContainerClass = 0x3613001F;
constexpr uint32_t kAttachDataBinary = 0x37010102;
constexpr uint32_t kAttachExtension = 0x3703001F;
constexpr uint32_t kAttachFilename = 0x3704001F;
constexpr uint32_t kAttachMethod = 0x37050003;
constexpr uint32_t kAttachLongFilename = 0x3707001F;
constexpr uint32_t kRenderingPosition = 0x370B0003;
constexpr uint32_t kAttachMimeTag = 0x370E001F;
constexpr uint32_t kAttachContentId = 0x3712001F;
constexpr uint32_t kDisplayType = 0x39000003;
constexpr uint32_t kSmtpAddress = 0x39FE001F;
constexpr uint32_t kTransmittableDisplayName = 0x3A20001F;
constexpr uint32_t kSendRichInfo = 0x3A40000B;
constexpr uint32_t kInternetCodepage = 0x3FDE0003;
constexpr uint32_t kRecipientFlags = 0x5FFD0003;
constexpr uint32_t kSecureSubmitFlags = 0x65C60003;
constexpr uint32_t kPstHiddenCount = 0x66350003;
constexpr uint32_t kPstHiddenUnread = 0x66360003;
constexpr uint32_t kAttachmentHidden = 0x7FFE000B;

// Name-to-id map ([MS-PST] 2.4.7).
constexpr uint32_t kNameidBucketCount = 0x00010003;
constexpr uint32_t kNameidStreamGuid = 0x00020102;
constexpr uint32_t kNameidStreamEntry = 0x00030102;
constexpr uint32_t kNameidStreamString = 0x00040102;

}  // namespace tag
}  // namespace pst
