#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <ranges>

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

constexpr std::size_t kDriveRoot = 1; // as a folder's length: the root of a drive of the test's own

// The folder path, made, or one inside it whose path has exactly chars characters (past 248 only with \\?\), or the
// root of drive; with its final "\", and empty where the test has no drive of its own.
std::wstring FolderOfLength(const std::wstring& path, std::size_t chars, std::optional<TestDrive>& drive) {
    if (chars == kDriveRoot) {
        return drive.emplace().root;
    }
    ::CreateDirectoryW(path.c_str(), nullptr);
    const std::wstring folder = chars ? path + L"\\" + std::wstring(chars - path.size() - 1, L'd') : path;
    ::CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr);
    return folder + L"\\";
}

// Opened for reading, as another program may hold a file; without sharing it fails while anyone else has it open.
UniqueFile Hold(const std::wstring& path, DWORD share = 0) {
    return UniqueFile(::CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr));
}

// Rows that cannot run here, named at the end of their test, which then reports itself skipped with the reason.
struct NotRunHere {
    testing::Message rows;
    bool any = false;
    void Add(const std::wstring& row, const char* why) {
        rows << row << ": " << why << "; ";
        any = true;
    }
};

constexpr std::size_t kRemoved = ~std::size_t{0}, kFolder = kRemoved - 1, kHeldOpen = kRemoved - 2;

TEST(PieceRun, PiecesAndBatchFileRejoinTheSource) {
    struct Case {
        std::wstring source, stem;
        std::size_t length;
        std::int32_t pieceSize;
        std::int64_t pieces;
        std::vector<std::pair<std::wstring, std::string>> oldFiles = {};
        std::size_t replaced = 0;    // of them, whatever their case; the others are kept
        std::size_t folderChars = 0; // the folder's path has so many characters
        std::wstring changed = {};   // after the run: made a file of changedSize bytes, removed, a folder or held open
        std::size_t changedSize = 0;
        std::wstring message = {}; // what the batch file then says after "Fehler: "
    };
    const std::string old(40000, 'o');
    std::vector<Case> cases = {
        {L"d.bin", L"d.", 1024, 1024, 1},
        {L"d.bin",
         L"d.",
         70000,
         32769,
         3,
         {{L"D.002", old},
          {L"d.004", old},
          {L"d.0001", old},
          {L"d.BAT", "@rem Kavro: " + old},
          {L"d.bin.kavro-tmp", old}},
         2},
        {std::wstring(150, L'x') + L".b", std::wstring(150, L'x') + L".", 100, 1, 100}, // as much once the name is in
        // The longest path Windows takes without long-path support: ...\a.b.kavro-tmp, the join's, has 259 characters.
        {L"a.b", L"a.", 1000, 2, 500, {}, 0, 245},
        // At a drive's root, where only the name's length counts: the join's r...r.b.kavro-tmp has 255 characters.
        {std::wstring(243, L'r') + L".b", std::wstring(243, L'r') + L".", 100, 50, 2, {}, 0, kDriveRoot},
        // A stem beyond every OEM code page and an extension beyond ASCII, written out in the code page; a name that
        // begins with its only dot, several dots, no dot (and an empty batch file of a failed run).
        {L"\u201E\u2019\u2013\u20AC \u0391\u6771.\u00DC", L"\u201E\u2019\u2013\u20AC \u0391\u6771.", 1500, 1000, 2},
        {L".profile", L".", 1500, 1000, 2},
        {L"a.tar.gz", L"a.tar.", 1500, 1000, 2},
        {L"b.5%", L"b.", 1500, 1000, 2}, // "%" in the extension alone
        {L"liesmich", L"liesmich.", 1500, 1000, 2, {{L"liesmich.bat", ""}}, 1},
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
        cases.push_back({stem + L".avi", stem + L".", 2500, 1024, 3, {}, 0, 0, stem + changed, size, message});
    }
    const std::wstring pause = PauseText(); // after every failure
    NotRunHere notRun;
    for (const auto& c : cases) {
        TempFolder parent; // the pieces go into a folder with a dot in its name
        std::optional<TestDrive> drive;
        const std::wstring folder = FolderOfLength(parent / L"Daten.alt", c.folderChars, drive);
        const bool writtenOut = c.stem.find(L'%') != std::wstring::npos;
        const std::string source = PatternBytes(c.length, 3);
        if (folder.empty() ||
            !OemCodePageHolds(c.source.substr(writtenOut ? 0 : std::min(c.stem.size(), c.source.size())))) {
            notRun.Add(c.source, "no drive of its own, or a name this code page cannot hold (refused below)");
            continue;
        }
        WriteBytes(folder + c.source, source);
        SCOPED_TRACE(testing::Message() << c.source << ", " << c.length << " bytes " << c.changed);
        for (const auto& [name, bytes] : c.oldFiles) {
            WriteBytes(folder + name, bytes);
        }
        // The files the run replaces count as free space: it deletes them first.
        EXPECT_EQ(FilesInTheWay(folder + c.stem, c.pieces).size(), c.replaced);
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
        EXPECT_EQ(FileNames(folder).size(), c.pieces + 2 + c.oldFiles.size() - c.replaced);
        EXPECT_TRUE(std::is_sorted(window.progress.begin(), window.progress.end(), std::less_equal<>()) &&
                    window.progress.back() == std::ssize(source))
            << "progress rises to the source's length";
        const std::string script = ReadBytes(folder + c.stem + L"bat");
        EXPECT_TRUE(script.ends_with("\r\ngoto ende_mit_fehler\r\n")) << "no old batch file's tail";
        // chcp from Windows' folder: the console's code page noted, the script's set, the console's given back twice.
        const bool switches = c.source.ends_with(L".\u00DC") || c.source == L"a%\u00FC.x";
        const std::string chcp = "\"%SystemRoot%\\System32\\chcp.com\"";
        EXPECT_EQ(script.find("\r\n" + chcp + " " + std::to_string(::GetOEMCP()) + " >nul 2>&1\r\npushd ") !=
                      script.npos,
                  switches);
        EXPECT_EQ(std::ranges::distance(script | std::views::split(chcp)) - 1, switches ? 4 : 0);

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
        UniqueFile holder = c.changedSize == kHeldOpen ? Hold(changed) : UniqueFile();
        const ScriptRun join = RunScript(folder + c.stem + L"bat", parent.path);
        holder.Reset();
        EXPECT_EQ(join.exitCode, c.changed.empty() ? 0u : 1u) << "cmd, started elsewhere";
        EXPECT_EQ(join.output, c.changed.empty() ? L"Fertig: \"" + c.source + L"\" ist wieder zusammengesetzt (" +
                                                       std::to_wstring(c.length) + L" Byte).\r\n"
                                                 : L"Fehler: " + c.message + pause);
        EXPECT_TRUE(Contents(folder) == expected) << "joined, or nothing changed; no temporary file left";
    }
    if (notRun.any) {
        GTEST_SKIP() << notRun.rows;
    }
}

