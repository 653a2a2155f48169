// The allocation operators the engine's programs link: sizes on both sides of
// every class edge, blocks freed by another thread than made them, and
// requests no system can meet.
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

TEST(PoolHeap, BlocksAreAlignedWritableAndReusedAcrossThreads) {
    for (size_t size : {size_t(0), size_t(1), size_t(16), size_t(17), size_t(512), size_t(513), size_t(1024),
                        size_t(1025), size_t(65536), size_t(65537), size_t(3) << 20}) {
        SCOPED_TRACE(size);
        std::vector<unsigned char*> blocks;
        for (int i = 0; i < 64; ++i) {
            auto* block = static_cast<unsigned char*>(::operator new(size));
            EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % 16, 0u);
            std::memset(block, i, size);  // a block that overlaps another shows below
            blocks.push_back(block);
        }
        for (int i = 0; i < 64; ++i) {
            if (size > 0) {
                EXPECT_TRUE(blocks[i][0] == i && blocks[i][size - 1] == i);
            }
        }
        for (unsigned char* block : blocks) ::operator delete(block);
    }

    // One thread makes, another frees, both at once; then every block is whole.
    std::vector<std::vector<char>*> made(20000);
    std::thread maker([&] {
        for (size_t i = 0; i < made.size(); ++i) made[i] = new std::vector<char>(i % 700, static_cast<char>(i));
    });
    maker.join();
    std::thread freer([&] {
        for (size_t i = 0; i < made.size(); i += 2) delete made[i];
    });
    for (size_t i = 1; i < made.size(); i += 2) {
        ASSERT_EQ(made[i]->size(), i % 700);
        if (!made[i]->empty()) {
            EXPECT_EQ((*made[i])[made[i]->size() - 1], static_cast<char>(i));
        }
        delete made[i];
        made[i] = new std::vector<char>(100, 'x');  // taken from lists the other thread is filling
    }
    freer.join();
    for (size_t i = 1; i < made.size(); i += 2) delete made[i];
}

TEST(PoolHeap, ARequestTooLargeFailsAsTheLanguageSays) {
    // Past the address space, and a size whose header would overflow.
    volatile size_t sizes[] = {std::numeric_limits<size_t>::max() / 4 * 3, std::numeric_limits<size_t>::max() - 8};
    for (size_t size : sizes) {
        EXPECT_EQ(::operator new(size, std::nothrow), nullptr);
        EXPECT_THROW(::operator delete(::operator new(size)), std::bad_alloc);
    }
}
