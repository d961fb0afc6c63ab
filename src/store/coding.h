// Little-endian encoding of the fixed-size numbers of a table file.
//
// Put* append the value's bytes to a string; Decode* read them from a pointer
// to at least as many bytes as the type has (the caller checks the length).
// Both work byte by byte, so they are independent of the host's byte order and
// of alignment. Doubles travel as the 8 bytes of their IEEE-754 bit pattern.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>

namespace binodal {

inline void PutFixedUnsigned(std::string* dst, std::uint64_t value, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    dst->push_back(static_cast<char>(static_cast<unsigned char>(value >> (8 * i))));
  }
}

inline void PutInt16(std::string* dst, std::int16_t value) {
  PutFixedUnsigned(dst, static_cast<std::uint16_t>(value), 2);
}
inline void PutInt32(std::string* dst, std::int32_t value) {
  PutFixedUnsigned(dst, static_cast<std::uint32_t>(value), 4);
}
inline void PutInt64(std::string* dst, std::int64_t value) {
  PutFixedUnsigned(dst, static_cast<std::uint64_t>(value), 8);
}
inline void PutDouble(std::string* dst, double value) {
  PutFixedUnsigned(dst, std::bit_cast<std::uint64_t>(value), 8);
}

// Overwrites the 4 bytes at dst[offset] (which must exist) with value.
inline void OverwriteInt32(std::string* dst, std::size_t offset, std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  for (std::size_t i = 0; i < 4; ++i) {
    (*dst)[offset + i] = static_cast<char>(static_cast<unsigned char>(bits >> (8 * i)));
  }
}

inline std::uint64_t DecodeFixedUnsigned(const unsigned char* src, std::size_t size) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < size; ++i) value |= std::uint64_t{src[i]} << (8 * i);
  return value;
}

inline std::int16_t DecodeInt16(const unsigned char* src) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(DecodeFixedUnsigned(src, 2)));
}
inline std::int32_t DecodeInt32(const unsigned char* src) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(DecodeFixedUnsigned(src, 4)));
}
inline std::int64_t DecodeInt64(const unsigned char* src) {
  return static_cast<std::int64_t>(DecodeFixedUnsigned(src, 8));
}
inline double DecodeDouble(const unsigned char* src) {
  return std::bit_cast<double>(DecodeFixedUnsigned(src, 8));
}

}  // namespace binodal
