#include "pieces/pieces.h"

#include <algorithm>
#include <string_view>

#include "pieces/block_copy.h"
#include "pieces/file_error.h"
#include "pieces/file_ops.h"
#include "pieces/free_space.h"
#include "pieces/naming.h"
#include "pieces/script_encoding.h"
#include "pieces/script_text.h"

namespace {

// Shows the hourglass for its lifetime, so that an error leaves the pointer normal.
class BusyPointer {
public:
    explicit BusyPointer(WindowOperations& window) : window_(window) { window_.SetBusy(true); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
    ~BusyPointer() { End(); }

    void End() {
        if (busy_) {
            busy_ = false;
            window_.SetBusy(false);
        }
    }

private:
    WindowOperations& window_;
    bool busy_ = true;
};

// Tells Windows for its lifetime that the system is needed: disk activity alone does not keep a laptop from going to
// sleep in the middle of a long copy. The display may still turn off; a failed call changes nothing.
class SystemAwake {
public:
    SystemAwake() { ::SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED); }
    SystemAwake(const SystemAwake&) = delete;
    SystemAwake& operator=(const SystemAwake&) = delete;
    ~SystemAwake() { ::SetThreadExecutionState(ES_CONTINUOUS); }
};

// Nothing of this run may land on the source: no piece and no batch file of its name.
void RefuseToOverwriteSource(const std::wstring& sourcePath, const std::wstring& stem, std::int64_t pieceCount) {
    const std::wstring scriptPath = ScriptPath(stem);
    const std::wstring extension = sourcePath.substr(std::min(stem.size(), sourcePath.size()));
    const auto number = PieceNumberOf(extension);
    const bool isPiece = number && *number <= pieceCount;
    const bool isScript = ::CompareStringOrdinal(sourcePath.c_str(), -1, scriptPath.c_str(), -1, TRUE) == CSTR_EQUAL;
    if (isPiece || isScript) {
        throw RunError(ERROR_FILE_EXISTS, L"Die ausgewählte Datei " + Quoted(sourcePath) + L" trägt den Namen " +
                                              (isPiece ? L"eines Teils" : L"der Batch-Datei") +
                                              L", den das Zerlegen schreiben würde, und würde dabei überschrieben. "
                                              L"Es wurde nichts geschrieben. Bitte benennen Sie die Datei um.");
    }
}

// The batch file's text, encoded. Only names that the batch file must write out go through the code page; where it
// cannot hold them, the run is refused before anything is written.
std::string ScriptBytes(const std::wstring& sourcePath, std::int64_t length, std::int32_t pieceSize) {
    const std::wstring name = NameOnly(sourcePath);
    auto bytes = EncodeForScript(ScriptText(name, length, pieceSize, ScriptCodePage()));
    if (!bytes) {
        throw RunError(ERROR_NO_UNICODE_TRANSLATION,
                       L"Der Dateiname " + Quoted(name) +
                           L" enthält Zeichen, die nicht in die Batch-Datei geschrieben werden können. "
                           L"Es wurde nichts geschrieben. Bitte benennen Sie die Datei um.");
    }
    return std::move(*bytes);
}

// Windows takes at most 255 characters in one file name, whatever the path, so at a drive's root a join could fail to
// write its temporary file although the path is short. Without long-path support switched on, Windows creates no file
// whose path has MAX_PATH characters or more, and the command interpreter cannot make such a folder its current one.
// Either way the pieces could not be joined.
void RefuseTooLongNames(const std::wstring& sourcePath, const std::wstring& stem, std::int64_t pieceCount) {
    // All in one folder, so the longest path has the longest name. The last piece's number has at least as many digits
    // as "bat" has letters; the join writes the original's path with its suffix.
    const std::wstring lastPiece = stem + PieceNumberText(pieceCount);
    const std::wstring joined = sourcePath + kJoinSuffix;
    const std::wstring& longest = lastPiece.size() > joined.size() ? lastPiece : joined;
    constexpr std::size_t kMaxNameLength = 255;
    if (const std::wstring name = NameOnly(longest); name.size() > kMaxNameLength) {
        const wchar_t* const whose =
            &longest == &joined ? L", den das Zusammensetzen vorübergehend braucht," : L" des letzten Teils";
        throw RunError(ERROR_FILENAME_EXCED_RANGE,
                       L"Der Dateiname " + Quoted(name) + whose + L" wäre mit " + std::to_wstring(name.size()) +
                           L" Zeichen zu lang: Windows erlaubt höchstens " + std::to_wstring(kMaxNameLength) +
                           L" Zeichen in einem Dateinamen. Es wurde nichts geschrieben. Bitte kürzen Sie den Namen "
                           L"der Datei " +
                           Quoted(NameOnly(sourcePath)) + L".");
    }
    if (longest.size() >= MAX_PATH) {
        throw RunError(ERROR_FILENAME_EXCED_RANGE,
                       L"Der Pfad " + Quoted(longest) + L" ist mit " + std::to_wstring(longest.size()) +
                           L" Zeichen zu lang: Windows und die Eingabeaufforderung verarbeiten höchstens " +
                           std::to_wstring(MAX_PATH - 1) +
                           L". Es wurde nichts geschrieben. Bitte verschieben Sie die Datei in einen Ordner mit "
                           L"kürzerem Pfad.");
    }
}

// The most pieces a run writes: the lines in LIESMICH for joining without the batch file take no more, and a slip of
// the finger (1 kB for 1000) would otherwise fill the folder with millions of files for hours.
constexpr std::int64_t kMaxPieces = 99999;

void RefuseTooManyPieces(const std::wstring& sourcePath, std::int64_t length, std::int64_t pieceCount) {
    if (pieceCount > kMaxPieces) {
        const std::int64_t smallestKilobytes = ((length - 1) / kMaxPieces + 1 + 1023) / 1024;
        throw RunError(ERROR_INVALID_PARAMETER,
                       L"Mit dieser Dateigröße würde " + Quoted(sourcePath) + L" in " + std::to_wstring(pieceCount) +
                           L" Teile zerlegt; Kavro schreibt höchstens " + std::to_wstring(kMaxPieces) +
                           L" Teile. Es wurde nichts geschrieben. Bitte geben Sie mindestens " +
                           std::to_wstring(smallestKilobytes) + L" kB an.");
    }
}

// Kavro replaces only its own batch file: an empty one (a failed run leaves it so) or one that begins as it writes
// them. A user's own setup.bat beside setup.exe is kept, and so is a hidden or system file, which Windows would not
// let it replace anyway.
void RefuseForeignScript(const std::wstring& scriptPath) {
    const DWORD attributes = ::GetFileAttributesW(scriptPath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return; // nothing there, or a folder, which FilesInTheWay reports
    }
    const std::wstring keep = L" Es wurde nichts geschrieben. Bitte verschieben oder benennen Sie diese Datei um.";
    if (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) {
        throw RunError(ERROR_ACCESS_DENIED, L"Die Datei " + Quoted(scriptPath) +
                                                L" ist versteckt oder eine Systemdatei; Kavro ersetzt sie erst, "
                                                L"wenn dieses Attribut entfernt ist." +
                                                keep);
    }
    static constexpr char kFirstLine[] = "@rem Kavro:";
    char start[sizeof kFirstLine - 1] = {};
    const DWORD read = ReadStart(scriptPath, start, sizeof start);
    if (read != 0 && std::string_view(start, read) != std::string_view(kFirstLine, sizeof start)) {
        throw RunError(ERROR_FILE_EXISTS, L"Die Datei " + Quoted(scriptPath) +
                                              L" ist keine Batch-Datei von Kavro und wird nicht ersetzt." + keep);
    }
}

// The room the old files of a run's names free on a drive of cluster bytes: it deletes them before it writes. A
// folder of one of its names, and a read-only old piece, which Windows would not let it delete, are refused.
std::uint64_t RoomOfOldFiles(const std::wstring& folder, const std::wstring& stem, std::int64_t pieceCount,
                             std::uint32_t cluster) {
    std::uint64_t room = 0;
    for (const FoundFile& old : FilesInTheWay(stem, pieceCount)) {
        if (old.folder) {
            throw RunError(ERROR_ALREADY_EXISTS, L"Der Ordner " + Quoted(folder + old.name) +
                                                     L" trägt den Namen einer Datei, die das Zerlegen schreiben "
                                                     L"würde. Es wurde nichts geschrieben. Bitte verschieben oder "
                                                     L"benennen Sie diesen Ordner um.");
        }
        if (old.readOnly) {
            throw FileError(ERROR_ACCESS_DENIED, FileAction::DeleteOld, folder + old.name);
        }
        room += OnDisk(old.bytes, cluster);
    }
    return room;
}

// A run that cannot fit would copy for minutes, fail with a full disk and leave pieces that join nothing. Each file
// takes whole allocation units, so a thousand small pieces may need four times their bytes.
void RefuseWithoutSpace(const std::wstring& sourcePath, const std::wstring& stem, std::int64_t length,
                        std::int32_t pieceSize, std::uint64_t scriptBytes) {
    const std::wstring folder = sourcePath.substr(0, sourcePath.size() - NameOnly(sourcePath).size());
    const auto space = FreeSpaceOf(folder);
    if (space && space->readOnly) {
        throw RunError(ERROR_WRITE_PROTECT, L"Das Laufwerk des Ordners " + Quoted(folder) +
                                                L" ist schreibgeschützt (etwa eine CD oder eine gesperrte "
                                                L"Speicherkarte). Es wurde nichts geschrieben. Bitte kopieren Sie die "
                                                L"Datei auf ein beschreibbares Laufwerk.");
    }
    const std::uint32_t cluster = space ? space->clusterBytes : 0;
    const std::uint64_t replaced = RoomOfOldFiles(folder, stem, PieceCount(length, pieceSize), cluster);
    const std::uint64_t needed = RunOnDisk(length, pieceSize, scriptBytes, cluster);
    if (SpaceIsShort(needed, replaced, space)) {
        throw RunError(ERROR_DISK_FULL, L"Im Ordner " + Quoted(folder) +
                                            L" ist zu wenig Platz frei: Die Teile und die Batch-Datei brauchen " +
                                            ByteSizeText(needed - replaced) + L", frei sind nur " +
                                            ByteSizeText(space->freeBytes) +
                                            L". Es wurde nichts geschrieben. Bitte schaffen Sie auf dem Laufwerk "
                                            L"Platz, oder verschieben Sie die Datei auf ein anderes Laufwerk.");
    }
}

// All or nothing: a batch file cut short by a failed write would join a shortened file, so
// on failure it is emptied again.
void WriteScriptText(const NamedFile& script, const std::string& bytes) {
    try {
        // In parts, since one write takes at most 4 GiB.
        constexpr std::size_t kPart = std::size_t{1} << 30;
        for (std::size_t at = 0; at < bytes.size(); at += kPart) {
            WriteAll(script, bytes.data() + at, static_cast<DWORD>(std::min(kPart, bytes.size() - at)));
        }
    } catch (const RunError&) {
        EmptyFile(script);
        throw;
    }
}

} // namespace

