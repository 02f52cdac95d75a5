#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "fixtures.h"
#include "pieces/free_space.h"
#include "pieces/unique_handle.h"
#include "pieces/write_fault.h"
#include "recording_window.h"

namespace {

// Whether this machine's OEM code page holds every character of text, as Windows itself says.
bool OemCodePageHolds(const std::wstring& text) {
    BOOL lost = FALSE;
    ::WideCharToMultiByte(CP_OEMCP, WC_NO_BEST_FIT_CHARS, text.c_str(), -1, nullptr, 0, nullptr, &lost);
    return ::GetOEMCP() == CP_UTF8 || !lost; // UTF-8 holds everything (and refuses the flag and the question)
}

// Asked during a run, the call gives the state before it and sets the same again.
constexpr EXECUTION_STATE kAwake = ES_CONTINUOUS | ES_SYSTEM_REQUIRED;

constexpr std::size_t kDriveRoot = 1; // as a folder's length: the root of the drive KAVRO_TEST_DRIVE, emptied first

// The folder path, made, or one inside it whose path has exactly chars characters (past 248 only with \\?\), or a
// drive's root; with its final "\", and empty where the tests have no drive of their own.
std::wstring FolderOfLength(const std::wstring& path, std::size_t chars) {
    ::CreateDirectoryW(path.c_str(), nullptr);
    if (const wchar_t* drive = _wgetenv(L"KAVRO_TEST_DRIVE"); chars == kDriveRoot) {
        const std::wstring root = drive ? drive + std::wstring(L"\\") : L"";
        std::error_code none; // an empty root, which lists not even "." and "..", is no error
        for (const auto& entry : std::filesystem::directory_iterator(root, none)) {
            ::DeleteFileW(entry.path().c_str());
        }
        return root;
    }
    const std::wstring folder = chars ? path + L"\\" + std::wstring(chars - path.size() - 1, L'd') : path;
    ::CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr);
    return folder + L"\\";
}

