#pragma once

#include <windows.h>

#include <string>

#include "pieces/run_error.h"

// What the program was doing with a file when Windows refused.
enum class FileAction { Measure, Open, Read, DeleteOld, Create, Write, Finish };

// The error for a failed file operation: the Windows error code as its number and a German
// description that names the file and, for the common codes, says why in plain words.
RunError FileError(DWORD code, FileAction action, const std::wstring& path);

// The file's path as messages show it.
std::wstring Quoted(const std::wstring& path);