void WritePieceSet(const std::wstring& sourcePath, std::int32_t pieceSize, WindowOperations& window) {
    if (pieceSize <= 0) {
        throw RunError(ERROR_INVALID_PARAMETER, L"Die Dateigröße muss größer als 0 sein.");
    }
    const SystemAwake awake;
    NamedFile source = OpenSourceForReading(sourcePath);
    // Measured open: a link gives the length of its target, and nobody can change the file while it is open.
    const std::int64_t length = FileLength(source);
    if (length < pieceSize) {
        window.ShowMessage(kSourceTooSmallMessage);
        return;
    }
    BusyPointer busy(window);
    const std::wstring stem = StemWithDot(sourcePath);
    const std::int64_t pieceCount = PieceCount(length, pieceSize);
    RefuseToOverwriteSource(sourcePath, stem, pieceCount);
    RefuseTooManyPieces(sourcePath, length, pieceCount);
    const std::string scriptBytes = ScriptBytes(sourcePath, length, pieceSize);
    RefuseTooLongNames(sourcePath, stem, pieceCount);
    RefuseForeignScript(ScriptPath(stem));
    RefuseWithoutSpace(sourcePath, stem, length, pieceSize, scriptBytes.size());

    // The batch file is created now but filled only at the end: a run abandoned by an error
    // leaves it empty, never with a line that joins half the pieces.
    NamedFile script = CreateScriptFile(ScriptPath(stem));

    CopyProgress progress{window, 0, length};
    for (std::int64_t number = 1, offset = 0; offset < length; ++number, offset += pieceSize) {
        const std::wstring piecePath = stem + PieceNumberText(number);
        window.SetProgressText(kProgressPrefix + piecePath);
        window.RepaintNow();
        NamedFile piece = CreatePieceFile(piecePath);
        CopyBytes(std::min<std::int64_t>(length - offset, pieceSize), source, piece, progress);
        CloseWritten(piece);
    }
    source.handle.Reset();

    WriteScriptText(script, scriptBytes);
    CloseWritten(script);

    window.SetProgressText(L" ");
    busy.End();
    window.RepaintNow();
    window.ShowMessage(kSuccessMessage);
}
