#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

// A failure that ends the current action: a number (a Windows error code where one exists)
// and a German description for the user.
class RunError : public std::runtime_error {
public:
    RunError(std::uint32_t number, std::wstring description)
        : std::runtime_error("Kavro run error"), number_(number), description_(std::move(description)) {}

    std::uint32_t Number() const { return number_; }
    const std::wstring& Description() const { return description_; }

private:
    std::uint32_t number_;
    std::wstring description_;
};

// How an error is shown to the user: its number, then its description.
inline std::wstring ErrorMessageText(const RunError& error) {
    return L"Fehler " + std::to_wstring(error.Number()) + L": " + error.Description();
}
