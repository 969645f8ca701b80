// The thin layer between the frontend and the host system.
//
// Two halves share this header. The portable half (platform/soft_*.cpp) is
// plain C++: the software back buffer and its rasteriser, the 565 texture
// surface, the view matrices, the looping sound buffer, the worker thread and
// the folder search. The host half (platform/host_*.cpp) talks to the real
// system: the window and its event loop, the keyboard, the clock, the audio
// device and the font. Tests replace the host half with a fake one.
#pragma once

#include <cstddef>

#include "core/types.h"

// ---------------------------------------------------------------- host half

struct PlatformWindow;

// Messages the event loop hands to the window's handler.
enum PlatformMessage : u32 {
  kPlatformMsgClose = 1,    // the user asked the window to close
  kPlatformMsgDestroy = 2,  // the window is being destroyed
};
using PlatformWindowProc = void (*)(PlatformWindow* window, PlatformMessage message);

// Opens a visible window with a client area of width x height, centred in
// the work area of the first display (the desktop less its panels): the
// whole window with its frame where the host reports the frame's size, else
// the client area. Null when there is no display; whatever was set up on the
// way has then been released again.
PlatformWindow* PlatformWindowCreate(const char* title, i32 width, i32 height,
                                     PlatformWindowProc proc);
// Why the last PlatformWindowCreate gave null, in a few words for the user;
// never null.
const char* PlatformWindowError();
// Sends kPlatformMsgDestroy to the handler, then closes the window. Accepts null.
void PlatformWindowDestroy(PlatformWindow* window);
// Runs the event loop on the calling (main) thread until PlatformPostQuit.
void PlatformMessageLoop();
// Makes the event loop end; callable from the window handler.
void PlatformPostQuit();
// True while the window has the keyboard focus.
bool PlatformWindowIsForeground(PlatformWindow* window);
// Hands a finished XRGB8888 image to the window; the pixels are copied.
void PlatformWindowPresent(PlatformWindow* window, const u32* pixels, i32 width, i32 height);

enum PlatformKey : u32 {
  kKeyLeft,
  kKeyRight,
  kKeyDown,
  kKeyUp,
  kKeyEnter,
  kKeyEscape,
  kKeyZ,
  kKeyX,
  kKeyC,
  kKeyCount
};
// Non-zero when the key is down now or was pressed since the previous query
// of the same key.
u32 PlatformKeyState(PlatformKey key);

void PlatformSleepMs(u32 ms);
// A steady clock in nanoseconds from an arbitrary origin.
u64 PlatformClockNanos();

struct PlatformSoundBuffer;
// Starts an output device for 16-bit stereo at `rate` that plays `buffer`
// through PlatformSoundPull. False when no device opens.
bool PlatformAudioDeviceOpen(PlatformSoundBuffer* buffer, u32 rate);
void PlatformAudioDeviceClose(PlatformSoundBuffer* buffer);
// Held by the writer around every write into the buffer while a device
// pulls from it on its own thread.
void PlatformAudioDeviceLock(PlatformSoundBuffer* buffer);
void PlatformAudioDeviceUnlock(PlatformSoundBuffer* buffer);

struct PlatformFont;
struct PlatformGlyph {
  const u8* coverage;  // width x height alpha values, row after row; may be null when empty
  i32 width, height;
  i32 left;     // from the pen position to the bitmap's left edge
  i32 top;      // from the baseline up to the bitmap's top edge
  i32 advance;  // pen advance in pixels
};
// The face nearest to `face` whose cell (ascent + descent) is `cellHeight`
// pixels high; null when no font can be found.
PlatformFont* PlatformFontCreate(const char* face, i32 cellHeight);
void PlatformFontRelease(PlatformFont* font);
// Pixels from the top of the cell down to the baseline.
i32 PlatformFontAscent(const PlatformFont* font);
// The rendered glyph of a code point; cached, so only a first use allocates.
// Null when the font cannot render it.
const PlatformGlyph* PlatformFontGlyph(PlatformFont* font, u32 codePoint);

// ------------------------------------------------------------ portable half

// The keyboard state behind PlatformKeyState, kept for the host half. The
// host's event loop feeds it on its own thread; the queries come from any
// thread.
//
// A key event: a press sets the key down and marks it pressed since the
// previous query; a release sets it up.
void PlatformKeysEvent(PlatformKey key, bool down);
// What the host read of the physical keyboard: bit k set when key k is held.
// Every key's down state becomes its bit; a key found down that was up is
// marked pressed as well, so an event the host never delivered still counts.
void PlatformKeysHeld(u32 heldMask);
// Non-zero when the key is down or was pressed since the previous query of
// the same key; the query clears that mark.
u32 PlatformKeysQuery(PlatformKey key);

// A worker thread that can be waited for with a bound.
struct PlatformThread;
PlatformThread* PlatformThreadStart(void (*entry)());
// True when the thread ended within `ms`; the handle is then freed. On
// false the thread still runs and the handle stays valid.
bool PlatformThreadWait(PlatformThread* thread, u32 ms);

