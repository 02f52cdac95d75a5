#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "fixtures.h"
#include "pieces/naming.h"
#include "pieces/write_fault.h"
#include "recording_window.h"

namespace {

using Names = std::vector<std::wstring>;

TEST(PieceRun, PiecesAndBatchFileRejoinTheSource) {
    const struct {
        const wchar_t* source;
        std::size_t length;
        std::int32_t pieceSize;
        std::int64_t pieces;   // 0: smaller than one piece, nothing written
        const char* script;    // nullptr: only rejoined
        bool oldFilesInTheWay; // d.002 and d.bat, rewritten, and d.004, left alone
    } cases[] = {
        {L"film.avi", 2500, 1024, 3, "copy /b film.001 + film.002 + film.003 film.avi\r\n"},
        {L"d.bin", 1024, 1024, 1, "copy /b d.001 d.bin\r\n"},
        {L"d.bin", 70000, 32769, 3, "copy /b d.001 + d.002 + d.003 d.bin\r\n", true},
        {L"liesmich", 1500, 1000, 2, "copy /b liesmich.001 + liesmich.002 liesmich\r\n"},
        {L"d.bin", 1023, 1024, 0},
        {L"d.bin", 0, 1, 0},
        {L"Mein Film & 100% (neu).avi", 5000, 1024, 5},
        {L"a+b;c=d,e^f!g'h~i[j]{k}.x", 3000, 1000, 3},
        {L"Grüße Ähre Öl.mkv", 2100, 700, 3},
        {L"lang.bin", 2000, 1, 2000}, // names past 999, and more than one line of 8191 characters
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.source << ", " << c.length << " bytes in pieces of " << c.pieceSize);
        // In a folder with a dot in its name, inside a parent that must stay empty.
        TempFolder parent;
        const std::wstring folder = parent / L"Daten.alt\\";
        ::CreateDirectoryW(folder.c_str(), nullptr);
        const std::string source = PatternBytes(c.length, 3);
        WriteBytes(folder + c.source, source);
        for (const wchar_t* old : {L"d.002", L"d.004", L"d.bat"}) {
            if (c.oldFilesInTheWay) {
                WriteBytes(folder + old, std::string(40000, 'o'));
            }
        }
        RecordingWindow window;

        WritePieceSet(folder + c.source, c.pieceSize, window);

        const std::wstring stem = StemWithDot(c.source);
        Names calls = {L"SetBusy on"};
        for (std::int64_t k = 1; k <= c.pieces; ++k) {
            const std::wstring piece = folder + stem + PieceNumberText(k);
            calls.insert(calls.end(), {L"SetProgressText Kopiere Daten nach " + piece, L"RepaintNow"});
            ASSERT_TRUE(ReadBytes(piece) == source.substr((k - 1) * c.pieceSize, c.pieceSize)) << piece;
        }
        calls.insert(calls.end(), {L"SetProgressText  ", L"SetBusy off", L"RepaintNow",
                                   L"ShowMessage Datei erfolgreich gesplittet"});
        EXPECT_EQ(window.calls, c.pieces ? calls : Names{std::wstring(L"ShowMessage ") + kSourceTooSmallMessage});
        EXPECT_EQ(FileNames(parent.Path()), Names{L"Daten.alt"});
        EXPECT_EQ(FileNames(folder).size(), c.pieces ? c.pieces + 2 + c.oldFilesInTheWay : 1);
        if (c.pieces == 0) {
            continue;
        }
        EXPECT_TRUE(std::is_sorted(window.progress.begin(), window.progress.end(), std::less_equal<>()) &&
                    window.progress.back() == std::ssize(source))
            << "progress rises to the source's length";
        if (c.oldFilesInTheWay) {
            EXPECT_EQ(ReadBytes(folder + L"d.004"), std::string(40000, 'o'));
        }
        if (c.script) {
            EXPECT_EQ(ReadBytes(folder + stem + L"bat"), c.script);
        }
        // The real command interpreter joins the pieces into the source again.
        ASSERT_TRUE(::MoveFileW((folder + c.source).c_str(), (folder + L"original").c_str()));
        EXPECT_EQ(RunScript(folder, folder + stem + L"bat"), 0u);
        EXPECT_TRUE(ReadBytes(folder + c.source) == source);
    }
}