// Opened for reading without sharing, as another program may hold a file: fails while anyone else has it open.
UniqueFile OpenAlone(const std::wstring& path) {
    return UniqueFile(::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
}

constexpr std::size_t kRemoved = ~std::size_t{0}, kFolder = kRemoved - 1, kHeldOpen = kRemoved - 2;

TEST(PieceRun, PiecesAndBatchFileRejoinTheSource) {
    struct Case {
        std::wstring source, stem;
        std::size_t length;
        std::int32_t pieceSize;
        std::int64_t pieces;
        Names oldFiles = {};         // 40000 bytes each; all but d.004 and d.0001 are replaced, whatever their case
        std::size_t folderChars = 0; // the folder's path has so many characters
        std::wstring changed = {};   // after the run: made a file of changedSize bytes, removed, a folder or held open
        std::size_t changedSize = 0;
        std::wstring message = {}; // what the batch file then says after "Fehler: "
    };
    std::vector<Case> cases = {
        {L"d.bin", L"d.", 1024, 1024, 1},
        {L"d.bin", L"d.", 70000, 32769, 3, {L"D.002", L"d.004", L"d.0001", L"d.BAT", L"d.bin.kavro-tmp"}},
        {std::wstring(150, L'x') + L".b", std::wstring(150, L'x') + L".", 100, 1, 100}, // as much once the name is in
        // The longest path Windows takes without long-path support: ...\a.b.kavro-tmp, the join's, has 259 characters.
        {L"a.b", L"a.", 1000, 2, 500, {}, 245},
        // At a drive's root, where only the name's length counts: the join's r...r.b.kavro-tmp has 255 characters.
        {std::wstring(243, L'r') + L".b", std::wstring(243, L'r') + L".", 100, 50, 2, {}, kDriveRoot},
        // A stem beyond every OEM code page and an extension beyond ASCII, written out in the code page; a name that
        // begins with its only dot, several dots, no dot.
        {L"\u201E\u2019\u2013\u20AC \u0391\u6771.\u00DC", L"\u201E\u2019\u2013\u20AC \u0391\u6771.", 1500, 1000, 2},
        {L".profile", L".", 1500, 1000, 2},
        {L"a.tar.gz", L"a.tar.", 1500, 1000, 2},
        {L"b.5%", L"b.", 1500, 1000, 2}, // "%" in the extension alone
        {L"liesmich", L"liesmich.", 1500, 1000, 2},
        {L"a%\u00FC.x", L"a%\u00FC.", 1500, 1000, 2}, // a "%" with a character beyond ASCII, written out
    };
    for (const wchar_t c : std::wstring_view(L"&^();=,+!'~[]{}% \u00FC")) { // each forces quotes on its own
        cases.push_back({std::wstring{L'a', c, L'b'} + L".x", std::wstring{L'a', c, L'b'} + L".", 1500, 1000, 2});
    }
    const std::wstring nothing = L"Es wurde nichts geschrieben.\r\n";
    const std::wstring failed =
        L"\" konnte nicht zusammengesetzt werden. Ist der Ordner beschreibbar und genug Platz frei? " + nothing;
    const std::tuple<std::wstring, const wchar_t*, std::size_t, std::wstring> changes[] = {
        {L"f & g!", L".001", kRemoved, L"Das Teil \"f & g!.001\" fehlt. " + nothing},
        {L"f & g!", L".002", 1023, L"Das Teil \"f & g!.002\" hat 1023 Byte, erwartet sind 1024 Byte. " + nothing},
        {L"50%", L".003", 453, L"Das Teil \"50%.003\" hat 453 Byte, erwartet sind 452 Byte. " + nothing},
        {L"f & g!", L".avi", 3,
         L"\"f & g!.avi\" gibt es in diesem Ordner schon und wird nicht ersetzt. Bitte verschieben oder benennen Sie "
         L"diese Datei um.\r\n"},
        {L"50%", L".avi.kavro-tmp", kFolder, L"\"50%.avi" + failed},
        {L"f & g!", L".003", kHeldOpen, L"\"f & g!.avi" + failed},
    };
    for (const auto& [stem, changed, size, message] : changes) {
        cases.push_back({stem + L".avi", stem + L".", 2500, 1024, 3, {}, 0, stem + changed, size, message});
    }
    for (const auto& c : cases) {
        TempFolder parent; // the pieces go into a folder with a dot in its name
        const std::wstring folder = FolderOfLength(parent / L"Daten.alt", c.folderChars);
        const bool writtenOut = c.stem.find(L'%') != std::wstring::npos;
        if (folder.empty() ||
            !OemCodePageHolds(c.source.substr(writtenOut ? 0 : std::min(c.stem.size(), c.source.size())))) {
            continue; // no drive of their own, or refused (failures, below)
        }
        SCOPED_TRACE(testing::Message() << c.source << ", " << c.length << " bytes " << c.changed);
        const std::string source = PatternBytes(c.length, 3);
        WriteBytes(folder + c.source, source);
        for (const auto& old : c.oldFiles) {
            WriteBytes(folder + old, std::string(40000, 'o'));
        }
        // The files the run replaces count as free space: it deletes them first.
        EXPECT_EQ(ReplacedBytes(folder + c.stem, c.pieces), c.oldFiles.empty() ? 0u : 80000u);
        RecordingWindow window;
        WritePieceSet(folder + c.source, c.pieceSize, window);
        Names calls = {L"SetBusy on"};
        for (std::int64_t k = 1; k <= c.pieces; ++k) {
            const std::wstring piece = folder + c.stem + (k < 10 ? L"00" : k < 100 ? L"0" : L"") + std::to_wstring(k);
            calls.insert(calls.end(), {L"SetProgressText Kopiere Daten nach " + piece, L"RepaintNow"});
        }
        calls.insert(calls.end(), {L"SetProgressText  ", L"SetBusy off", L"RepaintNow",
                                   L"ShowMessage Datei erfolgreich gesplittet"});
        EXPECT_EQ(window.calls, calls);
        EXPECT_EQ(FileNames(folder).size(), c.pieces + 2 + 3 * !c.oldFiles.empty());
        EXPECT_TRUE(std::is_sorted(window.progress.begin(), window.progress.end(), std::less_equal<>()) &&
                    window.progress.back() == std::ssize(source))
            << "progress rises to the source's length";
        const std::string script = ReadBytes(folder + c.stem + L"bat");
        EXPECT_TRUE(script.ends_with("\r\nexit /b 1\r\n")) << "no old batch file's tail";
        const auto chcp = script.find("\r\n@chcp " + std::to_string(::GetOEMCP()) + " >nul 2>&1\r\n@setlocal ");
        EXPECT_EQ(chcp != std::string::npos, c.source.ends_with(L".\u00DC") || c.source == L"a%\u00FC.x");

        ::DeleteFileW((folder + c.source).c_str());
        const std::wstring changed = folder + c.changed;
        if (c.changedSize == kFolder) {
            ::CreateDirectoryW(changed.c_str(), nullptr);
        } else if (c.changedSize == kRemoved) {
            ::DeleteFileW(changed.c_str());
        } else if (!c.changed.empty() && c.changedSize != kHeldOpen) {
            WriteBytes(changed, PatternBytes(c.changedSize));
        }
        auto expected = Contents(folder);
        expected.erase(L"d.bin.kavro-tmp");
        if (c.changed.empty()) {
            expected[c.source] = source;
        }
        UniqueFile holder = c.changedSize == kHeldOpen ? OpenAlone(changed) : UniqueFile();
        const ScriptRun join = RunScript(folder + c.stem + L"bat", parent.path);
        holder.Reset();
        EXPECT_EQ(join.exitCode, c.changed.empty() ? 0u : 1u) << "cmd, started elsewhere";
        EXPECT_EQ(join.output, c.changed.empty() ? L"Fertig: \"" + c.source + L"\" ist wieder zusammengesetzt (" +
                                                       std::to_wstring(c.length) + L" Byte).\r\n"
                                                 : L"Fehler: " + c.message);
        EXPECT_TRUE(Contents(folder) == expected) << "joined, or nothing changed; no temporary file left";
    }
}

TEST(PieceRun, AFailureIsReportedNamingTheFileAndLeavesNothingThatJoinsWrongly) {
    enum class Block { None, ReadOnly, HeldOpen, DiskFull, NoRoom };
    const wchar_t* const rename = L"benennen Sie die Datei um";
    const Names four = {L"f.001", L"f.002", L"f.avi", L"f.bat"};
    const Names five = {L"f.001", L"f.002", L"f.003", L"f.avi", L"f.bat"};
    const std::wstring n246 = std::wstring(244, L'n') + L".b", j246 = n246 + L".kavro-tmp"; // a name and its join's
    const struct {
        const wchar_t* source;
        const wchar_t* blocked; // the file in the way
        Block block;
        DWORD number;
        const wchar_t* reason; // what the message says besides the file's name
        Names files;           // what the folder holds afterwards
        std::size_t folderChars = 0;
    } cases[] = {
        // Refused: a source that bears a name this run would write, paths too long, a name the batch file cannot hold.
        {L"film.001", L"film.001", Block::None, ERROR_FILE_EXISTS, rename, {L"film.001"}},
        {L"FILM.BAT", L"FILM.BAT", Block::None, ERROR_FILE_EXISTS, rename, {L"FILM.BAT"}},
        {L"a.b", L"a.b.kavro-tmp", Block::None, ERROR_FILENAME_EXCED_RANGE, L"260 Zeichen zu lang", {L"a.b"}, 246},
        {n246.c_str(), j246.c_str(), Block::None, ERROR_FILENAME_EXCED_RANGE, L"256 Zeichen", {n246}, kDriveRoot},
        {L"50%€.txt", L"50%€.txt", Block::None, ERROR_NO_UNICODE_TRANSLATION, rename, {L"50%€.txt"}},
        {L"f.avi", L"f.002", Block::ReadOnly, ERROR_ACCESS_DENIED, L"schreibgeschützt", four},
        {L"f.avi", L"f.bat", Block::HeldOpen, ERROR_SHARING_VIOLATION, L"anderen Programm", {L"f.avi", L"f.bat"}},
        {L"f.avi", L"f.002", Block::DiskFull, ERROR_DISK_FULL, L"Speicherplatz", four},
        {L"f.avi", L"f.bat", Block::DiskFull, ERROR_DISK_FULL, L"Speicherplatz", five},
        {L"f.avi", L"\\", Block::NoRoom, ERROR_DISK_FULL, L"zu wenig Platz frei", {L"f.avi"}}, // names the folder
    };
    for (const auto& c : cases) {
        TempFolder temp;
        const std::wstring folder = FolderOfLength(temp.path, c.folderChars);
        if (folder.empty() || (c.number == ERROR_NO_UNICODE_TRANSLATION && OemCodePageHolds(c.source))) {
            continue; // no drive of their own, or joined (runs, above)
        }
        SCOPED_TRACE(testing::Message() << c.source << " " << c.blocked << " " << c.number);
        WriteBytes(folder + c.source, PatternBytes(3000));
        const std::wstring blocked = folder + c.blocked;
        if (c.block == Block::ReadOnly || c.block == Block::HeldOpen) {
            WriteBytes(blocked, "old");
            ::SetFileAttributesW(blocked.c_str(), c.block == Block::ReadOnly ? FILE_ATTRIBUTE_READONLY : 0);
        }
        if (c.block == Block::NoRoom) { // longer than the free space
            MakeSparse(folder + c.source, std::int64_t(std::filesystem::space(folder).available + (1u << 30)));
        }
        UniqueFile holder = c.block == Block::HeldOpen ? OpenAlone(blocked) : UniqueFile();
        RecordingWindow window;
        std::size_t progressAtTheFault = 0;
        bool keptAwake = true;
        const ScopedWriteFault disk([&](const std::wstring& path) -> DWORD {
            progressAtTheFault = window.progress.size();
            keptAwake = keptAwake && ::SetThreadExecutionState(kAwake) == kAwake;
            // Without room every write fails, so that a run which is not refused cannot fill the disk.
            return (c.block == Block::DiskFull && path == blocked) || c.block == Block::NoRoom ? ERROR_DISK_FULL : 0;
        });
        std::wstring text = L"no error";
        try {
            WritePieceSet(folder + c.source, c.block == Block::NoRoom ? 1 << 30 : 1024, window);
        } catch (const RunError& e) {
            text = ErrorMessageText(e);
        }
        holder.Reset();
        EXPECT_TRUE(text.starts_with(L"Fehler " + std::to_wstring(c.number) + L": ") &&
                    text.find(std::wstring(c.blocked) + L"\u201C") != std::wstring::npos &&
                    text.find(c.reason) != std::wstring::npos)
            << text;
        EXPECT_EQ(FileNames(folder), c.files);
        EXPECT_TRUE(keptAwake && ::SetThreadExecutionState(ES_CONTINUOUS) == ES_CONTINUOUS) << "may sleep again";
        for (const auto& name : c.files) {
            EXPECT_TRUE(OpenAlone(folder + name)) << name << " is still open";
            EXPECT_TRUE(name != L"f.bat" || ReadBytes(folder + name) == (c.block == Block::HeldOpen ? "old" : ""))
                << "no batch file that joins a shortened file";
        }
        EXPECT_TRUE(window.calls.empty() || window.calls.back() == L"SetBusy off") << "the hourglass is gone";
        EXPECT_TRUE(c.block != Block::DiskFull || window.progress.size() == progressAtTheFault)
            << "no progress after the error";
    }
}

// The batch file stops when it cannot enter its folder, and leaves the caller's folder stack as it was. Only Wine's
// interpreter cannot enter this folder: it reads a "%" that "%~dp0" brings into a line a second time (and its call
// reads a line once, so the caller's "%%" is one "%").
TEST(PieceRun, ABatchFileThatCannotEnterItsFolderSaysSo) {
    if (!UnderWine()) {
        GTEST_SKIP() << "Windows' interpreter enters this folder";
    }
    TempFolder parent;
    const std::wstring folder = FolderOfLength(parent / L"a%kavro_nicht_gesetzt%b", 0);
    WriteBytes(folder + L"f.avi", PatternBytes(2500));
    RecordingWindow window;
    WritePieceSet(folder + L"f.avi", 1024, window);
    WriteBytes(parent / L"caller.bat", "@echo off\r\npushd ..\r\ncall \"%~dp0a%%kavro_nicht_gesetzt%%b\\f.bat\"\r\n"
                                       "echo %errorlevel%\r\npopd\r\ncd\r\n");
    EXPECT_EQ(RunScript(parent / L"caller.bat", parent.path).output,
              L"Fehler: Der Ordner \"" + parent.path +
                  L"\\ab\\\" ist nicht erreichbar. Es wurde nichts geschrieben.\r\n1\r\n" + parent.path + L"\r\n");
}

// What only Windows' interpreter shows: the exact size of a piece past 4 GiB, and the command line it was started with.
TEST(PieceRun, APiecePast4GiBIsRefusedAndOnlyADoubleClickWaitsForAKey) {
    if (UnderWine()) {
        GTEST_SKIP() << "Wine's interpreter gives a file's size modulo 4 GiB and leaves %cmdcmdline% empty";
    }
    TempFolder folder;
    WriteBytes(folder / L"f.avi", PatternBytes(2500));
    RecordingWindow window;
    WritePieceSet(folder / L"f.avi", 1024, window);
    const std::wstring script = folder / L"f.bat";
    // With its input open, a batch file started as Explorer starts it waits for a key after its last line.
    for (const auto& [command, waits] :
         {std::pair{L"cmd /u /c \"\"" + script + L"\" \"", true}, std::pair{L"cmd /u /c \"" + script + L"\"", false}}) {
        ::DeleteFileW((folder / L"f.avi").c_str());
        const ScriptRun run = RunCommand(command, folder.path, L"");
        EXPECT_TRUE(run.waited == waits && run.exitCode == 0) << command;
        EXPECT_EQ(run.output, L"Fertig: \"f.avi\" ist wieder zusammengesetzt (2500 Byte).\r\n");
    }
    ::DeleteFileW((folder / L"f.avi").c_str());
    MakeSparse(folder / L"f.003", (std::int64_t{4} << 30) + 452);
    EXPECT_EQ(
        RunScript(script, folder.path).output,
        L"Fehler: Das Teil \"f.003\" hat 4294967748 Byte, erwartet sind 452 Byte. Es wurde nichts geschrieben.\r\n");
}

} // namespace
