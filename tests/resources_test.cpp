#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "window/resource_ids.h"

namespace {

#pragma pack(push, 2)
struct IconDirectoryEntry {
    BYTE width;
    BYTE height;
    BYTE colourCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytes;
    WORD id;
};
struct IconDirectory {
    WORD reserved;
    WORD type;
    WORD count;
    IconDirectoryEntry entries[1];
};
#pragma pack(pop)

std::string Resource(const wchar_t* type, const wchar_t* name) {
    HRSRC found = ::FindResourceW(nullptr, name, type);
    if (!found) {
        return {};
    }
    const auto* data = static_cast<const char*>(::LockResource(::LoadResource(nullptr, found)));
    return std::string(data, ::SizeofResource(nullptr, found));
}

// The program icon holds exactly the three images the window and the shell use.
TEST(Resources, IconHasItsThreeImages) {
    const std::string group = Resource(RT_GROUP_ICON, MAKEINTRESOURCEW(IDI_KAVRO));
    ASSERT_GE(group.size(), 6u);
    const auto& directory = *reinterpret_cast<const IconDirectory*>(group.data());
    ASSERT_EQ(directory.count, 3);
    const struct { int size, colours, bits; } expected[] = {{16, 16, 4}, {32, 2, 1}, {32, 16, 4}};
    for (int i = 0; i < 3; ++i) {
        const IconDirectoryEntry& entry = directory.entries[i];
        EXPECT_EQ(entry.width, expected[i].size) << i;
        EXPECT_EQ(entry.height, expected[i].size) << i;
        EXPECT_EQ(entry.colourCount, expected[i].colours) << i;
        EXPECT_EQ(entry.bitCount, expected[i].bits) << i;
        EXPECT_EQ(Resource(RT_ICON, MAKEINTRESOURCEW(entry.id)).size(), entry.bytes) << i;
    }
}

TEST(Resources, ManifestAndVersion) {
    const std::string manifest = Resource(RT_MANIFEST, MAKEINTRESOURCEW(1));
    for (const char* setting : {"Microsoft.Windows.Common-Controls", "version=\"6.0.0.0\"", "PerMonitorV2", "true/pm",
                                "<longPathAware", ">true</longPathAware>", "level=\"asInvoker\""}) {
        EXPECT_NE(manifest.find(setting), std::string::npos) << setting;
    }
    EXPECT_FALSE(Resource(RT_VERSION, MAKEINTRESOURCEW(VS_VERSION_INFO)).empty());
}

} // namespace
