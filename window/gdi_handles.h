#pragma once
// Owners for the window's fonts and icons.

#include <windows.h>

#include "pieces/unique_handle.h"

struct FontTraits {
    using Handle = HFONT;
    static Handle Empty() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static bool Close(Handle h) { return ::DeleteObject(h) != FALSE; }
};

struct IconTraits {
    using Handle = HICON;
    static Handle Empty() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static bool Close(Handle h) { return ::DestroyIcon(h) != FALSE; }
};

using UniqueFont = UniqueHandle<FontTraits>;
using UniqueIcon = UniqueHandle<IconTraits>;
