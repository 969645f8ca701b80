#include "support/zip_bytes.h"

#include <zlib.h>

#include <algorithm>
#include <iterator>

namespace {

void PutU32(std::vector<u8>& b, std::size_t at, u32 v) {
  for (int i = 0; i < 4; i++) b[at + i] = u8(v >> (8 * i));
}

}  // namespace

std::vector<u8> Pattern(std::size_t n, u32 seed, u8 mask) {
  std::vector<u8> b(n);
  u32 x = seed * 2654435761u + 1;
  for (std::size_t i = 0; i < n; i++) {
    x = x * 1103515245u + 12345u;
    b[i] = u8(x >> 16) & mask;
  }
  return b;
}

std::vector<u8> RawDeflate(const std::vector<u8>& in) {
  z_stream s{};
  deflateInit2(&s, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::vector<u8> out(deflateBound(&s, uLong(in.size())));
  s.next_in = const_cast<u8*>(in.data());
  s.avail_in = uInt(in.size());
  s.next_out = out.data();
  s.avail_out = uInt(out.size());
  deflate(&s, Z_FINISH);
  out.resize(s.total_out);
  deflateEnd(&s);
  return out;
}

std::vector<u8> ZipLocalEntry(const std::string& name, u16 method, u16 extraLength,
                              const std::vector<u8>& data, u32 compressedSize,
                              u32 uncompressedSize) {
  const std::size_t dataAt = 30 + name.size() + extraLength;
  std::vector<u8> b(dataAt + data.size(), 0);
  b[0] = 0x50, b[1] = 0x4B, b[2] = 0x03, b[3] = 0x04;
  b[8] = u8(method), b[9] = u8(method >> 8);
  PutU32(b, 18, compressedSize);
  PutU32(b, 22, uncompressedSize);
  PutU32(b, 26, u32(name.size()) | u32(extraLength) << 16);
  std::copy(name.begin(), name.end(), b.begin() + 30);
  std::copy(data.begin(), data.end(), b.begin() + std::ptrdiff_t(dataAt));
  return b;
}

std::string NonInflatingZipsScript(int repeats) {
  return R"(
import zipfile
data = bytes([6]) + bytes(range(256)) * )" +
         std::to_string(repeats) + R"(
with zipfile.ZipFile('stored.zip', 'w', zipfile.ZIP_STORED) as z:
    z.writestr('rom.bin', data)
class Unseekable:
    def __init__(self, f): self.f = f
    def write(self, b): return self.f.write(b)
    def flush(self): self.f.flush()
with open('descriptor.zip', 'wb') as f:
    with zipfile.ZipFile(Unseekable(f), 'w', zipfile.ZIP_DEFLATED) as z:
        z.writestr('rom.bin', data)
)";
}
