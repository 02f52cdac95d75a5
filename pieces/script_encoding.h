#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The text in the console's OEM code page, in which the command interpreter reads batch
// files; nothing when a character has no exact counterpart there.
std::optional<std::string> EncodeForScript(std::wstring_view text);

// The code page EncodeForScript writes in: the console's OEM code page of this machine.
std::uint32_t ScriptCodePage();
