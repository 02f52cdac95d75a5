#pragma once
// Files and folders for tests that touch the real file system (under Wine on Linux).

#include <cstdint>
#include <string>
#include <vector>

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
bool Exists(const std::wstring& path);

// Whether no handle is open on the file any more: it can be opened without sharing.
bool IsClosed(const std::wstring& path);

// The names of the files in folder, sorted.
std::vector<std::wstring> FileNames(const std::wstring& folder);

// Runs a batch file with the command interpreter in folder and waits; gives its exit code.
// The script runs as a copy under a plain name, since the command line would itself
// interpret a name like "a & b.bat".
unsigned long RunScript(const std::wstring& folder, const std::wstring& scriptPath);
