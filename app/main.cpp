// Kavro: shows the main window and runs the message loop until it is closed.

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include "pieces/system_function.h"
#include "window/form1.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    // Before anything loads a DLL by name (the file dialog loads many): only from Windows' own folder, never from the
    // program's, which may be a downloads folder, nor from the current one. Windows 7 has the call only with update
    // KB2533623; without it, at least the current folder is left out.
    const auto restrictDllSearch = SystemFunction<BOOL(WINAPI*)(DWORD)>(L"kernel32.dll", "SetDefaultDllDirectories");
    if (!restrictDllSearch || !restrictDllSearch(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        ::SetDllDirectoryW(L"");
    }

    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);

    // The taskbar button's progress is a COM object; without COM the program works as before, without it.
    struct ComApartment {
        const bool entered = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
        ~ComApartment() {
            if (entered) {
                ::CoUninitialize();
            }
        }
    } com;
    Form1 form;
    if (!form.Create(instance, show)) {
        return 1;
    }
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        // Tab and Shift+Tab move between the size field and the buttons.
        if (!::IsDialogMessageW(form.Handle(), &message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    return static_cast<int>(message.wParam);
}
