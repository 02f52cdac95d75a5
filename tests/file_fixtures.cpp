#include "file_fixtures.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace fs = std::filesystem;

TempFolder::TempFolder() {
    static unsigned counter = 0;
    const auto name = [] { return L"kavro-test-" + std::to_wstring(::GetCurrentProcessId()) + L"-"; };
    do {
        path_ = (fs::temp_directory_path() / (name() + std::to_wstring(++counter))).wstring();
    } while (!fs::create_directory(path_));
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    for (const auto& entry : fs::recursive_directory_iterator(path_, ignored)) {
        ::SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL); // read-only files too
    }
    fs::remove_all(path_, ignored);
}

std::string PatternBytes(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    unsigned state = seed * 2654435761u + 1;
    for (auto& b : bytes) {
        state = state * 1103515245u + 12345u;
        b = static_cast<char>(state >> 23);
    }
    return bytes;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream file(fs::path(path), std::ios::binary | std::ios::trunc);
    if (!file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
        throw std::runtime_error("cannot write a test file");
    }
}

std::string ReadBytes(const std::wstring& path) {
    std::ifstream file(fs::path(path), std::ios::binary);
    if (!file) {
        throw std::runtime_error("cannot open a test file");
    }
    return std::string(std::istreambuf_iterator<char>(file), {});
}

bool IsClosed(const std::wstring& path) {
    return static_cast<bool>(UniqueFile(::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, 0)));
}

std::vector<std::wstring> FileNames(const std::wstring& folder) {
    std::vector<std::wstring> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().wstring());
    }
    std::sort(names.begin(), names.end());
    return names;
}

UniqueFile StartProcess(std::wstring commandLine, const wchar_t* folder, DWORD* processId) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, folder,
                          &startup, &process)) {
        throw std::runtime_error("cannot start a child process");
    }
    UniqueFile thread(process.hThread);
    if (processId) {
        *processId = process.dwProcessId;
    }
    return UniqueFile(process.hProcess);
}

DWORD WaitForExit(const UniqueFile& process, DWORD timeoutMs) {
    DWORD exitCode = static_cast<DWORD>(-1);
    if (::WaitForSingleObject(process.Get(), timeoutMs) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.Get(), exitCode);
        return exitCode;
    }
    ::GetExitCodeProcess(process.Get(), &exitCode);
    return exitCode;
}

DWORD RunScript(const std::wstring& folder, const std::wstring& scriptPath) {
    const std::wstring plain = folder + L"\\join-test.bat";
    if (!::CopyFileW(scriptPath.c_str(), plain.c_str(), FALSE)) {
        throw std::runtime_error("cannot copy the script");
    }
    const DWORD exitCode = WaitForExit(StartProcess(L"cmd.exe /c join-test.bat", folder.c_str()), 120000);
    ::DeleteFileW(plain.c_str());
    return exitCode;
}
