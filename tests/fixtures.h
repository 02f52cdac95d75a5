#pragma once
// Files, child processes and windows for the tests that run under Windows (Wine on Linux).

#include <windows.h>

#include <string>
#include <vector>

#include "pieces/unique_handle.h"

// A fresh folder under the temporary folder, removed with everything in it at the end.
class TempFolder {
public:
    TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();
    const std::wstring& Path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

// Bytes that differ from piece to piece, so a misplaced block shows.
std::string PatternBytes(std::size_t size, unsigned seed = 1);
void WriteBytes(const std::wstring& path, const std::string& bytes);
std::string ReadBytes(const std::wstring& path);
// The names in folder, sorted.
std::vector<std::wstring> FileNames(const std::wstring& folder);

// Starts commandLine in folder (nullptr: this one).
UniqueFile StartProcess(std::wstring commandLine, const wchar_t* folder = nullptr, DWORD* processId = nullptr);
// The exit code once process has ended; ends it and gives -1 if it has not within timeoutMs.
DWORD WaitForExit(const UniqueFile& process, DWORD timeoutMs);
// Runs a batch file (as a copy beside it named plainly: "a & b.bat" is no command) with the command interpreter, whose
// current folder is startIn.
DWORD RunScript(const std::wstring& scriptPath, const std::wstring& startIn);
// Whether this machine's OEM code page holds every character of text, as Windows itself says.
bool OemCodePageHolds(const std::wstring& text);

// The text of a window, also of another process's: of a message box, the text it shows.
std::wstring ControlText(HWND control);
std::wstring MessageBoxText(HWND box);
// The file name field of an open dialog.
HWND FileNameField(HWND dialog);
// Clicks button id of dialog (IDOK, IDCANCEL): posted, so that whatever comes up in answer cannot block the caller.
void Click(HWND dialog, int id);
