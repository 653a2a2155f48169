#pragma once
// What the readers must show of a store the component wrote in Save All's
// shape: the standard folders at the top, Inbox with exactly the given mails.

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "ComponentFixture.h"
#include "ReaderTools.h"

namespace component_test {

using pst_test::Contains;
using pst_test::Extracted;
using pst_test::ExtractedMessage;

// Inbox must hold exactly `mails`, each found by subject with its attachment.
inline void ExpectInbox(const Extracted& got, const std::vector<SampleMail>& mails, const char* reader) {
    SCOPED_TRACE(reader);
    auto inbox = got.find("Inbox");
    ASSERT_TRUE(inbox != got.end()) << "no Inbox";
    EXPECT_EQ(mails.size(), inbox->second.size());
    for (const SampleMail& mail : mails) {
        const ExtractedMessage* found = nullptr;
        for (const ExtractedMessage& m : inbox->second)
            if (Contains(m.text, mail.subject)) found = &m;
        ASSERT_TRUE(found) << "missing " << mail.subject;
        if (mail.attachmentName.empty()) {
            EXPECT_TRUE(found->attachments.empty()) << mail.subject;
            continue;
        }
        auto attachment = found->attachments.find(mail.attachmentName);
        ASSERT_TRUE(attachment != found->attachments.end()) << mail.subject << " lost " << mail.attachmentName;
        EXPECT_TRUE(attachment->second == mail.attachmentBytes) << mail.attachmentName;
    }
}

inline std::set<std::string> TopFolders(const std::filesystem::path& top) {
    std::set<std::string> names;
    if (std::filesystem::exists(top))
        for (const auto& entry : std::filesystem::directory_iterator(top))
            if (entry.is_directory()) names.insert(entry.path().filename().string());
    return names;
}

}  // namespace component_test
