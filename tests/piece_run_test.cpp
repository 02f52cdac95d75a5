#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "fixtures.h"
#include "pieces/naming.h"
#include "pieces/write_fault.h"
#include "recording_window.h"

namespace {

using Names = std::vector<std::wstring>;

// Asks Windows during the run whether the system is kept awake: the call gives the state before it and sets the same
// one again.
class AwakeProbingWindow : public RecordingWindow {
public:
    bool keptAwake = true;
    void ReportProgress(std::int64_t done, std::int64_t total) override {
        RecordingWindow::ReportProgress(done, total);
        constexpr EXECUTION_STATE kAwake = ES_CONTINUOUS | ES_SYSTEM_REQUIRED;
        keptAwake = keptAwake && ::SetThreadExecutionState(kAwake) == kAwake;
    }
};

// After a run: the system may sleep again.
bool SleepAllowed() { return ::SetThreadExecutionState(ES_CONTINUOUS) == ES_CONTINUOUS; }

// The folder path, made, or one inside it whose path has exactly chars characters; made through the long-path prefix,
// which Windows needs for folders past 248.
std::wstring FolderOfLength(std::wstring path, std::size_t chars) {
    ::CreateDirectoryW(path.c_str(), nullptr);
    while (path.size() < chars) {
        const std::size_t left = chars - path.size();
        path += L"\\" + std::wstring(left > 201 ? 100 : left - 1, L'd');
        ::CreateDirectoryW((L"\\\\?\\" + path).c_str(), nullptr);
    }
    return path;
}

// A batch file's bytes read as the command interpreter on this machine reads them.
std::wstring OemText(const std::string& bytes) {
    std::wstring text(bytes.size(), L'\0');
    text.resize(static_cast<std::size_t>(::MultiByteToWideChar(
        CP_OEMCP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), static_cast<int>(text.size()))));
    return text;
}