TEST(PieceRun, AFailureIsReportedNamingTheFileAndLeavesNothingThatJoinsWrongly) {
    enum class Block { None, ReadOnly, HeldOpen, DiskFull };
    const wchar_t* const rename = L"benennen Sie die Datei um";
    const Names four = {L"f.001", L"f.002", L"f.avi", L"f.bat"};
    const Names five = {L"f.001", L"f.002", L"f.003", L"f.avi", L"f.bat"};
    const struct {
        const wchar_t* source;
        const wchar_t* blocked; // the file in the way
        Block block;
        DWORD number;
        const wchar_t* reason; // what the message says besides the file's name
        Names files;           // what the folder holds afterwards
    } cases[] = {
        // A source that bears a name this run would write, or that the batch file cannot hold, is refused.
        {L"film.001", L"film.001", Block::None, ERROR_FILE_EXISTS, rename, {L"film.001"}},
        {L"FILM.BAT", L"FILM.BAT", Block::None, ERROR_FILE_EXISTS, rename, {L"FILM.BAT"}},
        {L"€uro.txt", L"€uro.txt", Block::None, ERROR_NO_UNICODE_TRANSLATION, rename, {L"€uro.txt"}},
        {L"weg.avi", L"weg.avi", Block::None, ERROR_FILE_NOT_FOUND, L"nicht gefunden", {}},
        {L"f.avi", L"f.002", Block::ReadOnly, ERROR_ACCESS_DENIED, L"schreibgeschützt", four},
        {L"f.avi", L"f.bat", Block::HeldOpen, ERROR_SHARING_VIOLATION, L"anderen Programm", {L"f.avi", L"f.bat"}},
        {L"f.avi", L"f.002", Block::DiskFull, ERROR_DISK_FULL, L"Speicherplatz", four},
        {L"f.avi", L"f.bat", Block::DiskFull, ERROR_DISK_FULL, L"Speicherplatz", five},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.source << " " << c.blocked << " " << c.number);
        TempFolder folder;
        const std::string source = PatternBytes(3000);
        if (!c.files.empty()) {
            WriteBytes(folder / c.source, source);
        }
        const std::wstring blocked = folder / c.blocked;
        if (c.block == Block::ReadOnly || c.block == Block::HeldOpen) {
            WriteBytes(blocked, "old");
            ::SetFileAttributesW(blocked.c_str(),
                                 c.block == Block::ReadOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
        }
        // Held open without sharing, as another program would.
        UniqueFile holder(c.block == Block::HeldOpen
                              ? ::CreateFileW(blocked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)
                              : INVALID_HANDLE_VALUE);
        RecordingWindow window;
        std::optional<RunError> error;
        std::size_t progressAtTheFault = 0;
        try {
            ScopedWriteFault disk([&](const std::wstring& path) -> DWORD {
                progressAtTheFault = window.progress.size();
                return c.block == Block::DiskFull && path == blocked ? ERROR_DISK_FULL : 0;
            });
            WritePieceSet(folder / c.source, 1024, window);
        } catch (const RunError& e) {
            error = e;
        }
        holder.Reset();

        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(error->Number(), c.number);
        // The file named in quotes, by its full path or (where its name is at fault) by its name.
        const std::wstring& text = error->Description();
        EXPECT_TRUE(text.find(std::wstring(c.blocked) + L"\u201C") != std::wstring::npos &&
                    text.find(c.reason) != std::wstring::npos)
            << text;
        EXPECT_EQ(FileNames(folder.Path()), c.files);
        const auto has = [&](const wchar_t* name) { return std::ranges::count(c.files, name) > 0; };
        EXPECT_TRUE(!has(c.source) || ReadBytes(folder / c.source) == source) << "the source is never touched";
        EXPECT_TRUE(c.block == Block::None || c.block == Block::DiskFull || ReadBytes(blocked) == "old");
        EXPECT_TRUE(!has(L"f.001") || ReadBytes(folder / L"f.001") == source.substr(0, 1024)) << "finished pieces stay";
        EXPECT_TRUE(!has(L"f.bat") ||
                    ReadBytes(folder / L"f.bat") ==
                        (c.blocked == std::wstring(L"f.bat") && c.block == Block::HeldOpen ? "old" : ""))
            << "no batch file that joins a shortened file";
        for (const auto& name : c.files) {
            const std::wstring path = folder / name;
            EXPECT_TRUE(UniqueFile(::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)))
                << name << " is still open";
        }
        EXPECT_TRUE(window.calls.empty() || window.calls.back() == L"SetBusy off") << "the hourglass is gone";
        EXPECT_TRUE(c.block != Block::DiskFull || window.progress.size() == progressAtTheFault)
            << "no progress after the error";
    }
}

} // namespace
