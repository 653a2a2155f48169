#include "ndb/Header.h"

#include <cstring>

#include "ndb/Trailer.h"
#include "util/Crc.h"

namespace pst {

void Header::InitCounters() {
    for (auto& c : nidCounters) c = 0x400;
    nidCounters[kNidTypeSearchFolder] = 0x4000;
    nidCounters[kNidTypeNormalMessage] = 0x10000;
    nidCounters[kNidTypeAssocMessage] = 0x8000;
}

Bytes Header::Serialize() const {
    Bytes h(kHeaderSize, 0);
    std::memcpy(&h[0], "!BDN", 4);
    h[8] = 'S';
    h[9] = 'M';
    Put16(&h[10], 23);
    Put16(&h[12], 19);
    h[14] = 0x01;
    h[15] = 0x01;
    Put64(&h[32], bidNextPage);
    Put32(&h[40], unique);
    for (int i = 0; i < 32; ++i) Put32(&h[44 + 4 * i], nidCounters[i]);
    Put64(&h[184], fileEof);
    Put64(&h[192], lastAMapOffset);
    Put64(&h[200], amapFreeBytes);
    Put64(&h[208], 0);
    Put64(&h[216], nodeTreeRoot.bid);
    Put64(&h[224], nodeTreeRoot.ib);
    Put64(&h[232], blockTreeRoot.bid);
    Put64(&h[240], blockTreeRoot.ib);
    h[248] = amapValid;
    std::memset(&h[256], 0xFF, 256);  // deprecated rgbFM and rgbFP
    h[512] = 0x80;
    h[513] = cryptMethod;
    Put64(&h[516], bidNextBlock);
    Put32(&h[4], PstCrc(&h[8], 471));
    Put32(&h[524], PstCrc(&h[8], 516));
    return h;
}

bool Header::Parse(const uint8_t* h, size_t size, Header& out, std::string& why) {
    if (size < kHeaderSize || std::memcmp(h, "!BDN", 4) != 0 || h[8] != 'S' || h[9] != 'M') {
        why = "not a PST file";
        return false;
    }
    uint16_t version = Get16(h + 10);
    if (version != 23) {
        why = version < 23 ? "an ANSI PST file, which this engine does not write"
                           : "not a Unicode PST file (version " + std::to_string(version) + ")";
        return false;
    }
    if (!ChecksumMatches(Get32(h + 4), PstCrc(h + 8, 471)) || !ChecksumMatches(Get32(h + 524), PstCrc(h + 8, 516))) {
        why = "the PST header is damaged (checksum mismatch)";
        return false;
    }
    out.bidNextPage = Get64(h + 32);
    out.unique = Get32(h + 40);
    for (int i = 0; i < 32; ++i) out.nidCounters[i] = Get32(h + 44 + 4 * i);
    out.fileEof = Get64(h + 184);
    out.lastAMapOffset = Get64(h + 192);
    out.amapFreeBytes = Get64(h + 200);
    out.nodeTreeRoot = BlockRef{Get64(h + 216), Get64(h + 224)};
    out.blockTreeRoot = BlockRef{Get64(h + 232), Get64(h + 240)};
    out.amapValid = h[248];
    out.cryptMethod = h[513];
    out.bidNextBlock = Get64(h + 516);
    return true;
}

}  // namespace pst
