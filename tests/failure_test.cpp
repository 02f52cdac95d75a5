#include <windows.h>

#include <gtest/gtest.h>

#include <optional>

#include "file_fixtures.h"
#include "pieces/pieces.h"
#include "pieces/unique_handle.h"
#include "pieces/write_fault.h"
#include "recording_window.h"

namespace {

using Names = std::vector<std::wstring>;

std::optional<RunError> RunCatching(const std::wstring& source, std::int32_t pieceSize, RecordingWindow& window) {
    try {
        WritePieceSet(source, pieceSize, window);
    } catch (const RunError& error) {
        return error;
    }
    return std::nullopt;
}

TEST(Refusal, NothingIsWrittenWhenTheRunWouldHitTheSourceOrCannotNameIt) {
    const struct {
        const wchar_t* name;
        DWORD number;
        const wchar_t* named; // what the message must name
    } cases[] = {
        {L"film.001", ERROR_FILE_EXISTS, L"film.001"},
        {L"film.002", ERROR_FILE_EXISTS, L"film.002"},
        {L"FILM.BAT", ERROR_FILE_EXISTS, L"FILM.BAT"},
        {L"Kosten \u20AC.txt", ERROR_NO_UNICODE_TRANSLATION, L"Kosten \u20AC.txt"},
        {L"\u65E5\u672C.txt", ERROR_NO_UNICODE_TRANSLATION, L"\u65E5\u672C.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        const std::string source = PatternBytes(2500);
        WriteBytes(folder / c.name, source);
        RecordingWindow window;

        const auto error = RunCatching(folder / c.name, 1000, window);

        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(error->Number(), c.number);
        EXPECT_NE(error->Description().find(c.named), std::wstring::npos);
        EXPECT_EQ(FileNames(folder.Path()), Names{c.name});
        EXPECT_EQ(ReadBytes(folder / c.name), source);
        EXPECT_EQ(window.calls, (Names{L"SetBusy on", L"SetBusy off"}));
    }
}

TEST(Refusal, ANumberedSourceBeyondTheLastPieceIsSplitNormally) {
    TempFolder folder;
    const std::string source = PatternBytes(2000);
    WriteBytes(folder / L"film.003", source);
    RecordingWindow window;

    WritePieceSet(folder / L"film.003", 1000, window);

    EXPECT_EQ(ReadBytes(folder / L"film.003"), source);
    EXPECT_EQ(ReadBytes(folder / L"film.bat"), "copy /b film.001 + film.002 film.003\r\n");
}

TEST(FileFailure, ReachesTheCallerNamingTheFileAndLeavesTheRestAlone) {
    enum class Block { ReadOnly, HeldOpen };
    const struct {
        const wchar_t* named; // the old file in the way
        Block block;
        DWORD number;
    } cases[] = {
        {L"f.002", Block::ReadOnly, ERROR_ACCESS_DENIED},
        {L"f.002", Block::HeldOpen, ERROR_SHARING_VIOLATION},
        {L"f.bat", Block::HeldOpen, ERROR_SHARING_VIOLATION},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.number);
        TempFolder folder;
        const std::string source = PatternBytes(3000);
        WriteBytes(folder / L"f.avi", source);
        WriteBytes(folder / c.named, "old");
        RecordingWindow window;
        std::optional<RunError> error;
        if (c.block == Block::ReadOnly) {
            ::SetFileAttributesW((folder / c.named).c_str(), FILE_ATTRIBUTE_READONLY);
            error = RunCatching(folder / L"f.avi", 1024, window);
        } else {
            // Held open without sharing, as another program would.
            UniqueFile holder(::CreateFileW((folder / c.named).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
            ASSERT_TRUE(holder);
            error = RunCatching(folder / L"f.avi", 1024, window);
        }

        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(error->Number(), c.number);
        EXPECT_NE(error->Description().find(folder / c.named), std::wstring::npos) << error->Number();
        EXPECT_EQ(ReadBytes(folder / L"f.avi"), source);
        EXPECT_EQ(ReadBytes(folder / c.named), "old");
        EXPECT_FALSE(Exists(folder / L"f.003"));
        if (std::wstring(c.named) != L"f.bat") {
            EXPECT_EQ(ReadBytes(folder / L"f.001"), source.substr(0, 1024)) << "finished pieces stay";
            EXPECT_EQ(ReadBytes(folder / L"f.bat"), "") << "no half-finished join line";
        } else {
            EXPECT_FALSE(Exists(folder / L"f.001")) << "no piece without its batch file";
        }
        EXPECT_EQ(window.calls.back(), L"SetBusy off");
        for (const wchar_t* name : {L"f.avi", L"f.bat", L"f.001"}) {
            EXPECT_TRUE(!Exists(folder / name) || IsClosed(folder / name)) << "still open";
        }
    }
}

// Fails the writes to one file, as a full disk would.
struct FailingWrites : ScopedWriteFault {
    explicit FailingWrites(std::wstring suffix)
        : ScopedWriteFault(
              [suffix](const std::wstring& path) -> DWORD { return path.ends_with(suffix) ? ERROR_DISK_FULL : 0; }) {}
};

TEST(FileFailure, AFailedWriteLeavesNoBatchFileThatJoinsAShortenedFile) {
    for (const wchar_t* failing : {L".002", L".bat"}) {
        SCOPED_TRACE(failing);
        TempFolder folder;
        const std::string source = PatternBytes(3000);
        WriteBytes(folder / L"f.avi", source);
        RecordingWindow window;
        std::optional<RunError> error;
        {
            FailingWrites disk(failing);
            error = RunCatching(folder / L"f.avi", 1024, window);
        }

        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(error->Number(), static_cast<DWORD>(ERROR_DISK_FULL));
        EXPECT_NE(error->Description().find(folder / (std::wstring(L"f") + failing)), std::wstring::npos);
        EXPECT_NE(error->Description().find(L"Speicherplatz"), std::wstring::npos);
        EXPECT_EQ(ReadBytes(folder / L"f.bat"), "");
        EXPECT_EQ(ReadBytes(folder / L"f.001"), source.substr(0, 1024));
        EXPECT_EQ(ReadBytes(folder / L"f.avi"), source);
        EXPECT_EQ(window.calls.back(), L"SetBusy off");
        for (const wchar_t* name : {L"f.avi", L"f.bat", L"f.001", L"f.002"}) {
            EXPECT_TRUE(IsClosed(folder / name)) << name;
        }
    }
}

TEST(FileFailure, MissingSourceIsNamedAndNothingIsWritten) {
    TempFolder folder;
    RecordingWindow window;

    const auto error = RunCatching(folder / L"weg.avi", 1024, window);

    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->Number(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_NE(error->Description().find(folder / L"weg.avi"), std::wstring::npos);
    EXPECT_TRUE(FileNames(folder.Path()).empty());
    EXPECT_TRUE(window.calls.empty());
}

} // namespace
