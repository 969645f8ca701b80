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
  // Scratch of the axis-aligned path: the texel column of every back-buffer
  // column, and every 565 texel already multiplied by one tint.
  std::vector<i32> column;
  std::vector<u32> tinted;
  u32 tintedFor = ~0u;  // the tint (0xRRGGBB) of `tinted`; none yet
};

PlatformDevice* PlatformDeviceCreate(i32 width, i32 height) {
  if (width <= 0 || height <= 0 || width > 8192 || height > 8192) return nullptr;
  PlatformDevice* d = new (std::nothrow) PlatformDevice;
  if (d == nullptr) return nullptr;
  d->width = width;
  d->height = height;
  d->pixels.assign(size_t(width) * size_t(height), 0);
  d->column.assign(size_t(width), 0);
  d->tinted.assign(65536, 0);
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

bool Inside(const ScreenVertex& a, const ScreenVertex& b, bool topLeft, i32 px, i32 py) {
  const double w = Edge(a, b, px, py);
  return !(w < 0.0 || (w == 0.0 && !topLeft));
}

// Narrows [*lo, *hi] to the pixel centres of row py on the inner side of the
// edge a -> b. Along a row the edge value moves one way only (every rounding
// step in it is monotonic), so the inner side is one run of pixels, and its
// end is found with a few evaluations of the very test made at a single
// pixel: the coverage is exactly that of testing every pixel.
void ClipSpan(const ScreenVertex& a, const ScreenVertex& b, bool topLeft, i32 py, i32* lo,
              i32* hi) {
  if (*lo > *hi) return;
  const double dy = b.y - a.y;
  if (dy == 0.0) {
    if (!Inside(a, b, topLeft, *lo, py)) *hi = *lo - 1;
    return;
  }
  // `after(px)`: px lies past the end of the run (dy > 0: inside up to the
  // crossing, dy < 0: inside from it). False then true along the row.
  const bool rightEnd = dy > 0.0;
  auto after = [&](i32 px) { return Inside(a, b, topLeft, px, py) != rightEnd; };
  // The first px in [lo, hi + 1] for which `after` holds lies in (l, r].
  i32 l = *lo - 1, r = *hi + 1;
  const double cross = a.x + (b.x - a.x) * (py - a.y) / dy;
  const i32 k = !(cross >= *lo) ? *lo : !(cross <= *hi) ? *hi : i32(std::floor(cross));
  if (after(k)) {
    r = k;
    if (k > *lo && !after(k - 1)) l = k - 1;
  } else {
    l = k;
    if (k < *hi && after(k + 1)) r = k + 1;
  }
  while (r - l > 1) {
    const i32 m = l + (r - l) / 2;
    if (after(m)) {
      r = m;
    } else {
      l = m;
    }
  }
  if (rightEnd) {
    *hi = r - 1;
  } else {
    *lo = r;
  }
}

u32 Widen5(u32 c) { return (c << 3) | (c >> 2); }
u32 Widen6(u32 c) { return (c << 2) | (c >> 4); }

// A texel channel times a tint channel, both 0-255, rounded.
u32 Modulate(u32 texel, u32 tint) { return (texel * tint + 127) / 255; }

void BuildTinted(PlatformDevice* d, u32 tint) {
  const u32 tr = tint >> 16, tg = (tint >> 8) & 0xFF, tb = tint & 0xFF;
  u32 r[32], g[64], b[32];
  for (u32 i = 0; i < 32; i++) {
    r[i] = Modulate(Widen5(i), tr) << 16;
    b[i] = Modulate(Widen5(i), tb);
  }
  for (u32 i = 0; i < 64; i++) g[i] = Modulate(Widen6(i), tg) << 8;
  for (u32 c = 0; c < 65536; c++) d->tinted[c] = r[c >> 11] | g[(c >> 5) & 63] | b[c & 31];
  d->tintedFor = tint;
}

// An attribute as a plane over the screen: value = at0 + dx (x - x0) + dy (y - y0).
struct Plane {
  double at0, dx, dy;
};

// One triangle ready to draw: its vertices, edge vectors, fill-rule flags
// and the back-buffer rectangle that bounds it.
struct Setup {
  const ScreenVertex* v[3];
  double area, ex1, ey1, ex2, ey2;
  bool topLeft[3];
  i32 minX, maxX, minY, maxY;
  Plane Of(double a0, double a1, double a2) const {
    const double d1 = a1 - a0, d2 = a2 - a0;
    return {a0, (d1 * ey2 - d2 * ey1) / area, (d2 * ex1 - d1 * ex2) / area};
  }
  double At(const Plane& p, double x, double y) const {
    return p.at0 + p.dx * (x - v[0]->x) + p.dy * (y - v[0]->y);
  }
  // The pixels of row py inside the triangle: false when there are none.
  bool Span(i32 py, i32* lo, i32* hi) const {
    *lo = minX;
    *hi = maxX;
    ClipSpan(*v[1], *v[2], topLeft[0], py, lo, hi);
    ClipSpan(*v[2], *v[0], topLeft[1], py, lo, hi);
    ClipSpan(*v[0], *v[1], topLeft[2], py, lo, hi);
    return *lo <= *hi;
  }
};

// Texel index of a coordinate already scaled by the texture size.
size_t TexelIndex(double scaled, i32 size) {
  return size_t(std::clamp(std::floor(scaled), 0.0, double(size - 1)));
}

// The texture is stretched along the axes only and the tint and depth are
// the same at every vertex: the texel column depends on x alone, the row on
// y alone, and every pixel is one table lookup of a tinted texel.
void DrawAxisAligned(PlatformDevice* d, const Setup& t, const Plane& u, const Plane& v, u32 tint) {
  const double invW = t.v[0]->invW;
  const PlatformSurface* tex = d->texture;
  if (d->tintedFor != tint) BuildTinted(d, tint);
  i32* column = d->column.data();
  for (i32 px = t.minX; px <= t.maxX; px++) {
    column[px] = i32(TexelIndex(t.At(u, px, t.v[0]->y) / invW * tex->width, tex->width));
  }
  const u32* tinted = d->tinted.data();
  for (i32 py = t.minY; py <= t.maxY; py++) {
    i32 lo = 0, hi = 0;
    if (!t.Span(py, &lo, &hi)) continue;
    const size_t r = TexelIndex(t.At(v, t.v[0]->x, py) / invW * tex->height, tex->height);
    const u16* texels = tex->texels.data() + r * size_t(tex->width);
    u32* row = d->pixels.data() + size_t(py) * size_t(d->width);
    for (i32 px = lo; px <= hi; px++) row[px] = tinted[texels[column[px]]];
  }
}

// Any other triangle: perspective-correct texture coordinates and a tint
// that may vary across it, stepped along each row in fixed point.
void DrawGeneral(PlatformDevice* d, const Setup& t) {
  const ScreenVertex &v0 = *t.v[0], &v1 = *t.v[1], &v2 = *t.v[2];
  const PlatformSurface* tex = d->texture;
  Plane tint[3];
  for (int ch = 0; ch < 3; ch++) tint[ch] = t.Of(v0.rgb[ch], v1.rgb[ch], v2.rgb[ch]);
  // u / w and v / w scaled by the texture size, and 1 / w, share one scale
  // that keeps their largest vertex value below 2^60.
  const double tw = tex != nullptr ? tex->width : 0, th = tex != nullptr ? tex->height : 0;
  const Plane nu = t.Of(v0.uw * tw, v1.uw * tw, v2.uw * tw);
  const Plane nv = t.Of(v0.vw * th, v1.vw * th, v2.vw * th);
  const Plane iw = t.Of(v0.invW, v1.invW, v2.invW);
  double largest = 0.0;
  for (const ScreenVertex* v : t.v) {
    largest = std::max({largest, std::fabs(v->uw * tw), std::fabs(v->vw * th), v->invW});
  }
  int exponent = 0;
  std::frexp(largest, &exponent);
  const double scale = std::ldexp(1.0, 60 - exponent);
  const double tintScale = 4294967296.0;  // 2^32
  for (i32 py = t.minY; py <= t.maxY; py++) {
    i32 lo = 0, hi = 0;
    if (!t.Span(py, &lo, &hi)) continue;
    i64 c[3], cStep[3];
    for (int ch = 0; ch < 3; ch++) {
      c[ch] = std::llround(t.At(tint[ch], lo, py) * tintScale);
      cStep[ch] = std::llround(tint[ch].dx * tintScale);
    }
    i64 u = std::llround(t.At(nu, lo, py) * scale), uStep = std::llround(nu.dx * scale);
    i64 v = std::llround(t.At(nv, lo, py) * scale), vStep = std::llround(nv.dx * scale);
    i64 w = std::llround(t.At(iw, lo, py) * scale), wStep = std::llround(iw.dx * scale);
    u32* row = d->pixels.data() + size_t(py) * size_t(d->width);
    for (i32 px = lo; px <= hi; px++) {
      u32 rgb[3];
      for (int ch = 0; ch < 3; ch++) {
        rgb[ch] = u32(std::clamp<i64>((c[ch] + (i64(1) << 31)) >> 32, 0, 255));
        c[ch] += cStep[ch];
      }
      if (tex != nullptr) {
        const i64 den = std::max<i64>(w, 1);
        const i64 tx = u <= 0 ? 0 : std::min<i64>(u / den, tex->width - 1);
        const i64 ty = v <= 0 ? 0 : std::min<i64>(v / den, tex->height - 1);
        const u32 texel = tex->texels[size_t(ty) * size_t(tex->width) + size_t(tx)];
        rgb[0] = Modulate(Widen5(texel >> 11), rgb[0]);
        rgb[1] = Modulate(Widen6((texel >> 5) & 63), rgb[1]);
        rgb[2] = Modulate(Widen5(texel & 31), rgb[2]);
        u += uStep;
        v += vStep;
        w += wStep;
      }
      row[px] = (rgb[0] << 16) | (rgb[1] << 8) | rgb[2];
    }
  }
}

void DrawTriangle(PlatformDevice* d, const ScreenVertex& v0, const ScreenVertex& v1,
                  const ScreenVertex& v2) {
  const double area = Edge(v0, v1, v2.x, v2.y);
  if (!(area > 0.0)) return;  // counter-clockwise or degenerate: culled
  const double minX = std::max(0.0, std::ceil(std::min({v0.x, v1.x, v2.x})));
  const double maxX = std::min(double(d->width - 1), std::floor(std::max({v0.x, v1.x, v2.x})));
  const double minY = std::max(0.0, std::ceil(std::min({v0.y, v1.y, v2.y})));
  const double maxY = std::min(double(d->height - 1), std::floor(std::max({v0.y, v1.y, v2.y})));
  if (minX > maxX || minY > maxY) return;
  const Setup t = {{&v0, &v1, &v2},
                   area,
                   v1.x - v0.x,
                   v1.y - v0.y,
                   v2.x - v0.x,
                   v2.y - v0.y,
                   {TopLeft(v1, v2), TopLeft(v2, v0), TopLeft(v0, v1)},
                   i32(minX),
                   i32(maxX),
                   i32(minY),
                   i32(maxY)};
  bool flatTint = true;
  for (int ch = 0; ch < 3; ch++) {
    flatTint = flatTint && v0.rgb[ch] == v1.rgb[ch] && v1.rgb[ch] == v2.rgb[ch];
  }
  const bool flatDepth = v0.invW == v1.invW && v1.invW == v2.invW;
  const Plane u = t.Of(v0.uw, v1.uw, v2.uw), v = t.Of(v0.vw, v1.vw, v2.vw);
  // u along x only and v along y only: the texture runs along the axes.
  if (d->texture != nullptr && flatTint && flatDepth && u.dy == 0.0 && v.dx == 0.0) {
    const u32 tint = (u32(v0.rgb[0]) << 16) | (u32(v0.rgb[1]) << 8) | u32(v0.rgb[2]);
    DrawAxisAligned(d, t, u, v, tint);
  } else {
    DrawGeneral(d, t);
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
