#include "fixtures.h"

#include "pieces/unique_handle.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace fs = std::filesystem;

static unsigned folders = 0; // made by this process

TempFolder::TempFolder()
    : path(fs::temp_directory_path() /
           (L"kavro-test-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++folders))) {
    fs::remove_all(path); // left by an earlier process of this number
    fs::create_directory(path);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    for (const auto& entry : fs::recursive_directory_iterator(path, ignored)) {
        ::SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL); // read-only files too
    }
    fs::remove_all(path, ignored);
}

std::string PatternBytes(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    std::generate(bytes.begin(), bytes.end(), [random = std::minstd_rand(seed)]() mutable { return char(random()); });
    return bytes;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    if (!std::ofstream(fs::path(path), std::ios::binary).write(bytes.data(), std::ssize(bytes))) {
        throw std::runtime_error("cannot write a test file");
    }
}

std::string ReadBytes(const std::wstring& path) {
    std::ifstream file(fs::path(path), std::ios::binary);
    return file ? std::string(std::istreambuf_iterator<char>(file), {}) : "(no such file)";
}

std::vector<std::wstring> FileNames(const std::wstring& folder) {
    std::vector<std::wstring> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().wstring());
    }
    std::sort(names.begin(), names.end());
    return names;
}

ScriptRun RunScript(const std::wstring& scriptPath, const std::wstring& startIn) {
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const UniqueFile input(::CreateFileW(L"nul", GENERIC_READ, share, &inherited, OPEN_EXISTING, 0, nullptr));
    const std::wstring outputPath =
        fs::temp_directory_path() / (L"kavro-output-" + std::to_wstring(::GetCurrentProcessId()));
    const UniqueFile output(::CreateFileW(outputPath.c_str(), GENERIC_READ | GENERIC_WRITE, share, &inherited,
                                          CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input.Get();
    startup.hStdOutput = startup.hStdError = output.Get();
    ::SetEnvironmentVariableW(L"COPYCMD", L"/-Y");
    std::wstring command = L"cmd /u /v:on /c \"\"" + scriptPath + L"\" \"";
    PROCESS_INFORMATION started{};
    for (int tries = 0; tries < 3 && !started.hProcess; ++tries) { // now and then Wine starts no process: then again
        ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, startIn.c_str(), &startup,
                         &started);
    }
    const UniqueFile process(started.hProcess), thread(started.hThread);
    DWORD exitCode = ~DWORD{0}; // also when the interpreter did not start
    if (process && ::WaitForSingleObject(process.Get(), 60000) == WAIT_TIMEOUT) {
        ::TerminateProcess(process.Get(), exitCode);
    }
    ::GetExitCodeProcess(process.Get(), &exitCode);
    std::wstring printed(::GetFileSize(output.Get(), nullptr) / sizeof(wchar_t), L'\0');
    DWORD read = 0;
    ::SetFilePointer(output.Get(), 0, nullptr, FILE_BEGIN);
    ::ReadFile(output.Get(), printed.data(), static_cast<DWORD>(printed.size() * sizeof(wchar_t)), &read, nullptr);
    return {exitCode, printed};
}
