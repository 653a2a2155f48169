#pragma once
// The node ids every store has ([MS-PST] 2.4.1), and the fixed subnode ids of
// a message's recipient and attachment tables (the same numbers as their
// templates).

#include <cstdint>

namespace pst {

constexpr uint32_t kMessageStoreNid = 0x21;
constexpr uint32_t kNameIdMapNid = 0x61;
constexpr uint32_t kRootFolderNid = 0x122;
constexpr uint32_t kSearchManagementQueueNid = 0x1E1;
constexpr uint32_t kSearchActivityListNid = 0x201;
constexpr uint32_t kSearchDomainNid = 0x261;
constexpr uint32_t kHierarchyTemplateNid = 0x60D;
constexpr uint32_t kContentsTemplateNid = 0x60E;
constexpr uint32_t kAssocContentsTemplateNid = 0x60F;
constexpr uint32_t kSearchContentsTemplateNid = 0x610;
constexpr uint32_t kReceiveFolderTableNid = 0x62B;
constexpr uint32_t kOutgoingQueueTableNid = 0x64C;
constexpr uint32_t kAttachmentTemplateNid = 0x671;
constexpr uint32_t kRecipientTemplateNid = 0x692;
// The spam search folder of the minimal store, below the root folder; its
// tables, search update queue and criteria share its NID index.
constexpr uint32_t kSpamSearchFolderNid = 0x2223;

constexpr uint32_t kAttachmentTableNid = 0x671;
constexpr uint32_t kRecipientTableNid = 0x692;

}  // namespace pst
