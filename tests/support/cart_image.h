// Builds small cartridge images in host-word form for tests.
#pragma once

#include <initializer_list>
#include <vector>

#include "core/types.h"

class CartImage {
 public:
  explicit CartImage(u32 size) : bytes_(size, 0) {}

  // Writes 68000 bytes, words and longs at 68000 addresses.
  CartImage& Byte(u32 address, u8 value) {
    bytes_.at(address ^ 1) = value;
    return *this;
  }
  CartImage& Word(u32 address, u16 value) {
    Byte(address, static_cast<u8>(value >> 8));
    return Byte(address + 1, static_cast<u8>(value));
  }
  CartImage& Long(u32 address, u32 value) {
    Word(address, static_cast<u16>(value >> 16));
    return Word(address + 2, static_cast<u16>(value));
  }
  // Consecutive words from address on.
  CartImage& Code(u32 address, std::initializer_list<u16> words) {
    for (u16 w : words) {
      Word(address, w);
      address += 2;
    }
    return *this;
  }

  const u8* data() const { return bytes_.data(); }
  u32 size() const { return static_cast<u32>(bytes_.size()); }

 private:
  std::vector<u8> bytes_;
};
