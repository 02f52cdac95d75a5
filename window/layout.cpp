#include "window/layout.h"

HFONT CreateFontFor(const FontDesign& design, UINT dpi) {
    LOGFONTW font{};
    font.lfHeight = -::MulDiv(design.centipoints, static_cast<int>(dpi), 7200);
    font.lfWeight = design.bold ? FW_BOLD : FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    wcsncpy_s(font.lfFaceName, design.face, _TRUNCATE);
    return ::CreateFontIndirectW(&font);
}
