#include "fixtures.h"

#include <dlgs.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace fs = std::filesystem;

TempFolder::TempFolder() {
    static unsigned counter = 0;
    do {
        const std::wstring name = L"kavro-test-" + std::to_wstring(::GetCurrentProcessId()) + L"-";
        path_ = (fs::temp_directory_path() / (name + std::to_wstring(++counter))).wstring();
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

UniqueFile StartProcess(std::wstring commandLine, const wchar_t* folder, DWORD* processId) {
    STARTUPINFOW startup{.cb = sizeof(STARTUPINFOW)};
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
    }
    ::GetExitCodeProcess(process.Get(), &exitCode);
    return exitCode;
}

DWORD RunScript(const std::wstring& scriptPath, const std::wstring& startIn) {
    const std::wstring plain = fs::path(scriptPath).replace_filename(L"j.bat").wstring();
    ::CopyFileW(scriptPath.c_str(), plain.c_str(), FALSE);
    const DWORD exitCode = WaitForExit(StartProcess(L"cmd.exe /c \"" + plain + L"\"", startIn.c_str()), 120000);
    ::DeleteFileW(plain.c_str());
    return exitCode;
}

bool OemCodePageHolds(const std::wstring& text) {
    const bool utf8 = ::GetOEMCP() == CP_UTF8; // holds everything, and takes no flags
    BOOL lost = FALSE;
    ::WideCharToMultiByte(CP_OEMCP, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, text.c_str(), -1, nullptr, 0, nullptr,
                          utf8 ? nullptr : &lost);
    return !lost;
}

std::wstring ControlText(HWND control) {
    // Sent with a time limit: a window of another process may be busy, but a test must never wait forever.
    DWORD_PTR length = 0;
    ::SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length);
    std::wstring text(length + 1, L'\0');
    ::SendMessageTimeoutW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                          5000, &length);
    return text.substr(0, length);
}

std::wstring MessageBoxText(HWND box) { return ControlText(::GetDlgItem(box, 0xFFFF)); }

HWND FileNameField(HWND dialog) {
    // The explorer-style dialog nests it in cmb13 (ComboBoxEx32, ComboBox, Edit).
    HWND field = ::GetDlgItem(dialog, cmb13);
    while (field && ::GetWindow(field, GW_CHILD)) {
        field = ::GetWindow(field, GW_CHILD);
    }
    return field;
}

void Click(HWND dialog, int id) {
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}
