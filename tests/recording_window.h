#pragma once
// A stand-in for the main window that records every window operation in order.

#include <string>
#include <vector>

#include "pieces/pieces.h"

using Names = std::vector<std::wstring>;

class RecordingWindow : public WindowOperations {
public:
    std::vector<std::wstring> calls;

    void ShowMessage(const std::wstring& text) override { calls.push_back(L"ShowMessage " + text); }
    void SetBusy(bool busy) override { calls.push_back(busy ? L"SetBusy on" : L"SetBusy off"); }
    void SetProgressText(const std::wstring& text) override { calls.push_back(L"SetProgressText " + text); }
    void RepaintNow() override { calls.push_back(L"RepaintNow"); }
    void FocusSizeField() override { calls.push_back(L"FocusSizeField"); }
    void ReportProgress(std::int64_t, std::int64_t) override {}
};
