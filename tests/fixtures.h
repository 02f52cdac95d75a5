#pragma once
// Files for the tests, and on Windows (Wine on Linux) the command interpreter.

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

// Bytes that differ from piece to piece, so a misplaced block shows.
std::string PatternBytes(std::size_t size, unsigned seed = 1);
void WriteBytes(const std::filesystem::path& path, const std::string& bytes);
std::string ReadBytes(const std::filesystem::path& path);
std::vector<std::wstring> FileNames(const std::filesystem::path& folder); // sorted; none where it cannot list
// Every file in the folder with its bytes (a folder's: "(no such file)").
std::map<std::filesystem::path, std::string> Contents(const std::filesystem::path& folder);

#ifdef _WIN32
#include <windows.h>

// A fresh folder under the temporary folder, removed with everything in it at the end.
struct TempFolder {
    TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();
    std::wstring operator/(const std::wstring& name) const { return path + L"\\" + name; }

    const std::wstring path;
};

// Whether the tests run under Wine, whose command interpreter cannot show some of what Windows' shows.
bool UnderWine();

// A drive of the test's own while it lives: its root, "X:\", or empty where there is none. On Windows a free letter
// mapped to a fresh folder; under Wine, which cannot map one, the drive KAVRO_TEST_DRIVE that cmake/wine-run.sh points
// at a fresh folder (a small file system where it may mount one). Deletes only what was made there.
struct TestDrive {
    TestDrive();
    TestDrive(const TestDrive&) = delete;
    TestDrive& operator=(const TestDrive&) = delete;
    ~TestDrive();

    TempFolder folder;
    std::wstring root;
    std::vector<std::wstring> before; // what the root held at the start
};

// Makes a file of length bytes that are all zero and take no room, where the file system has sparse files.
void MakeSparse(const std::wstring& path, std::int64_t length);

// How a command ended and what it printed.
struct ScriptRun {
    DWORD exitCode;
    std::wstring output;
};

// Runs a command line in the current folder startIn with its input from the file input and COPYCMD=/-Y, as a user's
// environment may have it. One that has not ended after two minutes (waiting for an answer) is ended.
ScriptRun RunCommand(std::wstring command, const std::wstring& startIn, const std::wstring& input = L"nul");

// What the interpreter's pause prints where nobody can type: its line, in the system's language.
inline std::wstring PauseText() {
    return RunCommand(L"cmd /u /c pause", std::filesystem::temp_directory_path()).output;
}

// Starts a batch file as Explorer does, cmd /c ""path" ", with delayed expansion on, as a user's registry may have it;
// its output in UTF-16 (cmd /u).
inline ScriptRun RunScript(const std::wstring& scriptPath, const std::wstring& startIn) {
    return RunCommand(L"cmd /u /v:on /c \"\"" + scriptPath + L"\" \"", startIn);
}
#endif
