// CRC-16 (polynomial 0x1021, initial value 0x1D0F, no reflection), eight
// bytes per step with eight derived tables ("slicing by 8").
//
// tables[0] is the classic bytewise table: the CRC of one byte on a zero
// register. tables[k][b] is the CRC of byte b followed by k zero bytes, so
// eight message bytes fold into the register with eight independent lookups.

#include "tac_pdu_buffer.h"

#include <array>

namespace vq {
namespace {

using Crc_tables = std::array<std::array<std::uint16_t, 256>, 8>;

constexpr Crc_tables make_tables()
{
    Crc_tables tables{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        std::uint16_t crc = static_cast<std::uint16_t>(byte << 8);
        for (int bit = 0; bit < 8; ++bit) {
            crc = static_cast<std::uint16_t>((crc & 0x8000) ? (crc << 1) ^ crc16_polynomial
                                                            : (crc << 1));
        }
        tables[0][byte] = crc;
    }
    for (unsigned k = 1; k < 8; ++k) {
        for (unsigned byte = 0; byte < 256; ++byte) {
            const std::uint16_t previous = tables[k - 1][byte];
            tables[k][byte] =
                static_cast<std::uint16_t>((previous << 8) ^ tables[0][previous >> 8]);
        }
    }
    return tables;
}

constexpr Crc_tables tables = make_tables();
static_assert(tables[0][1] == 0x1021, "bytewise table of polynomial 0x1021");

} // namespace

std::uint16_t crc16_update(std::uint16_t crc, const std::uint8_t* bytes, std::size_t count)
{
    while (count >= 8) {
        crc = static_cast<std::uint16_t>(
            tables[7][bytes[0] ^ (crc >> 8)] ^ tables[6][bytes[1] ^ (crc & 0xFF)] ^
            tables[5][bytes[2]] ^ tables[4][bytes[3]] ^ tables[3][bytes[4]] ^ tables[2][bytes[5]] ^
            tables[1][bytes[6]] ^ tables[0][bytes[7]]);
        bytes += 8;
        count -= 8;
    }
    while (count > 0) {
        crc = static_cast<std::uint16_t>((crc << 8) ^ tables[0][(crc >> 8) ^ *bytes]);
        ++bytes;
        --count;
    }
    return crc;
}

} // namespace vq