TEST(PieceRun, AFailureIsReportedNamingTheFileAndLeavesNothingThatJoinsWrongly) {
    enum class Block {
        None,
        ReadOnly,
        Hidden,
        UsersScript,
        Folder,
        HeldOpen,
        HeldAfterDelete,
        DiskFull,
        NoRoom,
        Units
    };
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
        Names files;           // what the folder holds afterwards; what it held before, unchanged
        std::size_t folderChars = 0;
        std::int32_t pieceSize = 1024;
        std::int64_t length = 3000;
    } cases[] = {
        // Refused: a source that bears a name this run would write, paths too long, a name the batch file cannot hold.
        {L"film.001", L"film.001", Block::None, ERROR_FILE_EXISTS, rename, {L"film.001"}},
        {L"FILM.BAT", L"FILM.BAT", Block::None, ERROR_FILE_EXISTS, rename, {L"FILM.BAT"}},
        {L"a.b", L"a.b.kavro-tmp", Block::None, ERROR_FILENAME_EXCED_RANGE, L"260 Zeichen zu lang", {L"a.b"}, 246},
        {n246.c_str(), j246.c_str(), Block::None, ERROR_FILENAME_EXCED_RANGE, L"256 Zeichen", {n246}, kDriveRoot},
        {L"50%€.txt", L"50%€.txt", Block::None, ERROR_NO_UNICODE_TRANSLATION, rename, {L"50%€.txt"}},
        // A file not Kavro's to replace, a folder in the way; too many pieces, refused before the batch file's text,
        // which could not hold the name, is made.
        {L"setup.exe",
         L"setup.bat",
         Block::UsersScript,
         ERROR_FILE_EXISTS,
         L"keine Batch-Datei von Kavro",
         {L"setup.bat", L"setup.exe"}},
        {L"f.avi", L"f.bat", Block::Hidden, ERROR_ACCESS_DENIED, L"versteckt", {L"f.avi", L"f.bat"}},
        {L"f.avi", L"f.bat", Block::Folder, ERROR_ALREADY_EXISTS, L"Ordner", {L"f.avi", L"f.bat"}},
        {L"f.avi", L"f.002", Block::Folder, ERROR_ALREADY_EXISTS, L"Ordner", {L"f.002", L"f.avi"}},
        {L"a.\U00010400",
         L"a.\U00010400",
         Block::None,
         ERROR_INVALID_PARAMETER,
         L" in 100000 Teile zerlegt; Kavro schreibt höchstens 99999 Teile. Es wurde nichts geschrieben. Bitte geben "
         L"Sie mindestens 1 kB an.",
         {L"a.\U00010400"},
         0,
         1,
         100000},
        // Failed on the way: the pieces so far stay, the batch file stays empty.
        {L"f.avi", L"f.002", Block::ReadOnly, ERROR_ACCESS_DENIED, L"schreibgeschützt", four},
        {L"f.avi", L"f.bat", Block::HeldOpen, ERROR_SHARING_VIOLATION, L"anderen Programm", {L"f.avi", L"f.bat"}},
        {L"f.avi",
         L"f.002",
         Block::HeldAfterDelete,
         ERROR_DELETE_PENDING,
         L"offen gehalten",
         {L"f.001", L"f.avi", L"f.bat"}},
        {L"f.avi", L"f.002", Block::DiskFull, ERROR_DISK_FULL, L"Speicherplatz", four},
        {L"f.avi", L"f.bat", Block::DiskFull, ERROR_DISK_FULL, L"Speicherplatz", five},
        // Without room, in bytes or in the drive's allocation units: 1024 pieces of 1 kB take 4 MiB in units of 4 KiB.
        {L"f.avi", L"\\", Block::NoRoom, ERROR_DISK_FULL, L"zu wenig Platz frei", {L"f.avi"}, 0, 1 << 30},
        {L"f.avi", L"\\", Block::Units, ERROR_DISK_FULL, L"zu wenig Platz frei", {L"f.avi"}, kDriveRoot, 1024, 1 << 20},
    };
    NotRunHere notRun;
    for (const auto& c : cases) {
        TempFolder temp;
        std::optional<TestDrive> drive;
        const std::wstring folder = FolderOfLength(temp.path, c.folderChars, drive);
        if (folder.empty() || (c.number == ERROR_NO_UNICODE_TRANSLATION && OemCodePageHolds(c.source)) ||
            (c.block == Block::HeldAfterDelete && !UnderWine()) ||
            (c.block == Block::Units && std::filesystem::space(folder).available > (4 << 20))) {
            notRun.Add(c.blocked, "no drive of its own or none of 4 MiB (Wine's R: on a tmpfs mounted as root), a "
                                  "code page that holds the name (joined above), or a file system that frees a "
                                  "deleted name at once (NTFS since Windows 10 1903)");
            continue;
        }
        SCOPED_TRACE(testing::Message() << c.source << " " << c.blocked << " " << c.number);
        WriteBytes(folder + c.source, PatternBytes(c.length));
        const std::wstring blocked = folder + c.blocked;
        const std::map<Block, std::pair<std::string, DWORD>> oldFiles = {
            {Block::ReadOnly, {"old", FILE_ATTRIBUTE_READONLY}},
            {Block::Hidden, {"@rem Kavro: alt\r\n", FILE_ATTRIBUTE_HIDDEN}},
            {Block::UsersScript, {"@echo off\r\necho Meine Installation\r\n", 0}},
            {Block::HeldOpen, {"old", 0}},
            {Block::HeldAfterDelete, {"old", 0}},
        };
        if (const auto old = oldFiles.find(c.block); old != oldFiles.end()) {
            WriteBytes(blocked, old->second.first);
            ::SetFileAttributesW(blocked.c_str(), old->second.second);
        }
        if (c.block == Block::Folder) {
            ::CreateDirectoryW(blocked.c_str(), nullptr);
        }
        if (c.block == Block::NoRoom || c.block == Block::Units) { // NoRoom: longer than the free space
            MakeSparse(folder + c.source, c.block == Block::Units
                                              ? c.length
                                              : std::int64_t(std::filesystem::space(folder).available + (1u << 30)));
        }
        const auto before = c.block == Block::NoRoom ? decltype(Contents(folder)){} : Contents(folder);
        UniqueFile holder = c.block == Block::HeldOpen          ? Hold(blocked)
                            : c.block == Block::HeldAfterDelete ? Hold(blocked, FILE_SHARE_READ | FILE_SHARE_DELETE)
                                                                : UniqueFile();
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
            WritePieceSet(folder + c.source, c.pieceSize, window);
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
            EXPECT_TRUE(Hold(folder + name) || name == c.blocked) << name << " is still open";
            if (before.contains(name) || name.ends_with(L".bat")) {
                EXPECT_EQ(ReadBytes(folder + name), before.contains(name) ? before.at(name) : "")
                    << "left as it was; no batch file that joins a shortened file";
            }
        }
        EXPECT_TRUE(window.calls.empty() || window.calls.back() == L"SetBusy off") << "the hourglass is gone";
        EXPECT_TRUE(c.block != Block::DiskFull || window.progress.size() == progressAtTheFault)
            << "no progress after the error";
    }
    if (notRun.any) {
        GTEST_SKIP() << notRun.rows;
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
    std::optional<TestDrive> none;
    const std::wstring folder = FolderOfLength(parent / L"a%kavro_nicht_gesetzt%b", 0, none);
    WriteBytes(folder + L"f.avi", PatternBytes(2500));
    RecordingWindow window;
    WritePieceSet(folder + L"f.avi", 1024, window);
    WriteBytes(parent / L"caller.bat", "@echo off\r\npushd ..\r\ncall \"%~dp0a%%kavro_nicht_gesetzt%%b\\f.bat\"\r\n"
                                       "echo %errorlevel%\r\npopd\r\ncd\r\n");
    EXPECT_EQ(RunScript(parent / L"caller.bat", parent.path).output,
              L"Fehler: Der Ordner \"" + parent.path +
                  L"\\ab\\\" ist nicht erreichbar. Es wurde nichts geschrieben.\r\n" + PauseText() + L"1\r\n" +
                  parent.path + L"\r\n");
}

