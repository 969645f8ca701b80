// Software graphics device: surfaces, a vertex buffer, the camera matrices
// and a rasteriser for one textured, tinted triangle strip.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "platform/platform.h"

struct PlatformSurface {
  i32 width, height;
  std::vector<u16> texels;
};

PlatformSurface* PlatformSurfaceCreate(i32 width, i32 height) {
  if (width <= 0 || height <= 0 || width > 4096 || height > 4096) return nullptr;
  PlatformSurface* s = new (std::nothrow) PlatformSurface;
  if (s == nullptr) return nullptr;
  s->width = width;
  s->height = height;
  s->texels.assign(size_t(width) * size_t(height), 0);
  return s;
}

void PlatformSurfaceRelease(PlatformSurface* s) { delete s; }

void* PlatformSurfaceLock(PlatformSurface* s, i32* pitch) {
  if (s == nullptr) return nullptr;
  *pitch = s->width * 2;
  return s->texels.data();
}

void PlatformSurfaceUnlock(PlatformSurface*) {}

struct PlatformVertexBuffer {
  std::vector<u8> bytes;
};

PlatformVertexBuffer* PlatformVertexBufferCreate(u32 bytes) {
  PlatformVertexBuffer* b = new (std::nothrow) PlatformVertexBuffer;
  if (b == nullptr) return nullptr;
  b->bytes.assign(bytes, 0);
  return b;
}

void PlatformVertexBufferRelease(PlatformVertexBuffer* b) { delete b; }

void* PlatformVertexBufferLock(PlatformVertexBuffer* b, u32 offset, u32 bytes) {
  if (b == nullptr || u64(offset) + bytes > b->bytes.size()) return nullptr;
  return b->bytes.data() + offset;
}

void PlatformVertexBufferUnlock(PlatformVertexBuffer*) {}

