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

// A drive of the test's own, root "X:\" (or none): on Windows a letter mapped to a fresh folder, under Wine the empty
// KAVRO_TEST_DRIVE of cmake/wine-run.sh (of 4 MiB where it can). Deletes only what was made there.
struct TestDrive {
    TestDrive();
    ~TestDrive();

    TempFolder folder;
    std::wstring root;
};

// Makes a file of length bytes that are all zero and take no room, where the file system has sparse files.
void MakeSparse(const std::wstring& path, std::int64_t length);

struct ScriptRun { // how a command ended and what it printed
    DWORD exitCode;
    std::wstring output;
};

// Runs a command in folder startIn, input from input, COPYCMD=/-Y as a user's may be; ended after two minutes.
ScriptRun RunCommand(std::wstring command, const std::wstring& startIn, const std::wstring& input = L"nul");

// What the interpreter's pause prints where nobody can type: its line, in the system's language.
inline std::wstring PauseText() {
    return RunCommand(L"cmd /u /c pause", std::filesystem::temp_directory_path()).output;
}

// Starts a batch file as Explorer does, cmd /c ""path" ", with delayed expansion on as a user's registry may have it.
inline ScriptRun RunScript(const std::wstring& scriptPath, const std::wstring& startIn) {
    return RunCommand(L"cmd /u /v:on /c \"\"" + scriptPath + L"\" \"", startIn);
}
#endif
