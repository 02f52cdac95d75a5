#pragma once
// For tests: makes writes fail half-way, as on a disk that fills up, without filling one.

#include <windows.h>

#include <functional>
#include <string>

// Asked before every write with the file's path: a Windows error code fails the write with it, 0 lets it happen.
using WriteFault = std::function<DWORD(const std::wstring& path)>;

// The fault in force while it lives; gone again when it ends, however the test ends.
class ScopedWriteFault {
public:
    explicit ScopedWriteFault(WriteFault fault);
    ScopedWriteFault(const ScopedWriteFault&) = delete;
    ScopedWriteFault& operator=(const ScopedWriteFault&) = delete;
    ~ScopedWriteFault();
};

// The error code the fault in force gives a write to path; 0 without one.
DWORD PlannedWriteFault(const std::wstring& path);