// Folder search for a pattern "<folder>/*.<ext>": every entry of the folder
// (directories too) whose name ends in ".<ext>", letters compared without
// case, sorted by name without case (letters folded to upper case; names
// equal but for case by their bytes).
struct PlatformFind;
// Null when the folder cannot be read or nothing matches; else the first
// name is in `name` (zero-terminated, at most 259 characters).
PlatformFind* PlatformFindFirst(const char* pattern, char name[260]);
bool PlatformFindNext(PlatformFind* find, char name[260]);
void PlatformFindClose(PlatformFind* find);

// A 16-bit surface (RGB565 texels), reached through a lock.
struct PlatformSurface;
PlatformSurface* PlatformSurfaceCreate(i32 width, i32 height);
void PlatformSurfaceRelease(PlatformSurface* surface);
// Pointer to texel (0, 0) and the bytes from one row to the next; null on failure.
void* PlatformSurfaceLock(PlatformSurface* surface, i32* pitch);
void PlatformSurfaceUnlock(PlatformSurface* surface);

// One vertex of the textured quad: position, tint (0xAARRGGBB), texture coordinates.
struct PlatformVertex {
  float x, y, z;
  u32 diffuse;
  float u, v;
};
static_assert(sizeof(PlatformVertex) == 24);

struct PlatformVertexBuffer;
PlatformVertexBuffer* PlatformVertexBufferCreate(u32 bytes);
void PlatformVertexBufferRelease(PlatformVertexBuffer* buffer);
void* PlatformVertexBufferLock(PlatformVertexBuffer* buffer, u32 offset, u32 bytes);
void PlatformVertexBufferUnlock(PlatformVertexBuffer* buffer);

// Row-vector 4 x 4 matrices (a point is a row, multiplied from the left).
struct PlatformMatrix {
  float m[4][4];
};
struct PlatformVec3 {
  float x, y, z;
};
void PlatformMatrixLookAtLH(PlatformMatrix* out, const PlatformVec3& eye, const PlatformVec3& at,
                            const PlatformVec3& up);
void PlatformMatrixPerspectiveFovLH(PlatformMatrix* out, float fovY, float aspect, float zNear,
                                    float zFar);

// The software device: an XRGB8888 back buffer and a fixed pipeline that
// draws one unlit triangle strip with one texture, point-sampled with clamped
// coordinates, the texel colour multiplied by the vertex tint, clockwise
// triangles kept and counter-clockwise ones culled. Pixel centres lie on whole
// pixel coordinates; the viewport is the whole back buffer.
struct PlatformDevice;
enum PlatformTransform : u32 { kTransformWorld, kTransformView, kTransformProjection };
PlatformDevice* PlatformDeviceCreate(i32 width, i32 height);
void PlatformDeviceRelease(PlatformDevice* device);
// The back buffer: width x height pixels, `pitch` pixels from row to row.
u32* PlatformDeviceBackBuffer(PlatformDevice* device, i32* width, i32* height, i32* pitch);
void PlatformDeviceClear(PlatformDevice* device, u32 color);
void PlatformDeviceSetTransform(PlatformDevice* device, PlatformTransform which,
                                const PlatformMatrix& matrix);
void PlatformDeviceSetTexture(PlatformDevice* device, PlatformSurface* texture);
void PlatformDeviceSetStream(PlatformDevice* device, PlatformVertexBuffer* buffer);
// A triangle strip of `count` triangles from vertex `start` of the stream.
void PlatformDeviceDrawStrip(PlatformDevice* device, u32 start, u32 count);

// A looping buffer of 16-bit stereo samples with a play cursor. The cursor is
// advanced by the audio device as it takes samples, or, when no device opens,
// by the steady clock at the buffer's sample rate.
PlatformSoundBuffer* PlatformSoundCreate(u32 bytes, u32 rate);
void PlatformSoundRelease(PlatformSoundBuffer* buffer);
void PlatformSoundPlay(PlatformSoundBuffer* buffer);
void PlatformSoundStop(PlatformSoundBuffer* buffer);
// The byte offset the device plays next.
u32 PlatformSoundGetPlayCursor(PlatformSoundBuffer* buffer);
// Up to two writable stretches for `bytes` bytes from `offset`, wrapping at
// the end; the stretches stay reserved until the unlock.
void PlatformSoundLock(PlatformSoundBuffer* buffer, u32 offset, u32 bytes, void** a, u32* sizeA,
                       void** b, u32* sizeB);
void PlatformSoundUnlock(PlatformSoundBuffer* buffer);
// Called by the device: copies the next `bytes` bytes from the play cursor
// (silence while stopped) and moves the cursor on.
void PlatformSoundPull(PlatformSoundBuffer* buffer, u8* out, u32 bytes);
// True when the buffer is driven by a device rather than the clock.
bool PlatformSoundHasDevice(const PlatformSoundBuffer* buffer);
