// Stores past 4 GiB: every offset is 64-bit, the allocation maps of the far
// intervals (with their FMap and FPMap pages) are laid down, and a store that
// big reopens and takes more mail. The file is held sparsely in memory: the
// bulk is zero-filled attachments, of which only block trailers are stored.

#include <gtest/gtest.h>

#include <array>
#include <unordered_map>

#include "TestFiles.h"

using namespace pst_test;

namespace {

class SparseMemoryFile : public pst::File {
public:
    struct Contents {
        std::unordered_map<uint64_t, std::array<uint8_t, 64>> units;  // non-zero 64-byte units
        uint64_t size = 0;
    };
    explicit SparseMemoryFile(std::shared_ptr<Contents> contents) : m_contents(std::move(contents)) {}

    pst::Status ReadAt(uint64_t offset, void* buffer, size_t size) override {
        if (offset + size > m_contents->size) return pst::Status::Failure("read past end");
        uint8_t* out = static_cast<uint8_t*>(buffer);
        while (size > 0) {
            uint64_t unit = offset / 64;
            size_t within = static_cast<size_t>(offset % 64);
            size_t n = std::min(size, 64 - within);
            auto it = m_contents->units.find(unit);
            if (it == m_contents->units.end())
                std::memset(out, 0, n);
            else
                std::memcpy(out, it->second.data() + within, n);
            out += n;
            offset += n;
            size -= n;
        }
        return pst::Status::Ok();
    }

    pst::Status WriteAt(uint64_t offset, const void* data, size_t size) override {
        const uint8_t* in = static_cast<const uint8_t*>(data);
        m_contents->size = std::max(m_contents->size, offset + size);
        while (size > 0) {
            uint64_t unit = offset / 64;
            size_t within = static_cast<size_t>(offset % 64);
            size_t n = std::min(size, 64 - within);
            auto it = m_contents->units.find(unit);
            std::array<uint8_t, 64> bytes{};
            if (it != m_contents->units.end()) bytes = it->second;
            std::memcpy(bytes.data() + within, in, n);
            bool zero = true;
            for (size_t i = 0; i < 64 && zero; i += 8) {
                uint64_t word;
                std::memcpy(&word, bytes.data() + i, 8);
                zero = word == 0;
            }
            if (zero) {
                if (it != m_contents->units.end()) m_contents->units.erase(it);
            } else {
                m_contents->units[unit] = bytes;
            }
            in += n;
            offset += n;
            size -= n;
        }
        return pst::Status::Ok();
    }

    pst::Status Flush() override { return pst::Status::Ok(); }
    pst::Status Size(uint64_t& size) override {
        size = m_contents->size;
        return pst::Status::Ok();
    }

private:
    std::shared_ptr<Contents> m_contents;
};

std::unique_ptr<pst::File> Sparse(const std::shared_ptr<SparseMemoryFile::Contents>& c) {
    return std::unique_ptr<pst::File>(new SparseMemoryFile(c));
}

}  // namespace

TEST(LargeFile, StorePastFourGibibytesReopensAndGrows) {
    const uint64_t fourGiB = uint64_t(1) << 32;
    const size_t chunk = 32u << 20;
    auto contents = std::make_shared<SparseMemoryFile::Contents>();
    int fillerCount = 0;
    {
        auto store = pst::Store::Create(Sparse(contents), "Big");
        ASSERT_TRUE(store.IsOk()) << store.Message();
        auto filler = store.Value()->IpmSubtree().CreateSubfolder("Filler");
        pst::MessageData big = SampleMessage(0, 100);
        pst::Attachment zeros;
        zeros.fileName = "zeros.bin";
        zeros.bytes.assign(chunk, 0);
        big.attachments.push_back(std::move(zeros));
        while (contents->size < fourGiB + (uint64_t(64) << 20)) {
            big.subject = "Filler " + std::to_string(fillerCount++);
            ASSERT_TRUE(filler->AddMessage(big).IsOk()) << fillerCount;
        }
        auto inbox = store.Value()->IpmSubtree().CreateSubfolder("Inbox");
        for (int i = 0; i < 10; ++i) ASSERT_TRUE(inbox->AddMessage(SampleMessage(i, 9000, 9000)).IsOk());
        ASSERT_TRUE(store.Value()->Close().IsOk());
    }
    ASSERT_GT(contents->size, fourGiB);
    {
        // Reopened with exact maps (Close wrote them); add past 4 GiB again.
        auto store = pst::Store::Open(Sparse(contents));
        ASSERT_TRUE(store.IsOk()) << store.Message();
        auto inbox = store.Value()->IpmSubtree().FindSubfolder("Inbox");
        for (int i = 10; i < 15; ++i) ASSERT_TRUE(inbox->AddMessage(SampleMessage(i, 9000, 9000)).IsOk());
    }
    // Reopened without maps: the allocation map is rebuilt from the B-trees.
    auto store = pst::Store::Open(Sparse(contents));
    ASSERT_TRUE(store.IsOk()) << store.Message();
    auto inbox = store.Value()->IpmSubtree().FindSubfolder("Inbox");
    ASSERT_TRUE(inbox->AddMessage(SampleMessage(15, 9000, 9000)).IsOk());
    auto messages = inbox->Messages();
    ASSERT_TRUE(messages.IsOk()) << messages.Message();
    ASSERT_EQ(16u, messages->size());
    for (int i = 0; i < 16; ++i) {
        const pst::MessageData want = SampleMessage(i, 9000, 9000);
        const pst::MessageData& got = (*messages)[static_cast<size_t>(i)].data;
        EXPECT_EQ(want.subject, got.subject);
        EXPECT_EQ(want.bodyText, got.bodyText);
        ASSERT_EQ(1u, got.attachments.size());
        EXPECT_TRUE(want.attachments[0].bytes == got.attachments[0].bytes) << i;
    }
    EXPECT_EQ(static_cast<uint32_t>(fillerCount),
              store.Value()->IpmSubtree().FindSubfolder("Filler")->Info()->contentCount);
}
