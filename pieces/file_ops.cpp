#include "pieces/file_ops.h"

#include "pieces/file_error.h"
#include "pieces/write_fault.h"

NamedFile OpenSourceForReading(const std::wstring& path) {
    UniqueFile handle(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!handle) {
        throw FileError(::GetLastError(), FileAction::Open, path);
    }
    return {std::move(handle), path};
}

std::int64_t FileLength(const NamedFile& file) {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.handle.Get(), &size)) {
        throw FileError(::GetLastError(), FileAction::Measure, file.path);
    }
    return size.QuadPart;
}

namespace {

UniqueFile CreateForWriting(const std::wstring& path, DWORD disposition) {
    return UniqueFile(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, disposition,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

} // namespace

NamedFile CreatePieceFile(const std::wstring& path) {
    // Creating first and deleting only when a file is in the way costs one name look-up per
    // piece in the usual case; with thousands of pieces, look-ups dominate.
    UniqueFile handle = CreateForWriting(path, CREATE_NEW);
    if (!handle && ::GetLastError() == ERROR_FILE_EXISTS) {
        if (!::DeleteFileW(path.c_str())) {
            throw FileError(::GetLastError(), FileAction::DeleteOld, path);
        }
        handle = CreateForWriting(path, CREATE_NEW);
    }
    if (!handle) {
        // A deleted file that another program (a preview, a virus scanner, the indexer) still holds keeps its name,
        // still listed, until that program lets go; Windows refuses a new one as access denied (FAT, exFAT, shares;
        // NTFS frees the name at once), Wine as existing. A name not listed was refused for want of the right.
        DWORD code = ::GetLastError();
        WIN32_FIND_DATAW found{};
        if ((code == ERROR_ACCESS_DENIED || code == ERROR_FILE_EXISTS) &&
            UniqueFind(::FindFirstFileW(path.c_str(), &found))) {
            code = ERROR_DELETE_PENDING;
        }
        throw FileError(code, FileAction::Create, path);
    }
    return {std::move(handle), path};
}

NamedFile CreateScriptFile(const std::wstring& path) {
    UniqueFile handle = CreateForWriting(path, CREATE_ALWAYS);
    if (!handle) {
        throw FileError(::GetLastError(), FileAction::Create, path);
    }
    return {std::move(handle), path};
}

DWORD ReadStart(const std::wstring& path, void* data, DWORD size) {
    const UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD read = 0;
    if (!file || !::ReadFile(file.Get(), data, size, &read, nullptr)) {
        throw FileError(::GetLastError(), FileAction::Read, path);
    }
    return read;
}

void ReadExactly(const NamedFile& file, void* data, DWORD size) {
    auto* bytes = static_cast<unsigned char*>(data);
    while (size > 0) {
        DWORD read = 0;
        if (!::ReadFile(file.handle.Get(), bytes, size, &read, nullptr)) {
            throw FileError(::GetLastError(), FileAction::Read, file.path);
        }
        if (read == 0) {
            // The source is open for reading only, so only an outside hand can have cut it.
            throw FileError(ERROR_HANDLE_EOF, FileAction::Read, file.path);
        }
        bytes += read;
        size -= read;
    }
}

void WriteAll(const NamedFile& file, const void* data, DWORD size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    if (const DWORD code = PlannedWriteFault(file.path)) {
        // As on a disk that fills up in the middle of a write: half lands, then it fails.
        DWORD written = 0;
        ::WriteFile(file.handle.Get(), bytes, size / 2, &written, nullptr);
        throw FileError(code, FileAction::Write, file.path);
    }
    while (size > 0) {
        DWORD written = 0;
        if (!::WriteFile(file.handle.Get(), bytes, size, &written, nullptr)) {
            throw FileError(::GetLastError(), FileAction::Write, file.path);
        }
        if (written == 0) {
            throw FileError(ERROR_WRITE_FAULT, FileAction::Write, file.path);
        }
        bytes += written;
        size -= written;
    }
}

void EmptyFile(const NamedFile& file) {
    LARGE_INTEGER start{};
    if (::SetFilePointerEx(file.handle.Get(), start, nullptr, FILE_BEGIN)) {
        ::SetEndOfFile(file.handle.Get());
    }
}

void CloseWritten(NamedFile& file) {
    if (!file.handle.Close()) {
        throw FileError(::GetLastError(), FileAction::Finish, file.path);
    }
}
