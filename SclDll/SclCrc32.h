// CRC-32 of bytes and strings, the register every object checksum is folded into.
//
// Reflected polynomial 0xEDB88320; the register is neither inverted at the start nor at
// the end: callers start with 0xFFFFFFFF and keep the final register, so feeding pieces
// one after the other equals feeding their concatenation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace Arvenko::Melvotar::Scl {

/// Start value of every checksum the library computes.
constexpr int32_t SCL_CRC32_START = static_cast<int32_t>(0xFFFFFFFFu);

/// The register after feeding aLength bytes of apData into aCrc; aCrc for no bytes.
int32_t CalcCRC32(const void* apData, size_t aLength, int32_t aCrc);

/// The register after feeding the bytes of aText up to its first zero byte into aCrc.
int32_t CalcCRC32String(const std::string& aText, int32_t aCrc);

} // namespace Arvenko::Melvotar::Scl
