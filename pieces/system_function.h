#pragma once

#include <windows.h>

// A function of a DLL that Windows loads for every program (user32, kernel32, shlwapi) which older versions of Windows
// lack, looked up at run time; nullptr where it is missing.
template <typename Function> Function SystemFunction(const wchar_t* module, const char* name) {
    const HMODULE loaded = ::GetModuleHandleW(module);
    // Through void*: a FARPROC does not convert to another function type directly.
    return loaded ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(loaded, name))) : nullptr;
}
