#include "pieces/free_space.h"

#include <windows.h>

#include <shlwapi.h>

#include <iterator>
#include <string_view>

#include "pieces/naming.h"
#include "pieces/system_function.h"
#include "pieces/unique_handle.h"

namespace {

bool SameIgnoringCase(std::wstring_view a, std::wstring_view b) {
    return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

} // namespace

std::optional<DriveSpace> FreeSpaceOf(const std::wstring& folder) {
    ULARGE_INTEGER available{};
    if (!::GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr)) {
        return std::nullopt;
    }
    // The allocation unit and the read-only flag are the volume's, asked of its root (a drive, a share or the folder
    // a volume is mounted in).
    std::wstring root(folder.size() + MAX_PATH, L'\0'); // the volume's path need not be a prefix of the folder's
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0, flags = 0;
    const bool rooted = ::GetVolumePathNameW(folder.c_str(), root.data(), static_cast<DWORD>(root.size()));
    const bool sized =
        rooted && ::GetDiskFreeSpaceW(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters);
    const bool described =
        rooted && ::GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, &flags, nullptr, 0);
    const DWORD attributes = ::GetFileAttributesW(folder.c_str());
    return DriveSpace{available.QuadPart, sized ? sectorsPerCluster * bytesPerSector : 0,
                      described && (flags & FILE_READ_ONLY_VOLUME) != 0,
                      attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_COMPRESSED) != 0};
}

std::vector<FoundFile> FilesInTheWay(const std::wstring& stem, std::int64_t pieceCount) {
    const std::wstring stemName = NameOnly(stem);
    WIN32_FIND_DATAW found{};
    const UniqueFind search(::FindFirstFileW((stem + L'*').c_str(), &found));
    std::vector<FoundFile> files;
    for (bool more = static_cast<bool>(search); more; more = ::FindNextFileW(search.Get(), &found)) {
        const std::wstring_view name = found.cFileName;
        // The pattern also matches by short (8.3) names: only the long name counts.
        if (!SameIgnoringCase(name.substr(0, stemName.size()), stemName)) {
            continue;
        }
        const std::wstring_view suffix = name.substr(stemName.size());
        const auto number = PieceNumberOf(suffix);
        if ((number && *number <= pieceCount) || SameIgnoringCase(suffix, L"bat")) {
            files.push_back({std::wstring(name),
                             (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow,
                             (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                             (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0});
        }
    }
    return files;
}

std::wstring ByteSizeText(std::uint64_t bytes) {
    // The rounding call, which Explorer's figures match, is there from Windows Vista on; Wine has only the older one,
    // which cuts off the last digit.
    static const auto formatRounded =
        SystemFunction<HRESULT(WINAPI*)(ULONGLONG, SFBS_FLAGS, PWSTR, UINT)>(L"shlwapi.dll", "StrFormatByteSizeEx");
    wchar_t text[32] = {};
    const bool formatted =
        formatRounded
            ? SUCCEEDED(formatRounded(bytes, SFBS_FLAGS_ROUND_TO_NEAREST_DISPLAYED_DIGIT, text, std::size(text)))
            : ::StrFormatByteSizeW(static_cast<LONGLONG>(bytes), text, std::size(text)) != nullptr;
    return formatted ? std::wstring(text) : std::to_wstring(bytes) + L" Byte";
}
