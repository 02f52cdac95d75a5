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
    const DWORD attributes = ::GetFileAttributesW(folder.c_str());
    return DriveSpace{available.QuadPart,
                      attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_COMPRESSED) != 0};
}

std::uint64_t ReplacedBytes(const std::wstring& stem, std::int64_t pieceCount) {
    const std::wstring stemName = NameOnly(stem);
    WIN32_FIND_DATAW found{};
    const UniqueFind search(::FindFirstFileW((stem + L'*').c_str(), &found));
    std::uint64_t bytes = 0;
    for (bool more = static_cast<bool>(search); more; more = ::FindNextFileW(search.Get(), &found)) {
        const std::wstring_view name = found.cFileName;
        // The pattern also matches by short (8.3) names: only the long name counts.
        if (!SameIgnoringCase(name.substr(0, stemName.size()), stemName)) {
            continue;
        }
        const std::wstring_view suffix = name.substr(stemName.size());
        const auto number = PieceNumberOf(suffix);
        if ((number && *number <= pieceCount) || SameIgnoringCase(suffix, L"bat")) {
            bytes += (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
        }
    }
    return bytes;
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
