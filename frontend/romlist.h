// The list behind the ROM menu: the ROM folder's cartridge files in one
// packed store, a cursor in 1/256 of an entry, drawing and the selected path.
#pragma once

#include "core/types.h"

class RomList {
 public:
  RomList();
  u32 Init();
  void Free();
  u32 Clear();
  u32 Scan();
  u32 AddMatches(const char* pattern);
  u32 Add(const char* name);
  u32 Grow();
  i32 FindOffset(i32 index) const;
  u32 Move(i32 delta);
  // The selected entry's name; null when the cursor selects none.
  const char* SelectedName() const;
  // Folder, '/' and the selected name into out (260 characters); 1, with out
  // untouched, when nothing is selected or the path would not fit.
  u32 GetSelectedPath(char* out) const;
  u32 Draw() const;

  char folder[260];
  char* names;   // every name and its zero byte, one after the other
  i32 used;      // bytes of the store in use
  i32 capacity;  // bytes allocated, in steps of 256
  i32 count;
  i32 cursor;  // selected index = cursor >> 8; the low bits scroll the list
};

extern RomList g_romList;
