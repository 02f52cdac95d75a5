#pragma once
// Files and the command interpreter for the tests that run under Windows (Wine on Linux).

#include <windows.h>

#include <string>
#include <vector>

// A fresh folder under the temporary folder, removed with everything in it at the end.
struct TempFolder {
    TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();
    std::wstring operator/(const std::wstring& name) const { return path + L"\\" + name; }

    const std::wstring path;
};

// Bytes that differ from piece to piece, so a misplaced block shows.
std::string PatternBytes(std::size_t size, unsigned seed = 1);
void WriteBytes(const std::wstring& path, const std::string& bytes);
std::string ReadBytes(const std::wstring& path);
std::vector<std::wstring> FileNames(const std::wstring& folder); // sorted

// How a batch file ended and what it printed.
struct ScriptRun {
    DWORD exitCode;
    std::wstring output;
};

// Starts a batch file as Explorer does, cmd /c ""path" ", in the current folder startIn, with input from nul, delayed
// expansion on and COPYCMD=/-Y, as a user's registry and environment may have them; its output in UTF-16 (cmd /u). One
// that has not ended after a minute (waiting for an answer) is ended.
ScriptRun RunScript(const std::wstring& scriptPath, const std::wstring& startIn);
