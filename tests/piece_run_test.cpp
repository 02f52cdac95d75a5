#include <gtest/gtest.h>

#include <optional>

#include "file_fixtures.h"
#include "pieces/naming.h"
#include "pieces/write_fault.h"
#include "recording_window.h"

namespace {

using Names = std::vector<std::wstring>;

// Every run happens in a folder with a dot in its name, inside a parent that must stay empty.
struct RunFolder {
    TempFolder parent;
    std::wstring path = parent / L"Daten.alt";
    RunFolder() { ::CreateDirectoryW(path.c_str(), nullptr); }
    std::wstring operator/(const std::wstring& name) const { return path + L"\\" + name; }
};

TEST(PieceRun, PiecesAndBatchFileRejoinTheSource) {
    const struct {
        const wchar_t* source;
        std::size_t length;
        std::int32_t pieceSize;
        std::int64_t pieces; // 0: smaller than one piece, nothing written
        Names old;           // files in the way, holding "old": rewritten when this run writes them
        const char* script;  // nullptr: only rejoined
    } cases[] = {
        {L"film.avi", 2500, 1024, 3, {}, "copy /b film.001 + film.002 + film.003 film.avi\r\n"},
        {L"d.bin", 1024, 1024, 1, {}, "copy /b d.001 d.bin\r\n"},
        {L"d.bin", 2048, 1024, 2, {}, "copy /b d.001 + d.002 d.bin\r\n"},
        {L"d.bin", 70000, 32769, 3, {L"d.002", L"d.004", L"d.bat"}, "copy /b d.001 + d.002 + d.003 d.bin\r\n"},
        {L"liesmich", 1500, 1000, 2, {}, "copy /b liesmich.001 + liesmich.002 liesmich\r\n"},
        {L"d.bin", 1023, 1024, 0, {}, nullptr},
        {L"d.bin", 0, 1, 0, {}, nullptr},
        {L"x.dat", 1001, 1, 1001, {}, nullptr},
        {L"Mein Film & 100% (neu).avi", 5000, 1024, 5, {}, nullptr},
        {L"a+b;c=d,e^f!g'h~i[j]{k}.x", 3000, 1000, 3, {}, nullptr},
        {L"Grüße Ähre Öl.mkv", 2100, 700, 3, {}, nullptr},
        // Needs more than one line of 8191 characters.
        {L"lang.bin", 2000, 1, 2000, {}, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.source << ", " << c.length << " bytes in pieces of " << c.pieceSize);
        RunFolder folder;
        const std::string source = PatternBytes(c.length, 3);
        WriteBytes(folder / c.source, source);
        for (const auto& name : c.old) {
            WriteBytes(folder / name, std::string(40000, 'o'));
        }
        RecordingWindow window;

        WritePieceSet(folder / c.source, c.pieceSize, window);

        EXPECT_TRUE(FileNames(folder.parent.Path()) == Names{L"Daten.alt"});
        const std::wstring stem = StemWithDot(c.source);
        Names expectedFiles{c.source};
        if (c.pieces == 0) {
            EXPECT_EQ(window.calls, Names{std::wstring(L"ShowMessage ") + kSourceTooSmallMessage});
            EXPECT_EQ(FileNames(folder.path), expectedFiles);
            continue;
        }
        Names expectedCalls = {L"SetBusy on"};
        for (std::int64_t k = 1; k <= c.pieces; ++k) {
            const std::wstring piece = stem + PieceNumberText(k);
            expectedFiles.push_back(piece);
            expectedCalls.insert(expectedCalls.end(),
                                 {L"SetProgressText Kopiere Daten nach " + (folder / piece), L"RepaintNow"});
            const auto offset = static_cast<std::size_t>(k - 1) * c.pieceSize;
            ASSERT_EQ(ReadBytes(folder / piece), source.substr(offset, c.pieceSize)) << piece;
        }
        expectedCalls.insert(expectedCalls.end(), {L"SetProgressText  ", L"SetBusy off", L"RepaintNow",
                                                   L"ShowMessage Datei erfolgreich gesplittet"});
        EXPECT_EQ(window.calls, expectedCalls);
        EXPECT_TRUE(std::is_sorted(window.progress.begin(), window.progress.end(), std::less_equal<>()) &&
                    window.progress.back() == static_cast<std::int64_t>(c.length))
            << "progress rises to the source's length";
        expectedFiles.push_back(stem + L"bat");
        for (const auto& name : c.old) {
            if (std::find(expectedFiles.begin(), expectedFiles.end(), name) == expectedFiles.end()) {
                expectedFiles.push_back(name);
                EXPECT_EQ(ReadBytes(folder / name), std::string(40000, 'o')) << "a stale piece is left alone";
            }
        }
        std::sort(expectedFiles.begin(), expectedFiles.end());
        EXPECT_EQ(FileNames(folder.path), expectedFiles);
        if (c.script) {
            EXPECT_EQ(ReadBytes(folder / (stem + L"bat")), c.script);
        }
        // The real command interpreter joins the pieces back into the source.
        ASSERT_TRUE(::MoveFileW((folder / c.source).c_str(), (folder / L"original").c_str()));
        EXPECT_EQ(RunScript(folder.path, folder / (stem + L"bat")), 0u);
        EXPECT_TRUE(ReadBytes(folder / c.source) == source);
    }
}

TEST(PieceRun, AFailureIsReportedNamingTheFileAndLeavesNothingThatJoinsWrongly) {
    enum class Block { None, ReadOnly, HeldOpen, DiskFull };
    const struct {
        const wchar_t* source;
        const wchar_t* blocked; // the file in the way
        Block block;
        DWORD number;
        const wchar_t* reason; // what the message says besides the file
        Names files;           // what the folder holds afterwards
    } cases[] = {
        // A source that bears a name this run would write is refused before anything is written.
        {L"film.001", nullptr, Block::None, ERROR_FILE_EXISTS, L"benennen Sie die Datei um", {L"film.001"}},
        {L"film.002", nullptr, Block::None, ERROR_FILE_EXISTS, L"benennen Sie die Datei um", {L"film.002"}},
        {L"FILM.BAT", nullptr, Block::None, ERROR_FILE_EXISTS, L"benennen Sie die Datei um", {L"FILM.BAT"}},
        {L"Kosten \u20AC.txt",
         nullptr,
         Block::None,
         ERROR_NO_UNICODE_TRANSLATION,
         L"benennen Sie die Datei um",
         {L"Kosten \u20AC.txt"}},
        {L"weg.avi", nullptr, Block::None, ERROR_FILE_NOT_FOUND, L"nicht gefunden", {}},
        {L"f.avi",
         L"f.002",
         Block::ReadOnly,
         ERROR_ACCESS_DENIED,
         L"schreibgeschützt",
         {L"f.001", L"f.002", L"f.avi", L"f.bat"}},
        {L"f.avi",
         L"f.002",
         Block::HeldOpen,
         ERROR_SHARING_VIOLATION,
         L"anderen Programm",
         {L"f.001", L"f.002", L"f.avi", L"f.bat"}},
        {L"f.avi", L"f.bat", Block::HeldOpen, ERROR_SHARING_VIOLATION, L"anderen Programm", {L"f.avi", L"f.bat"}},
        {L"f.avi",
         L"f.002",
         Block::DiskFull,
         ERROR_DISK_FULL,
         L"Speicherplatz",
         {L"f.001", L"f.002", L"f.avi", L"f.bat"}},
        {L"f.avi",
         L"f.bat",
         Block::DiskFull,
         ERROR_DISK_FULL,
         L"Speicherplatz",
         {L"f.001", L"f.002", L"f.003", L"f.avi", L"f.bat"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.source << " " << (c.blocked ? c.blocked : L"") << " " << c.number);
        TempFolder folder;
        const std::string source = PatternBytes(3000);
        if (!c.files.empty()) {
            WriteBytes(folder / c.source, source);
        }
        const std::wstring named = folder / (c.blocked ? c.blocked : c.source);
        if (c.block == Block::ReadOnly || c.block == Block::HeldOpen) {
            WriteBytes(named, "old");
        }
        if (c.block == Block::ReadOnly) {
            ::SetFileAttributesW(named.c_str(), FILE_ATTRIBUTE_READONLY);
        }
        // Held open without sharing, as another program would.
        UniqueFile holder(c.block == Block::HeldOpen
                              ? ::CreateFileW(named.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)
                              : INVALID_HANDLE_VALUE);
        RecordingWindow window;
        std::optional<RunError> error;
        std::size_t progressBeforeError = 0;
        try {
            ScopedWriteFault disk([&](const std::wstring& path) -> DWORD {
                progressBeforeError = window.progress.size();
                return c.block == Block::DiskFull && path == named ? ERROR_DISK_FULL : 0;
            });
            WritePieceSet(folder / c.source, 1024, window);
        } catch (const RunError& e) {
            error = e;
        }
        holder.Reset();

        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(error->Number(), c.number);
        // Quoted, by its full path or (where the name is at fault) by its name.
        EXPECT_NE(error->Description().find(named.substr(named.rfind(L'\\') + 1) + L"\u201C"), std::wstring::npos)
            << error->Description();
        EXPECT_NE(error->Description().find(c.reason), std::wstring::npos) << error->Description();
        EXPECT_EQ(FileNames(folder.Path()), c.files);
        for (const auto& name : c.files) {
            const std::wstring path = folder / name;
            EXPECT_TRUE(IsClosed(path)) << name;
            if (name == c.source) {
                EXPECT_TRUE(ReadBytes(path) == source) << "the source is never touched";
            } else if (c.block != Block::DiskFull && path == named) {
                EXPECT_EQ(ReadBytes(path), "old");
            } else if (name == L"f.bat") {
                EXPECT_EQ(ReadBytes(path), "") << "no batch file that joins a shortened file";
            } else if (name == L"f.001") {
                EXPECT_TRUE(ReadBytes(path) == source.substr(0, 1024)) << "finished pieces stay";
            }
        }
        EXPECT_TRUE(window.calls.empty() || window.calls.back() == L"SetBusy off") << "the hourglass is gone";
        if (c.block == Block::DiskFull) {
            EXPECT_EQ(window.progress.size(), progressBeforeError) << "no progress after the error";
        }
    }
}

} // namespace
