#pragma once
// Files for tests: an in-memory file whose bytes outlive the store that wrote
// them (so a test can "reopen" them), and a wrapper that fails at the Nth
// write or flush, the way a full disk or a yanked drive would.

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "pst/File.h"
#include "pst/MessageData.h"
#include "pst/Store.h"

namespace pst_test {

using Bytes = std::vector<uint8_t>;

class MemoryFile : public pst::File {
public:
    explicit MemoryFile(std::shared_ptr<Bytes> data) : m_data(std::move(data)) {}
    pst::Status ReadAt(uint64_t offset, void* buffer, size_t size) override {
        if (offset + size > m_data->size()) return pst::Status::Failure("read past end of memory file");
        std::memcpy(buffer, m_data->data() + offset, size);
        return pst::Status::Ok();
    }
    pst::Status WriteAt(uint64_t offset, const void* data, size_t size) override {
        if (offset + size > m_data->size()) m_data->resize(static_cast<size_t>(offset + size), 0);
        std::memcpy(m_data->data() + offset, data, size);
        return pst::Status::Ok();
    }
    pst::Status Flush() override { return pst::Status::Ok(); }
    pst::Status Size(uint64_t& size) override {
        size = m_data->size();
        return pst::Status::Ok();
    }

private:
    std::shared_ptr<Bytes> m_data;
};

// Counts writes and flushes; fails the failWrite-th write (1-based) or the
// failFlush-th flush and every call after it. A failing write may first write
// the leading half of its data, as a torn write on a dying disk would. It also
// keeps what every write since the last successful flush replaced, so that
// CutPower() can tell what a power cut would leave on the disk.
class FaultyFile : public pst::File {
public:
    struct Unflushed {
        uint64_t offset;
        size_t size;
        Bytes replaced;  // the bytes before the write; shorter when it extended the file
    };
    struct Plan {
        int failWrite = 0;
        int failFlush = 0;
        bool tornWrite = false;
        int writes = 0;
        int flushes = 0;
        std::vector<Unflushed> unflushed;
    };
    FaultyFile(std::unique_ptr<pst::File> inner, std::shared_ptr<Plan> plan)
        : m_inner(std::move(inner)), m_plan(std::move(plan)) {}
    pst::Status ReadAt(uint64_t offset, void* buffer, size_t size) override {
        return m_inner->ReadAt(offset, buffer, size);
    }
    pst::Status WriteAt(uint64_t offset, const void* data, size_t size) override {
        int n = ++m_plan->writes;
        if (m_failed || (m_plan->failWrite && n >= m_plan->failWrite)) {
            // A torn header is caught by its checksums, a documented risk of a
            // power cut that a failed write cannot produce: headers fail whole.
            if (!m_failed && m_plan->tornWrite && size > 1 && offset != 0) m_inner->WriteAt(offset, data, size / 2);
            m_failed = true;
            return pst::Status::Failure("injected write failure");
        }
        uint64_t fileSize = 0;
        m_inner->Size(fileSize);
        Unflushed undo{offset, size, Bytes(offset < fileSize ? std::min<uint64_t>(size, fileSize - offset) : 0)};
        if (!undo.replaced.empty()) m_inner->ReadAt(offset, undo.replaced.data(), undo.replaced.size());
        m_plan->unflushed.push_back(std::move(undo));
        return m_inner->WriteAt(offset, data, size);
    }
    pst::Status Flush() override {
        int n = ++m_plan->flushes;
        if (m_failed || (m_plan->failFlush && n >= m_plan->failFlush)) {
            m_failed = true;
            return pst::Status::Failure("injected flush failure");
        }
        m_plan->unflushed.clear();
        return m_inner->Flush();
    }
    pst::Status Size(uint64_t& size) override { return m_inner->Size(size); }

private:
    std::unique_ptr<pst::File> m_inner;
    std::shared_ptr<Plan> m_plan;
    bool m_failed = false;
};

// What a power cut leaves of the writes since the last flush: none of them;
// only the first 512-byte sector of each (torn); or, of all of them, only the
// header, because the system wrote it before the data it points to.
// DataWithoutHeader: every unflushed write reached the disk but the header's.
enum class PowerCut { DropUnflushed, TearUnflushed, HeaderBeforeData, DataWithoutHeader };

inline void CutPower(Bytes& disk, const FaultyFile::Plan& plan, PowerCut how) {
    for (auto it = plan.unflushed.rbegin(); it != plan.unflushed.rend(); ++it) {
        if (how == PowerCut::HeaderBeforeData && it->offset == 0) continue;
        if (how == PowerCut::DataWithoutHeader && it->offset != 0) continue;
        size_t kept = how == PowerCut::TearUnflushed ? std::min<size_t>(512, it->size) : 0;
        for (size_t i = kept; i < it->size; ++i)
            disk[static_cast<size_t>(it->offset) + i] = i < it->replaced.size() ? it->replaced[i] : 0;
    }
}

inline std::unique_ptr<pst::File> InMemory(const std::shared_ptr<Bytes>& data) {
    return std::unique_ptr<pst::File>(new MemoryFile(data));
}

// A message whose every field is derived from `i`, so a reader can check it.
inline pst::MessageData SampleMessage(int i, size_t bodyBytes = 300, size_t attachmentBytes = 0) {
    pst::MessageData m;
    m.subject =
        (i % 3 == 0 ? "RE: " : "") + std::string("Sample ") + std::to_string(i) + " \xC3\xA9t\xC3\xA9 \xE2\x82\xAC";
    std::string line = "Line of message " + std::to_string(i) + ".\r\n";
    while (m.bodyText.size() < bodyBytes) m.bodyText += line;
    m.bodyText.resize(bodyBytes);
    m.bodyHtml = "<html><body><p>Message " + std::to_string(i) + "</p></body></html>";
    m.senderName = "Sender " + std::to_string(i);
    m.senderAddress = "sender" + std::to_string(i) + "@example.com";
    m.recipients.push_back(
        {pst::RecipientType::To, "To " + std::to_string(i), "to" + std::to_string(i) + "@example.com"});
    m.recipients.push_back({pst::RecipientType::Cc, "Cc Person", "cc@example.com"});
    m.submitTime = 132000000000000000ULL + static_cast<uint64_t>(i) * 36000000000ULL;
    m.deliveryTime = m.submitTime + 600000000ULL;
    m.flags = (i % 2) ? uint32_t(pst::kMessageRead) : 0u;
    m.transportHeaders = "Message-ID: <" + std::to_string(i) + "@example.com>\r\nSubject: Sample " + std::to_string(i) +
                         "\r\nFrom: sender" + std::to_string(i) + "@example.com\r\n";
    m.internetMessageId = "<" + std::to_string(i) + "@example.com>";
    if (attachmentBytes) {
        pst::Attachment a;
        a.fileName = "file" + std::to_string(i) + ".bin";
        a.mimeType = "application/octet-stream";
        a.bytes.resize(attachmentBytes);
        for (size_t k = 0; k < attachmentBytes; ++k)
            a.bytes[k] = static_cast<uint8_t>((k * 31 + static_cast<size_t>(i)) % 251);
        m.attachments.push_back(std::move(a));
    }
    return m;
}

// A fresh directory for one test, removed with its contents at the end. The
// name is unique per run: several builds may run these tests at once.
class TempDir {
public:
    explicit TempDir(const std::string& name) {
        std::random_device random;
        std::string unique = std::to_string(random()) + "_" +
                             std::to_string(std::chrono::steady_clock::now().time_since_epoch().count() % 1000000007);
        m_path = std::filesystem::temp_directory_path() / ("korvane_pst_" + name + "_" + unique);
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
        std::filesystem::create_directories(m_path);
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    std::string File(const std::string& name) const { return (m_path / std::filesystem::u8path(name)).u8string(); }
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

}  // namespace pst_test
