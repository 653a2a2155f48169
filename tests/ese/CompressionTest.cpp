// Compressed column values: values taken from real database files (found by
// their bytes in the corpus files, each decoding to the value an outside
// reader asserts), hand-built XPRESS streams for every length form, and
// damaged or unsupported values, which must be refused, never decoded wrong.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ese/Compression.h"

namespace {

using korvane::ese::DecompressedValue;
using korvane::ese::DecompressValue;
using Bytes = std::vector<std::uint8_t>;
using Status = DecompressedValue::Status;

Bytes FromHex(const std::string& hex) {
    Bytes bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

Bytes Ascii(const std::string& text) { return Bytes(text.begin(), text.end()); }

// UTF-16LE of text below U+0080, plus the surrogate pair of U+1F98A where the text has '~'.
Bytes Utf16(const std::string& text) {
    Bytes bytes;
    for (char c : text) {
        if (c == '~') {
            for (std::uint8_t b : {0x3E, 0xD8, 0x8A, 0xDD}) bytes.push_back(b);
        } else {
            bytes.push_back(static_cast<std::uint8_t>(c));
            bytes.push_back(0);
        }
    }
    return bytes;
}

DecompressedValue Decompress(const Bytes& value) { return DecompressValue(value.data(), value.size()); }

TEST(CompressionTest, ValuesFromRealFilesDecodeToTheAssertedValues) {
    const std::string record0 = "Record          0";
    const std::string padded = "Record" + std::string(2048, ' ') + "0";
    const struct {
        const char* where;
        int scheme;
        std::string stored;
        Bytes expected;
    } cases[] = {
        {"decompress_test.edb, 7-bit ASCII in the record", 1, "0ed2f2f82d2783402010080402814030", Ascii(record0)},
        {"decompress_test.edb, 7-bit Unicode in the record", 2, "16d2f2f82d2783402010080402814030", Utf16(record0)},
        {"multi.edb, 7-bit ASCII multi-value item", 1,
         "0ee170381c0e87c3e170381c0e87c3e170381c0e87c3e170381c0e87c3e170381c0e87c361", Ascii(std::string(41, 'a'))},
        {"decompress_test2.edb, XPRESS text", 3, "180708ffff7f015265636f72642007000ffffc0730", Ascii(padded)},
        {"decompress_test2.edb, XPRESS UTF-16 text", 3, "180e10ffff04005200650063006f0072006400200f000ffffc0f3000",
         Utf16(padded)},
        {"binary.edb, XPRESS long binary", 3,
         "1809040000000074657374206c6f6e6720636f6d707265737365642062696e6172792064617461ffffff3f206107000fffe403",
         Ascii("test long compressed binary data " + std::string(1000, 'a'))},
        {"text.edb, XPRESS UTF-16 with a surrogate pair", 3,
         "184008550410004c006f006e00670020006348006d00700072006500730800650064a80055e80069da00648800ffff01142000742800"
         "78280020003ed88add2000610f000ffffc07",
         Utf16("Long compressed Unicode text ~ " + std::string(1024, 'a'))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.where);
        const Bytes stored = FromHex(c.stored);
        const DecompressedValue value = Decompress(stored);
        EXPECT_EQ(value.status, Status::Ok) << value.error;
        EXPECT_EQ(value.scheme, c.scheme);
        EXPECT_EQ(value.bytes, c.expected);
        // Cut short anywhere, an XPRESS value is refused: never a shorter value, never a read past its end.
        // (A 7-bit value's length is its stored size: only the record can tell that it was cut.)
        for (std::size_t size = 0; c.scheme == 3 && size < stored.size(); ++size) {
            EXPECT_EQ(DecompressValue(stored.data(), size).status, Status::Damaged) << "first " << size << " bytes";
        }
    }
}

// Builds plain LZ77 streams item by item: a flag word before every 32 items,
// lengths in the shortest form unless `wide` asks for the 32-bit one.
class XpressValue {
public:
    explicit XpressValue(std::size_t declaredSize)
        : bytes_{0x18, static_cast<std::uint8_t>(declaredSize & 0xFF), static_cast<std::uint8_t>(declaredSize >> 8)} {}

    XpressValue& Literal(const std::string& text) {
        for (char c : text) {
            Flag(false);
            bytes_.push_back(static_cast<std::uint8_t>(c));
        }
        return *this;
    }

    XpressValue& Match(std::uint32_t distance, std::uint32_t length, bool wide = false) {
        Flag(true);
        std::uint32_t rest = length - 3;
        const std::uint32_t word = ((distance - 1) << 3) | (rest < 7 ? rest : 7);
        Append(word, 2);
        if (rest < 7) return *this;
        rest -= 7;
        const std::uint32_t half = rest < 15 ? rest : 15;
        if (pendingHalf_ == 0) {
            pendingHalf_ = bytes_.size();
            bytes_.push_back(static_cast<std::uint8_t>(half));
        } else {
            bytes_[pendingHalf_] |= static_cast<std::uint8_t>(half << 4);
            pendingHalf_ = 0;
        }
        if (half < 15) return *this;
        rest -= 15;
        if (rest < 255 && !wide) {
            bytes_.push_back(static_cast<std::uint8_t>(rest));
            return *this;
        }
        bytes_.push_back(255);
        if (length - 3 < 0x10000 && !wide) {
            Append(length - 3, 2);
        } else {
            Append(0, 2);
            Append(length - 3, 4);
        }
        return *this;
    }

    // Raw bytes after the items, for streams no encoder would write.
    XpressValue& Raw(const Bytes& raw) {
        bytes_.insert(bytes_.end(), raw.begin(), raw.end());
        return *this;
    }

    const Bytes& bytes() const { return bytes_; }

private:
    void Flag(bool match) {
        if (flagsLeft_ == 0) {
            flagWord_ = bytes_.size();
            Append(0, 4);
            flagsLeft_ = 32;
        }
        --flagsLeft_;
        if (match) bytes_[flagWord_ + flagsLeft_ / 8] |= static_cast<std::uint8_t>(1u << (flagsLeft_ % 8));
    }

    void Append(std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i) bytes_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }

    Bytes bytes_;
    std::size_t flagWord_ = 0;
    int flagsLeft_ = 0;
    std::size_t pendingHalf_ = 0;
};

std::string Repeat(const std::string& text, std::size_t times) {
    std::string result;
    for (std::size_t i = 0; i < times; ++i) result += text;
    return result;
}

TEST(CompressionTest, XpressDecodesEveryLengthFormAndDistance) {
    const struct {
        const char* what;
        Bytes stored;
        std::string expected;
    } cases[] = {
        {"overlapping short match", XpressValue(9).Literal("ab").Match(2, 7).bytes(), "ababababa"},
        {"two matches sharing a half byte", XpressValue(38).Literal("abcd").Match(4, 10).Match(1, 24).bytes(),
         "abcdabcdabcdab" + std::string(24, 'b')},
        {"longest byte form", XpressValue(280).Literal("q").Match(1, 279).bytes(), std::string(280, 'q')},
        {"16-bit form", XpressValue(5001).Literal("z").Match(1, 5000).bytes(), std::string(5001, 'z')},
        {"32-bit form", XpressValue(104).Literal("z").Match(1, 103, true).bytes(), std::string(104, 'z')},
        {"largest declared size", XpressValue(65535).Literal("m").Match(1, 65534).bytes(), std::string(65535, 'm')},
        {"farthest distance", XpressValue(8195).Literal("ab").Match(2, 8190).Match(8192, 3).bytes(),
         Repeat("ab", 4096) + "aba"},
        {"input after the declared size is ignored", XpressValue(3).Literal("abc").Raw({0xEE, 0xEE}).bytes(), "abc"},
        {"empty value", XpressValue(0).bytes(), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const DecompressedValue value = Decompress(c.stored);
        EXPECT_EQ(value.status, Status::Ok) << value.error;
        EXPECT_EQ(value.bytes, Ascii(c.expected));
    }
}

TEST(CompressionTest, DamagedValuesAreRefusedWithTheReason) {
    const struct {
        const char* what;
        Bytes stored;
        std::string reason;  // a part of the error text
    } cases[] = {
        {"nothing at all", {}, "empty"},
        {"7-bit header without characters", {0x0E}, "no packed bytes"},
        {"7-bit bit count not a multiple of 7", {0x08, 0x41, 0x41}, "9 bits is not a whole number of characters"},
        {"XPRESS without its size", {0x18, 0x05}, "too short for its size field"},
        {"XPRESS back-reference before the start", XpressValue(8).Literal("ab").Match(3, 6).bytes(),
         "refers 3 bytes back, before the start"},
        {"XPRESS match at the very start", XpressValue(4).Match(1, 4).bytes(), "refers 1 bytes back"},
        {"XPRESS match past the declared size", XpressValue(6).Literal("ab").Match(2, 5).bytes(),
         "runs past the declared size of 6 bytes"},
        {"XPRESS 32-bit length that would wrap a 32-bit size",
         XpressValue(6).Literal("ab").Match(1, 0xFFFFFFFFu, true).bytes(), "runs past the declared size"},
        {"XPRESS stream shorter than declared", XpressValue(10).Literal("abcde").bytes(), "ends after 5 of 10 bytes"},
        {"XPRESS flag word cut short", {0x18, 0x04, 0x00, 0x00, 0x00}, "ends after 0 of 4 bytes"},
        // A literal, then a match whose 16-bit length field holds 5, below the 22 the shorter forms reach.
        {"XPRESS long form below its floor",
         {0x18, 0x1E, 0x00, 0x00, 0x00, 0x00, 0x40, 'a', 0x07, 0x00, 0x0F, 0xFF, 0x05, 0x00},
         "long form is too short"},
        {"larger than any page", Bytes(32 * 1024 + 1, 0x0F), "larger than the largest page"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const DecompressedValue value = Decompress(c.stored);
        EXPECT_EQ(value.status, Status::Damaged);
        EXPECT_NE(value.error.find(c.reason), std::string::npos) << value.error;
        EXPECT_TRUE(value.bytes.empty());
    }
}

TEST(CompressionTest, OtherSchemesAreNamedNotGuessed) {
    const struct {
        std::uint8_t header;
        const char* error;
    } cases[] = {
        {0x00, "compressed with scheme 0, not supported"},
        {0x20, "compressed with scheme 4, not supported"},  // scrubbed
        {0x28, "compressed with scheme 5, not supported"},  // XPRESS9
        {0x30, "compressed with scheme 6, not supported"},  // XPRESS10
        {0x3F, "compressed with scheme 7, not supported"},
        {0xF8, "compressed with scheme 31, not supported"},
    };
    for (const auto& c : cases) {
        const Bytes stored = {c.header, 0x12, 0x34, 0x56, 0x78, 0x9A};
        const DecompressedValue value = Decompress(stored);
        EXPECT_EQ(value.status, Status::Unsupported);
        EXPECT_EQ(value.scheme, c.header >> 3);
        EXPECT_EQ(value.error, c.error);
        EXPECT_TRUE(value.bytes.empty());
    }
}

}  // namespace