TEST(PieceRun, PiecesAndBatchFileRejoinTheSource) {
    const std::wstring chcp = L"@chcp " + std::to_wstring(::GetOEMCP()) + L" >nul 2>&1\r\n";
    const std::wstring pushd = L"@pushd \"%~dp0\"\r\n";
    struct Case {
        std::wstring source;
        std::size_t length;
        std::int32_t pieceSize;
        std::int64_t pieces;         // 0: smaller than one piece, nothing written
        std::wstring script;         // empty: only rejoined
        bool oldFilesInTheWay;       // d.002 and d.bat, rewritten, and d.004, left alone
        std::size_t folderChars = 0; // the folder's path has so many characters
    };
    std::vector<Case> cases = {
        {L"film.avi", 2500, 1024, 3, pushd + L"copy /b film.001 + film.002 + film.003 film.avi\r\n@popd\r\n"},
        {L"d.bin", 1024, 1024, 1, pushd + L"copy /b d.001 d.bin\r\n@popd\r\n"},
        {L"d.bin", 70000, 32769, 3, pushd + L"copy /b d.001 + d.002 + d.003 d.bin\r\n@popd\r\n", true},
        {L"liesmich", 1500, 1000, 2, pushd + L"copy /b liesmich.001 + liesmich.002 liesmich\r\n@popd\r\n"},
        {L"d.bin", 1023, 1024, 0},
        {L"d.bin", 0, 1, 0},
        // Names beyond ASCII are joined where this machine's code page holds them, else refused.
        {L"Grüße Öl.mkv", 2100, 700, 3,
         chcp + pushd +
             L"copy /b \"Grüße Öl.001\" + \"Grüße Öl.002\" + \"Grüße Öl.003\" \"Grüße Öl.mkv\"\r\n@popd\r\n"},
        {L"€uro.txt", 1500, 1000, 2, chcp + pushd + L"copy /b \"€uro.001\" + \"€uro.002\" \"€uro.txt\"\r\n@popd\r\n"},
        {L"lang.bin", 2000, 1, 2000}, // names past 999, and more than one line of 8191 characters
        // The longest path Windows takes without long-path support: ...\a.500 has 259 characters.
        {L"a.b", 1000, 2, 500, L"", false, 253},
    };
    // Names that differ from a plain one by one character, each of which must be quoted.
    for (const wchar_t c : std::wstring_view(L"&^();=,+!'~[]{}% ü")) {
        const std::wstring name = L"a" + std::wstring(1, c) + L"b";
        const std::wstring spelled = L"\"" + (c == L'%' ? L"a%%b" : name);
        cases.push_back({name + L".x", 1500, 1000, 2,
                         (c == L'ü' ? chcp : L"") + pushd + L"copy /b " + spelled + L".001\" + " + spelled +
                             L".002\" " + spelled + L".x\"\r\n@popd\r\n"});
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.source << ", " << c.length << " bytes in pieces of " << c.pieceSize);
        // In a folder with a dot in its name, inside a parent that must stay empty.
        TempFolder parent;
        const std::wstring folder = FolderOfLength(parent / L"Daten.alt", c.folderChars) + L"\\";
        const std::string source = PatternBytes(c.length, 3);
        WriteBytes(folder + c.source, source);
        for (const wchar_t* old : {L"d.002", L"d.004", L"d.bat"}) {
            if (c.oldFilesInTheWay) {
                WriteBytes(folder + old, std::string(40000, 'o'));
            }
        }
        AwakeProbingWindow window;
        if (!OemCodePageHolds(c.source)) {
            try {
                WritePieceSet(folder + c.source, c.pieceSize, window);
                ADD_FAILURE() << "not refused";
            } catch (const RunError& error) {
                EXPECT_EQ(error.Number(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
                EXPECT_NE(error.Description().find(L"\u201E" + c.source + L"\u201C"), std::wstring::npos);
            }
            EXPECT_EQ(FileNames(folder), Names{c.source});
            continue;
        }

        WritePieceSet(folder + c.source, c.pieceSize, window);

        EXPECT_TRUE(window.keptAwake && SleepAllowed()) << "the system stays awake during the run, and only then";
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
        if (!c.script.empty()) {
            EXPECT_EQ(OemText(ReadBytes(folder + stem + L"bat")), c.script);
        }
        // The real command interpreter, started in another folder, joins the pieces into the source again.
        ASSERT_TRUE(::MoveFileW((folder + c.source).c_str(), (folder + L"orig").c_str()));
        EXPECT_EQ(RunScript(folder + stem + L"bat", parent.Path()), 0u);
        EXPECT_TRUE(ReadBytes(folder + c.source) == source);
        EXPECT_EQ(FileNames(parent.Path()), Names{L"Daten.alt"});
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
        std::size_t folderChars = 0;
    } cases[] = {
        // A source that bears a name this run would write is refused, and so is a run whose paths would be too long.
        {L"film.001", L"film.001", Block::None, ERROR_FILE_EXISTS, rename, {L"film.001"}},
        {L"FILM.BAT", L"FILM.BAT", Block::None, ERROR_FILE_EXISTS, rename, {L"FILM.BAT"}},
        {L"a.b", L"a.003", Block::None, ERROR_FILENAME_EXCED_RANGE, L"260 Zeichen zu lang", {L"a.b"}, 254},
        {L"weg.avi", L"weg.avi", Block::None, ERROR_FILE_NOT_FOUND, L"nicht gefunden", {}},
        {L"f.avi", L"f.002", Block::ReadOnly, ERROR_ACCESS_DENIED, L"schreibgeschützt", four},
        {L"f.avi", L"f.bat", Block::HeldOpen, ERROR_SHARING_VIOLATION, L"anderen Programm", {L"f.avi", L"f.bat"}},
        {L"f.avi", L"f.002", Block::DiskFull, ERROR_DISK_FULL, L"Speicherplatz", four},
        {L"f.avi", L"f.bat", Block::DiskFull, ERROR_DISK_FULL, L"Speicherplatz", five},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.source << " " << c.blocked << " " << c.number);
        TempFolder temp;
        const std::wstring folder = FolderOfLength(temp.Path(), c.folderChars) + L"\\";
        const std::string source = PatternBytes(3000);
        if (!c.files.empty()) {
            WriteBytes(folder + c.source, source);
        }
        const std::wstring blocked = folder + c.blocked;
        if (c.block == Block::ReadOnly || c.block == Block::HeldOpen) {
            WriteBytes(blocked, "old");
            ::SetFileAttributesW(blocked.c_str(),
                                 c.block == Block::ReadOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
        }
        // Held open without sharing, as another program would.
        UniqueFile holder(c.block == Block::HeldOpen
                              ? ::CreateFileW(blocked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)
                              : INVALID_HANDLE_VALUE);
        AwakeProbingWindow window;
        std::optional<RunError> error;
        std::size_t progressAtTheFault = 0;
        try {
            ScopedWriteFault disk([&](const std::wstring& path) -> DWORD {
                progressAtTheFault = window.progress.size();
                return c.block == Block::DiskFull && path == blocked ? ERROR_DISK_FULL : 0;
            });
            WritePieceSet(folder + c.source, 1024, window);
        } catch (const RunError& e) {
            error = e;
        }
        holder.Reset();

        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(error->Number(), c.number);
        // The file named in quotes by its full path.
        const std::wstring& text = error->Description();
        EXPECT_TRUE(text.find(L"\u201E" + blocked + L"\u201C") != std::wstring::npos &&
                    text.find(c.reason) != std::wstring::npos)
            << text;
        EXPECT_EQ(FileNames(folder), c.files);
        EXPECT_TRUE(window.keptAwake && SleepAllowed()) << "the system may sleep again";
        const auto has = [&](const wchar_t* name) { return std::ranges::count(c.files, name) > 0; };
        EXPECT_TRUE(!has(c.source) || ReadBytes(folder + c.source) == source) << "the source is never touched";
        EXPECT_TRUE(c.block == Block::None || c.block == Block::DiskFull || ReadBytes(blocked) == "old");
        EXPECT_TRUE(!has(L"f.001") || ReadBytes(folder + L"f.001") == source.substr(0, 1024)) << "finished pieces stay";
        EXPECT_TRUE(!has(L"f.bat") ||
                    ReadBytes(folder + L"f.bat") ==
                        (c.blocked == std::wstring(L"f.bat") && c.block == Block::HeldOpen ? "old" : ""))
            << "no batch file that joins a shortened file";
        for (const auto& name : c.files) {
            const std::wstring path = folder + name;
            EXPECT_TRUE(UniqueFile(::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)))
                << name << " is still open";
        }
        EXPECT_TRUE(window.calls.empty() || window.calls.back() == L"SetBusy off") << "the hourglass is gone";
        EXPECT_TRUE(c.block != Block::DiskFull || window.progress.size() == progressAtTheFault)
            << "no progress after the error";
    }
}

} // namespace