// What only Windows shows: a source that is a symbolic link, split at its target's length; the exact size of a piece
// past 4 GiB; the command line the interpreter was started with; the console's code page, which the batch file of a
// name written out in the OEM one gives back.
TEST(PieceRun, ALinkedSourceAPiecePast4GiBTheWaitAfterADoubleClickAndTheConsolesCodePage) {
    if (UnderWine()) {
        GTEST_SKIP() << "Wine makes no symbolic links, and its interpreter gives a file's size modulo 4 GiB, leaves "
                        "%cmdcmdline% empty and has no code page without a console";
    }
    if (!::GetConsoleOutputCP()) {
        ::AllocConsole();
    }
    const UINT consoleCodePage = ::GetConsoleOutputCP();
    ::SetConsoleOutputCP(CP_UTF8);
    TempFolder folder;
    const std::wstring source = folder / L"f.\u00E4vi";
    WriteBytes(folder / L"ziel.bin", PatternBytes(2500));
    const bool linked =
        ::CreateSymbolicLinkW(source.c_str(), L"ziel.bin", SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
    if (!linked) {
        WriteBytes(source, PatternBytes(2500));
    }
    RecordingWindow window;
    WritePieceSet(source, 1024, window);
    const std::wstring script = folder / L"f.bat";
    // With its input open, a batch file started as Explorer starts it waits for a key after its last line, and says so.
    for (const auto& [command, waits] :
         {std::pair{L"cmd /u /c \"\"" + script + L"\" \"", true}, std::pair{L"cmd /u /c \"" + script + L"\"", false}}) {
        ::DeleteFileW(source.c_str());
        const ScriptRun run = RunCommand(command, folder.path, L"");
        EXPECT_TRUE(run.waited == waits && run.exitCode == 0) << command;
        EXPECT_TRUE(run.output.starts_with(L"Fertig: \"f.\u00E4vi\" ist wieder zusammengesetzt (2500 Byte).\r\n" +
                                           (waits ? PauseText() : L"")))
            << run.output;
    }
    EXPECT_EQ(::GetConsoleOutputCP(), UINT{CP_UTF8}) << "the console's code page is given back";
    ::SetConsoleOutputCP(consoleCodePage);
    ::DeleteFileW(source.c_str());
    MakeSparse(folder / L"f.003", (std::int64_t{4} << 30) + 452);
    EXPECT_EQ(
        RunScript(script, folder.path).output,
        L"Fehler: Das Teil \"f.003\" hat 4294967748 Byte, erwartet sind 452 Byte. Es wurde nichts geschrieben.\r\n" +
            PauseText());
    if (!linked) {
        GTEST_SKIP() << "the source was no link: Windows lets this user make none (developer mode or an administrator)";
    }
}

} // namespace
