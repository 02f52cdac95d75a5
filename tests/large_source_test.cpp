#include <gtest/gtest.h>

#include "file_fixtures.h"
#include "pieces/file_ops.h"
#include "recording_window.h"

namespace {

// size bytes of the file at path from offset on.
std::string BytesAt(const std::wstring& path, std::int64_t offset, std::size_t size) {
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER at{};
    at.QuadPart = offset;
    std::string bytes(size, '\0');
    DWORD done = 0;
    ::SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN);
    ::ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(size), &done, nullptr);
    return bytes.substr(0, done);
}

// A sparse source past 2 GiB: lengths and offsets must not wrap at 32 bits.
TEST(LargeSource, SplitsASourceOfMoreThanTwoGiB) {
    constexpr std::int64_t kGiB = std::int64_t{1} << 30;
    constexpr std::int64_t kLength = 2 * kGiB + 3 * 1024 * 1024;
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
        for (const std::int64_t at : {std::int64_t{0}, kGiB - 32, 2 * kGiB - 32, kLength - 64}) {
            LARGE_INTEGER position{};
            position.QuadPart = at;
            DWORD written = 0;
            ::SetFilePointerEx(file.Get(), position, nullptr, FILE_BEGIN);
            ASSERT_TRUE(::WriteFile(file.Get(), marks.data(), 64, &written, nullptr));
        }
    }
    ASSERT_EQ(FileLengthByPath(sourcePath), kLength);
    RecordingWindow window;

    WritePieceSet(sourcePath, static_cast<std::int32_t>(kGiB), window);

    const std::int64_t lengths[] = {kGiB, kGiB, kLength - 2 * kGiB};
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(FileLengthByPath(folder / (L"gross.00" + std::to_wstring(k + 1))), lengths[k]);
    }
    EXPECT_EQ(BytesAt(folder / L"gross.001", 0, 64), marks);
    EXPECT_EQ(BytesAt(folder / L"gross.001", kGiB - 32, 32) + BytesAt(folder / L"gross.002", 0, 32), marks);
    EXPECT_EQ(BytesAt(folder / L"gross.002", kGiB - 32, 32) + BytesAt(folder / L"gross.003", 0, 32), marks);
    EXPECT_EQ(BytesAt(folder / L"gross.003", kLength - 2 * kGiB - 64, 64), marks);
    EXPECT_EQ(ReadBytes(folder / L"gross.bat"), "copy /b gross.001 + gross.002 + gross.003 gross.img\r\n");
}

} // namespace
