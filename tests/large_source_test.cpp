#include <windows.h>

#include <gtest/gtest.h>

#include "file_fixtures.h"
#include "pieces/file_ops.h"
#include "pieces/pieces.h"
#include "pieces/unique_handle.h"
#include "recording_window.h"

namespace {

void PutAt(HANDLE file, std::int64_t offset, const std::string& bytes) {
    LARGE_INTEGER at{};
    at.QuadPart = offset;
    DWORD written = 0;
    ASSERT_TRUE(::SetFilePointerEx(file, at, nullptr, FILE_BEGIN));
    ASSERT_TRUE(::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
}

std::string GetAt(const std::wstring& path, std::int64_t offset, std::size_t size) {
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER at{};
    at.QuadPart = offset;
    std::string bytes(size, '\0');
    DWORD read = 0;
    ::SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN);
    ::ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(size), &read, nullptr);
    bytes.resize(read);
    return bytes;
}

std::int64_t LengthOf(const std::wstring& path) { return FileLengthByPath(path); }

// A sparse source past 2 GiB: lengths and offsets must not wrap at 32 bits.
TEST(LargeSource, SplitsASourceOfMoreThanTwoGiB) {
    constexpr std::int64_t kGiB = std::int64_t{1} << 30;
    constexpr std::int64_t kLength = 2 * kGiB + 3 * 1024 * 1024;
    constexpr std::int32_t kPieceSize = 1 << 30;
    TempFolder folder;
    ULARGE_INTEGER free{};
    ::GetDiskFreeSpaceExW(folder.Path().c_str(), &free, nullptr, nullptr);
    if (free.QuadPart < static_cast<std::uint64_t>(3 * kGiB)) {
        GTEST_SKIP() << "needs 3 GiB free for the pieces";
    }
    const std::wstring sourcePath = folder / L"gross.img";
    const std::string marks = PatternBytes(64, 9);
    {
        UniqueFile file(::CreateFileW(sourcePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        ASSERT_TRUE(file);
        for (const std::int64_t at : {std::int64_t{0}, kGiB - 32, 2 * kGiB - 32, kLength - 64}) {
            PutAt(file.Get(), at, marks);
        }
    }
    ASSERT_EQ(LengthOf(sourcePath), kLength);
    RecordingWindow window;

    WritePieceSet(sourcePath, kPieceSize, window);

    EXPECT_EQ(LengthOf(folder / L"gross.001"), kGiB);
    EXPECT_EQ(LengthOf(folder / L"gross.002"), kGiB);
    EXPECT_EQ(LengthOf(folder / L"gross.003"), kLength - 2 * kGiB);
    EXPECT_EQ(GetAt(folder / L"gross.001", 0, 64), marks);
    EXPECT_EQ(GetAt(folder / L"gross.001", kGiB - 32, 32) + GetAt(folder / L"gross.002", 0, 32), marks);
    EXPECT_EQ(GetAt(folder / L"gross.002", kGiB - 32, 32) + GetAt(folder / L"gross.003", 0, 32), marks);
    EXPECT_EQ(GetAt(folder / L"gross.003", kLength - 2 * kGiB - 64, 64), marks);
    EXPECT_EQ(ReadBytes(folder / L"gross.bat"), "copy /b gross.001 + gross.002 + gross.003 gross.img\r\n");
    EXPECT_EQ(window.calls.back(), L"ShowMessage Datei erfolgreich gesplittet");
}

} // namespace
