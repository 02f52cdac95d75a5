#include "fixtures.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace fs = std::filesystem;

std::string PatternBytes(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    std::generate(bytes.begin(), bytes.end(), [random = std::minstd_rand(seed)]() mutable { return char(random()); });
    return bytes;
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
    if (!std::ofstream(path, std::ios::binary).write(bytes.data(), std::ssize(bytes))) {
        throw std::runtime_error("cannot write a test file");
    }
}

std::string ReadBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return file ? std::string(std::istreambuf_iterator<char>(file), {}) : "(no such file)";
}

std::vector<std::wstring> FileNames(const fs::path& folder) {
    std::vector<std::wstring> names;
    std::error_code none; // an empty root, which lists not even "." and "..", or none at all
    for (const auto& entry : fs::directory_iterator(folder, none)) {
        names.push_back(entry.path().filename().wstring());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::map<fs::path, std::string> Contents(const fs::path& folder) {
    std::map<fs::path, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        files[entry.path().filename()] = ReadBytes(entry.path());
    }
    return files;
}

#ifdef _WIN32
#include <winioctl.h>

#include "pieces/unique_handle.h"

bool UnderWine() { return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

void MakeSparse(const std::wstring& path, std::int64_t length) {
    const UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr));
    DWORD unused = 0;
    ::DeviceIoControl(file.Get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &unused, nullptr);
    if (!::SetFilePointerEx(file.Get(), LARGE_INTEGER{.QuadPart = length}, nullptr, FILE_BEGIN) ||
        !::SetEndOfFile(file.Get())) {
        throw std::runtime_error("cannot make a sparse test file");
    }
}

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

TestDrive::TestDrive() {
    const wchar_t* const drive = _wgetenv(L"KAVRO_TEST_DRIVE");
    if (UnderWine() && drive && FileNames(drive + std::wstring(L"\\")).empty()) {
        root = drive + std::wstring(L"\\");
    }
    for (wchar_t letter = L'Z'; !UnderWine() && letter > L'D' && root.empty(); --letter) {
        const std::wstring device{letter, L':'};
        if (!(::GetLogicalDrives() & (1u << (letter - L'A'))) &&
            ::DefineDosDeviceW(DDD_NO_BROADCAST_SYSTEM, device.c_str(), folder.path.c_str())) {
            root = device + L"\\";
        }
    }
}

TestDrive::~TestDrive() {
    if (!UnderWine() && !root.empty()) {
        ::DefineDosDeviceW(DDD_REMOVE_DEFINITION | DDD_NO_BROADCAST_SYSTEM, root.substr(0, 2).c_str(),
                           folder.path.c_str());
    }
    for (const auto& name : UnderWine() && !root.empty() ? FileNames(root) : std::vector<std::wstring>()) {
        ::SetFileAttributesW((root + name).c_str(), FILE_ATTRIBUTE_NORMAL);
        std::error_code ignored;
        fs::remove_all(root + name, ignored);
    }
}

ScriptRun RunCommand(std::wstring command, const std::wstring& startIn, const std::wstring& inputPath) {
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const std::wstring outputPath =
        fs::temp_directory_path() / (L"kavro-output-" + std::to_wstring(::GetCurrentProcessId()));
    const UniqueFile input(
        ::CreateFileW(inputPath.c_str(), GENERIC_READ, share, &inherited, OPEN_EXISTING, 0, nullptr));
    const UniqueFile output(::CreateFileW(outputPath.c_str(), GENERIC_READ | GENERIC_WRITE, share, &inherited,
                                          CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input.Get();
    startup.hStdOutput = startup.hStdError = output.Get();
    ::SetEnvironmentVariableW(L"COPYCMD", L"/-Y");
    PROCESS_INFORMATION started{};
    for (int tries = 0; tries < 3 && !started.hProcess; ++tries) { // now and then Wine starts no process: then again
        ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, startIn.c_str(), &startup,
                         &started);
    }
    const UniqueFile process(started.hProcess), thread(started.hThread);
    DWORD exitCode = ~DWORD{0}, read = 0; // also when the interpreter did not start
    if (process && ::WaitForSingleObject(process.Get(), 120000) == WAIT_TIMEOUT) {
        ::TerminateProcess(process.Get(), exitCode);
    }
    ::GetExitCodeProcess(process.Get(), &exitCode);
    std::wstring printed(::GetFileSize(output.Get(), nullptr) / sizeof(wchar_t), L'\0');
    ::SetFilePointer(output.Get(), 0, nullptr, FILE_BEGIN);
    ::ReadFile(output.Get(), printed.data(), static_cast<DWORD>(printed.size() * sizeof(wchar_t)), &read, nullptr);
    return {exitCode, printed};
}
#endif