namespace {

PlatformVec3 Sub(const PlatformVec3& a, const PlatformVec3& b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
PlatformVec3 Cross(const PlatformVec3& a, const PlatformVec3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float Dot(const PlatformVec3& a, const PlatformVec3& b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
PlatformVec3 Normalize(const PlatformVec3& a) {
  const float len = std::sqrt(Dot(a, a));
  if (len == 0.0f) return a;
  return {a.x / len, a.y / len, a.z / len};
}

}  // namespace

void PlatformMatrixLookAtLH(PlatformMatrix* out, const PlatformVec3& eye, const PlatformVec3& at,
                            const PlatformVec3& up) {
  const PlatformVec3 z = Normalize(Sub(at, eye));
  const PlatformVec3 x = Normalize(Cross(up, z));
  const PlatformVec3 y = Cross(z, x);
  *out = {{{x.x, y.x, z.x, 0.0f},
           {x.y, y.y, z.y, 0.0f},
           {x.z, y.z, z.z, 0.0f},
           {-Dot(x, eye), -Dot(y, eye), -Dot(z, eye), 1.0f}}};
}

void PlatformMatrixPerspectiveFovLH(PlatformMatrix* out, float fovY, float aspect, float zNear,
                                    float zFar) {
  const float ys = 1.0f / std::tan(fovY / 2.0f);
  const float xs = ys / aspect;
  const float q = zFar / (zFar - zNear);
  *out = {{{xs, 0.0f, 0.0f, 0.0f},
           {0.0f, ys, 0.0f, 0.0f},
           {0.0f, 0.0f, q, 1.0f},
           {0.0f, 0.0f, -zNear * q, 0.0f}}};
}

struct PlatformDevice {
  i32 width, height;
  std::vector<u32> pixels;
  PlatformMatrix transform[3];
  PlatformSurface* texture = nullptr;
  PlatformVertexBuffer* stream = nullptr;
};

PlatformDevice* PlatformDeviceCreate(i32 width, i32 height) {
  if (width <= 0 || height <= 0 || width > 8192 || height > 8192) return nullptr;
  PlatformDevice* d = new (std::nothrow) PlatformDevice;
  if (d == nullptr) return nullptr;
  d->width = width;
  d->height = height;
  d->pixels.assign(size_t(width) * size_t(height), 0);
  for (PlatformMatrix& m : d->transform) {
    m = {};
    for (int i = 0; i < 4; i++) m.m[i][i] = 1.0f;
  }
  return d;
}

void PlatformDeviceRelease(PlatformDevice* d) { delete d; }

u32* PlatformDeviceBackBuffer(PlatformDevice* d, i32* width, i32* height, i32* pitch) {
  *width = d->width;
  *height = d->height;
  *pitch = d->width;
  return d->pixels.data();
}

void PlatformDeviceClear(PlatformDevice* d, u32 color) {
  std::fill(d->pixels.begin(), d->pixels.end(), color);
}

void PlatformDeviceSetTransform(PlatformDevice* d, PlatformTransform which,
                                const PlatformMatrix& m) {
  if (which <= kTransformProjection) d->transform[which] = m;
}

void PlatformDeviceSetTexture(PlatformDevice* d, PlatformSurface* t) { d->texture = t; }

void PlatformDeviceSetStream(PlatformDevice* d, PlatformVertexBuffer* b) { d->stream = b; }

namespace {

struct ScreenVertex {
  double x, y;    // back-buffer pixel position
  double invW;    // 1 / clip w, for perspective-correct interpolation
  double uw, vw;  // u / w, v / w
  double rgb[3];  // tint channels 0-255
};

PlatformMatrix Multiply(const PlatformMatrix& a, const PlatformMatrix& b) {
  PlatformMatrix r{};
  for (int i = 0; i < 4; i++) {
    for (int j = 0; j < 4; j++) {
      float s = 0.0f;
      for (int k = 0; k < 4; k++) s += a.m[i][k] * b.m[k][j];
      r.m[i][j] = s;
    }
  }
  return r;
}

// False when the vertex lies behind the near plane (the triangle is dropped).
bool Project(const PlatformDevice* d, const PlatformMatrix& m, const PlatformVertex& v,
             ScreenVertex* out) {
  const double p[4] = {v.x, v.y, v.z, 1.0};
  double c[4];
  for (int j = 0; j < 4; j++) {
    c[j] = 0.0;
    for (int k = 0; k < 4; k++) c[j] += p[k] * double(m.m[k][j]);
  }
  if (!(c[3] > 1e-6) || c[2] < 0.0) return false;
  const double nx = c[0] / c[3], ny = c[1] / c[3];
  // Keep far-off points finite for the bounding box.
  if (!(std::fabs(nx) < 1e6) || !(std::fabs(ny) < 1e6)) return false;
  out->x = (nx + 1.0) * 0.5 * d->width;
  out->y = (1.0 - ny) * 0.5 * d->height;
  out->invW = 1.0 / c[3];
  out->uw = v.u * out->invW;
  out->vw = v.v * out->invW;
  out->rgb[0] = (v.diffuse >> 16) & 0xFF;
  out->rgb[1] = (v.diffuse >> 8) & 0xFF;
  out->rgb[2] = v.diffuse & 0xFF;
  return true;
}

double Edge(const ScreenVertex& a, const ScreenVertex& b, double px, double py) {
  return (b.x - a.x) * (py - a.y) - (b.y - a.y) * (px - a.x);
}

// Top-left fill rule for clockwise (on screen) triangles: a pixel centre that
// falls exactly on an edge belongs to the triangle only for a top or a left edge.
bool TopLeft(const ScreenVertex& a, const ScreenVertex& b) {
  const double dy = b.y - a.y, dx = b.x - a.x;
  return (dy == 0.0 && dx > 0.0) || dy < 0.0;
}

u32 Expand565(u16 c, int channel) {
  switch (channel) {
    case 0: {
      const u32 r = c >> 11;
      return (r << 3) | (r >> 2);
    }
    case 1: {
      const u32 g = (c >> 5) & 0x3F;
      return (g << 2) | (g >> 4);
    }
    default: {
      const u32 b = c & 0x1F;
      return (b << 3) | (b >> 2);
    }
  }
}

void DrawTriangle(PlatformDevice* d, const ScreenVertex& v0, const ScreenVertex& v1,
                  const ScreenVertex& v2) {
  const double area = Edge(v0, v1, v2.x, v2.y);
  if (!(area > 0.0)) return;  // counter-clockwise or degenerate: culled
  const bool tl0 = TopLeft(v1, v2), tl1 = TopLeft(v2, v0), tl2 = TopLeft(v0, v1);
  const double minX = std::max(0.0, std::ceil(std::min({v0.x, v1.x, v2.x})));
  const double maxX = std::min(double(d->width - 1), std::floor(std::max({v0.x, v1.x, v2.x})));
  const double minY = std::max(0.0, std::ceil(std::min({v0.y, v1.y, v2.y})));
  const double maxY = std::min(double(d->height - 1), std::floor(std::max({v0.y, v1.y, v2.y})));
  if (minX > maxX || minY > maxY) return;
  const PlatformSurface* tex = d->texture;
  for (i32 py = i32(minY); py <= i32(maxY); py++) {
    u32* row = d->pixels.data() + size_t(py) * size_t(d->width);
    for (i32 px = i32(minX); px <= i32(maxX); px++) {
      const double w0 = Edge(v1, v2, px, py);
      const double w1 = Edge(v2, v0, px, py);
      const double w2 = Edge(v0, v1, px, py);
      if (w0 < 0.0 || (w0 == 0.0 && !tl0)) continue;
      if (w1 < 0.0 || (w1 == 0.0 && !tl1)) continue;
      if (w2 < 0.0 || (w2 == 0.0 && !tl2)) continue;
      const double l0 = w0 / area, l1 = w1 / area, l2 = w2 / area;
      u32 rgb[3];
      for (int ch = 0; ch < 3; ch++) {
        const double t = l0 * v0.rgb[ch] + l1 * v1.rgb[ch] + l2 * v2.rgb[ch];
        rgb[ch] = u32(std::clamp(std::lround(t), 0L, 255L));
      }
      if (tex != nullptr) {
        const double iw = l0 * v0.invW + l1 * v1.invW + l2 * v2.invW;
        const double u = (l0 * v0.uw + l1 * v1.uw + l2 * v2.uw) / iw;
        const double v = (l0 * v0.vw + l1 * v1.vw + l2 * v2.vw) / iw;
        const double tx = std::clamp(std::floor(u * tex->width), 0.0, double(tex->width - 1));
        const double ty = std::clamp(std::floor(v * tex->height), 0.0, double(tex->height - 1));
        const u16 texel = tex->texels[size_t(ty) * size_t(tex->width) + size_t(tx)];
        for (int ch = 0; ch < 3; ch++) rgb[ch] = (Expand565(texel, ch) * rgb[ch] + 127) / 255;
      }
      row[px] = (rgb[0] << 16) | (rgb[1] << 8) | rgb[2];
    }
  }
}

}  // namespace

void PlatformDeviceDrawStrip(PlatformDevice* d, u32 start, u32 count) {
  if (d->stream == nullptr || count == 0) return;
  const size_t vertices = d->stream->bytes.size() / sizeof(PlatformVertex);
  if (u64(start) + count + 2 > vertices) return;
  const PlatformMatrix m =
      Multiply(Multiply(d->transform[kTransformWorld], d->transform[kTransformView]),
               d->transform[kTransformProjection]);
  PlatformVertex v[3];
  ScreenVertex s[3];
  for (u32 i = 0; i < count; i++) {
    std::memcpy(v, d->stream->bytes.data() + (start + i) * sizeof(PlatformVertex), sizeof(v));
    // Every second triangle of a strip is taken in reverse order, so that
    // all keep the winding of the first.
    if (i & 1) std::swap(v[0], v[1]);
    bool ok = true;
    for (int k = 0; k < 3; k++) ok = ok && Project(d, m, v[k], &s[k]);
    if (ok) DrawTriangle(d, s[0], s[1], s[2]);
  }
}
