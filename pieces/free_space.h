#pragma once
// Whether a run's pieces and batch file fit on the drive of their folder.

#include <cstdint>
#include <optional>
#include <string>

// What Windows says of a folder's drive: the bytes this user may still write there (quotas counted), and whether
// Windows compresses the folder, which may then hold more than that.
struct DriveSpace {
    std::uint64_t freeBytes;
    bool compressed;
};

// Whether a run that writes needed bytes, after deleting old files of replaced bytes, is sure not to fit. Where Windows
// could not say (no space given) or compresses the folder, it is never refused.
inline bool SpaceIsShort(std::uint64_t needed, std::uint64_t replaced, const std::optional<DriveSpace>& space) {
    return space && !space->compressed && needed > replaced && needed - replaced > space->freeBytes;
}

// The free space of the drive that holds folder (a path ending in "\"); nothing where Windows cannot say.
std::optional<DriveSpace> FreeSpaceOf(const std::wstring& folder);

// The bytes of the files a run deletes before it writes: old pieces of its names (1 to pieceCount) and an old batch
// file, found beside stem whatever their case.
std::uint64_t ReplacedBytes(const std::wstring& stem, std::int64_t pieceCount);

// A byte count as Explorer shows it, in the user's language: "1,17 GB".
std::wstring ByteSizeText(std::uint64_t bytes);
