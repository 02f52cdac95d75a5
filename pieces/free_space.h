#pragma once
// Whether a run's pieces and batch file fit on the drive of their folder.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What Windows says of a folder's drive: the bytes this user may still write there (quotas counted), the size of its
// allocation unit (0 where Windows does not say), whether it can be written at all, and whether Windows compresses
// the folder, which may then hold more than that.
struct DriveSpace {
    std::uint64_t freeBytes;
    std::uint32_t clusterBytes;
    bool readOnly;
    bool compressed;
};

// The room a file of bytes takes on a drive: whole allocation units, however little of the last one it fills.
inline std::uint64_t OnDisk(std::uint64_t bytes, std::uint32_t clusterBytes) {
    return clusterBytes ? (bytes + clusterBytes - 1) / clusterBytes * clusterBytes : bytes;
}

// The room the pieces of a source of length bytes (pieceSize > 0 each, the last shorter) and a batch file of
// scriptBytes take on a drive.
inline std::uint64_t RunOnDisk(std::int64_t length, std::int32_t pieceSize, std::uint64_t scriptBytes,
                               std::uint32_t clusterBytes) {
    const auto fullPieces = static_cast<std::uint64_t>(length / pieceSize);
    const auto rest = static_cast<std::uint64_t>(length % pieceSize);
    return fullPieces * OnDisk(static_cast<std::uint64_t>(pieceSize), clusterBytes) + OnDisk(rest, clusterBytes) +
           OnDisk(scriptBytes, clusterBytes);
}

// Whether a run that needs needed bytes on the drive, after deleting old files that take replaced, is sure not to
// fit. Where Windows could not say (no space given) or compresses the folder, it is never refused.
inline bool SpaceIsShort(std::uint64_t needed, std::uint64_t replaced, const std::optional<DriveSpace>& space) {
    return space && !space->compressed && needed > replaced && needed - replaced > space->freeBytes;
}

// The free space of the drive that holds folder (a path ending in "\"); nothing where Windows cannot say.
std::optional<DriveSpace> FreeSpaceOf(const std::wstring& folder);

// A file or folder that lies where a run writes.
struct FoundFile {
    std::wstring name;
    std::uint64_t bytes;
    bool folder;
    bool readOnly;
};

// What lies beside stem under the names a run writes, whatever its case: old pieces of its numbers (1 to pieceCount)
// and an old batch file.
std::vector<FoundFile> FilesInTheWay(const std::wstring& stem, std::int64_t pieceCount);

// A byte count as Explorer shows it, in the user's language: "1,17 GB".
std::wstring ByteSizeText(std::uint64_t bytes);
