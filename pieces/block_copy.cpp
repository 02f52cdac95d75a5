#include "pieces/block_copy.h"

#include <algorithm>
#include <array>

void CopyBytes(std::int64_t byteCount, const NamedFile& from, const NamedFile& to, CopyProgress& progress) {
    std::array<std::byte, kCopyBlockSize> buffer;
    for (std::int64_t remaining = byteCount; remaining > 0;) {
        const auto block = static_cast<DWORD>(std::min<std::int64_t>(remaining, buffer.size()));
        ReadExactly(from, buffer.data(), block);
        WriteAll(to, buffer.data(), block);
        remaining -= block;
        progress.done += block;
        progress.window.ReportProgress(progress.done, progress.total);
    }
}
