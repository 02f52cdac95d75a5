#include "fixtures.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace fs = std::filesystem;

TempFolder::TempFolder() {
    static unsigned counter = 0;
    const std::wstring name = std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
    path_ = (fs::temp_directory_path() / (L"kavro-test-" + name)).wstring();
    fs::remove_all(path_); // left by an earlier process of this number
    fs::create_directory(path_);
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

DWORD RunScript(const std::wstring& scriptPath, const std::wstring& startIn) {
    const std::wstring plain = fs::path(scriptPath).replace_filename(L"j.bat").wstring();
    ::CopyFileW(scriptPath.c_str(), plain.c_str(), FALSE);
    const std::wstring command = L"cd /d \"" + startIn + L"\" && \"" + plain + L"\" >nul";
    int exitCode = -1; // the interpreter did not start, now and then under Wine: then again
    for (int tries = 0; tries < 3 && exitCode == -1; ++tries) {
        exitCode = ::_wsystem(command.c_str());
    }
    ::DeleteFileW(plain.c_str());
    return static_cast<DWORD>(exitCode);
}
