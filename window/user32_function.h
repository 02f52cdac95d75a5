#pragma once

#include <windows.h>

// A user32 function that older versions of Windows lack, looked up at run time; nullptr where it is missing.
template <typename Function> Function User32Function(const char* name) {
    // Through void*: a FARPROC does not convert to another function type directly.
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), name)));
}
