#pragma once
// DPI look-ups that use the per-monitor functions where Windows has them (Windows 10 1607
// and later) and fall back to the system DPI elsewhere, so the program starts there too.

#include <windows.h>

// The DPI the window is shown at.
UINT WindowDpi(HWND window);

// GetSystemMetrics at dpi.
int SystemMetricForDpi(int index, UINT dpi);

// The window rectangle that gives the client rectangle in rect, at dpi.
void AdjustFrameForDpi(RECT& rect, DWORD style, DWORD exStyle, UINT dpi);
