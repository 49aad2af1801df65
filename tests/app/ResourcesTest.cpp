#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "../../app/resource.h"
#include "ResourceReader.h"
#include "TestSupport.h"

// The resources are linked into this test program, so every check reads the
// same compiled menu, accelerators, strings, icons and version as the game
// (the dialogs' templates have their own file); the manifest is read from the
// game itself.

namespace {

// The layouts of stored resources, as the platform documents them
// (ACCELTABLEENTRY, GRPICONDIR and GRPICONDIRENTRY).
#pragma pack(push, 2)
struct StoredAccelerator {
    WORD flags;
    WORD key;
    WORD command;
    WORD padding;
};

struct IconGroupEntry {
    BYTE width;
    BYTE height;
    BYTE colourCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytesInResource;
    WORD imageId;
};

struct IconGroupHead {
    WORD reserved;
    WORD type;
    WORD count;
};
#pragma pack(pop)

// ---------------------------------------------------------------------------
// Menu bar

struct MenuRow {
    const char* text;
    UINT id;
    bool grayed;
};

const char* const popupTexts[] = {"&File", "&Options", "&Help"};

const std::vector<std::vector<MenuRow>> menuRows = {
    {
        {"&New\tCtrl+N", IDM_NEW, false},
        {"&Open\tCtrl+O", IDM_OPEN, false},
        {"Open &Wave File\tCtrl+W", IDM_OPEN_WAVE, false},
        {"&Save\tCtrl+S", IDM_SAVE, false},
        {"Save &As\tCtrl+A", IDM_SAVE_AS, false},
        {"E&xit", IDM_EXIT, false},
    },
    {
        {"&Vector\tCtrl+V", IDM_VECTOR, true},
        {"Two &Player\tCtrl+2", IDM_TWO_PLAYER, false},
        {"&Background Waveform\tCtrl+E", IDM_BACKGROUND_WAVEFORM, false},
        {"&Cheat Mode\tCtrl+Alt+C", IDM_CHEAT_MODE, false},
    },
    {
        {"&About ...", IDM_ABOUT, false},
    },
};

struct LoadedItem {
    std::string text;
    UINT id;
    UINT type;
    UINT state;
    HMENU subMenu;
};

LoadedItem ReadItem(HMENU menu, int position)
{
    char text[128] = "";
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING | MIIM_ID | MIIM_FTYPE | MIIM_STATE | MIIM_SUBMENU;
    info.dwTypeData = text;
    info.cch = sizeof text;
    if (!GetMenuItemInfoA(menu, position, TRUE, &info)) return {"<unreadable>", 0, 0, 0, nullptr};
    return {text, info.wID, info.fType, info.fState, info.hSubMenu};
}

TEST(Resources, MenuBarHasThreePopupsOfTheGivenItemsInOrder)
{
    HMENU menu = LoadMenuA(Module(), MAKEINTRESOURCEA(IDR_MAIN));
    ASSERT_NE(nullptr, menu);
    ASSERT_EQ(3, GetMenuItemCount(menu));
    for (int p = 0; p < 3; ++p) {
        SCOPED_TRACE(popupTexts[p]);
        LoadedItem popup = ReadItem(menu, p);
        EXPECT_EQ(popupTexts[p], popup.text);
        EXPECT_EQ(0u, popup.state & (MFS_GRAYED | MFS_CHECKED));
        ASSERT_NE(nullptr, popup.subMenu);
        const std::vector<MenuRow>& rows = menuRows[p];
        ASSERT_EQ(static_cast<int>(rows.size()), GetMenuItemCount(popup.subMenu));
        for (size_t i = 0; i < rows.size(); ++i) {
            SCOPED_TRACE(rows[i].text);
            LoadedItem item = ReadItem(popup.subMenu, static_cast<int>(i));
            EXPECT_EQ(rows[i].text, item.text);
            EXPECT_EQ(rows[i].id, item.id);
            EXPECT_EQ(nullptr, item.subMenu);
            EXPECT_EQ(0u, item.type & (MFT_SEPARATOR | MFT_BITMAP | MFT_OWNERDRAW));
            EXPECT_EQ(0u, item.state & MFS_CHECKED);
            UINT state = GetMenuState(menu, rows[i].id, MF_BYCOMMAND);
            if (rows[i].grayed) {
                EXPECT_EQ(UINT(MF_GRAYED), state & (MF_GRAYED | MF_DISABLED));
            } else {
                EXPECT_EQ(0u, state & (MF_GRAYED | MF_DISABLED));
            }
            EXPECT_EQ(0u, state & MF_CHECKED);
        }
    }
    DestroyMenu(menu);
}

// ---------------------------------------------------------------------------
// Accelerator table

struct AcceleratorRow {
    BYTE flags;
    WORD key;
    WORD command;
};

const AcceleratorRow acceleratorRows[] = {
    {FVIRTKEY | FCONTROL | FNOINVERT, 'N', IDM_NEW},
    {FVIRTKEY | FCONTROL | FNOINVERT, 'O', IDM_OPEN},
    {FVIRTKEY | FCONTROL | FNOINVERT, 'W', IDM_OPEN_WAVE},
    {FVIRTKEY | FCONTROL | FNOINVERT, 'S', IDM_SAVE},
    {FVIRTKEY | FCONTROL | FNOINVERT, 'A', IDM_SAVE_AS},
    {FVIRTKEY | FCONTROL | FALT | FNOINVERT, 'C', IDM_CHEAT_MODE},
    {FVIRTKEY | FCONTROL | FNOINVERT, '2', IDM_TWO_PLAYER},
    {FVIRTKEY | FCONTROL | FNOINVERT, 'V', IDM_VECTOR},
    {FALT | FNOINVERT, '/', IDM_ABOUT},
    {FALT | FNOINVERT, '?', IDM_ABOUT},
    {FVIRTKEY | FCONTROL | FNOINVERT, 'X', IDM_EXIT},
    {FVIRTKEY | FCONTROL | FNOINVERT, 'E', IDM_BACKGROUND_WAVEFORM},
};
const int acceleratorCount = sizeof acceleratorRows / sizeof acceleratorRows[0];

TEST(Resources, LoadedAcceleratorTableHasTwelveEntriesInOrder)
{
    HACCEL table = LoadAcceleratorsA(Module(), MAKEINTRESOURCEA(IDR_MAIN));
    ASSERT_NE(nullptr, table);
    ASSERT_EQ(acceleratorCount, CopyAcceleratorTableA(table, nullptr, 0));
    ACCEL entries[acceleratorCount] = {};
    ASSERT_EQ(acceleratorCount, CopyAcceleratorTableA(table, entries, acceleratorCount));
    for (int i = 0; i < acceleratorCount; ++i) {
        SCOPED_TRACE("entry " + std::to_string(i + 1));
        EXPECT_EQ(acceleratorRows[i].flags, entries[i].fVirt);
        EXPECT_EQ(acceleratorRows[i].key, entries[i].key);
        EXPECT_EQ(acceleratorRows[i].command, entries[i].cmd);
    }
    DestroyAcceleratorTable(table);
}

// The compiled table as stored: one entry of eight bytes a row, with the end
// bit 0x80 on the last entry's flags only.
TEST(Resources, StoredAcceleratorTableCarriesNoInvertOnEveryEntry)
{
    Resource table = FindOwnResource(RT_ACCELERATOR, IDR_MAIN);
    ASSERT_EQ(sizeof(StoredAccelerator) * acceleratorCount, table.size);
    const StoredAccelerator* entries = reinterpret_cast<const StoredAccelerator*>(table.data);
    for (int i = 0; i < acceleratorCount; ++i) {
        SCOPED_TRACE("entry " + std::to_string(i + 1));
        WORD endBit = i == acceleratorCount - 1 ? 0x80 : 0;
        EXPECT_EQ(acceleratorRows[i].flags | endBit, entries[i].flags);
        EXPECT_EQ(FNOINVERT, entries[i].flags & FNOINVERT);
        EXPECT_EQ(acceleratorRows[i].key, entries[i].key);
        EXPECT_EQ(acceleratorRows[i].command, entries[i].command);
    }
}

// ---------------------------------------------------------------------------
// Strings, icons, version

TEST(Resources, StringTableHoldsTitleAndClassName)
{
    char text[100] = "";
    EXPECT_EQ(7, LoadStringA(Module(), IDS_APP_TITLE, text, sizeof text));
    EXPECT_STREQ("Brellix", text);
    EXPECT_EQ(7, LoadStringA(Module(), IDS_WINDOW_CLASS, text, sizeof text));
    EXPECT_STREQ("BRELLIX", text);
}

struct IconEntry {
    int width;
    int height;
    int bitCount;
    bool operator==(const IconEntry& other) const
    {
        return width == other.width && height == other.height && bitCount == other.bitCount;
    }
};

void PrintTo(const IconEntry& entry, std::ostream* out)
{
    *out << entry.width << "x" << entry.height << "@" << entry.bitCount;
}

class IconGroups : public testing::TestWithParam<int> {};

TEST_P(IconGroups, HoldEightImagesAndLoadAtEachSize)
{
    Resource group = FindOwnResource(RT_GROUP_ICON, GetParam());
    ASSERT_GE(group.size, sizeof(IconGroupHead));
    const IconGroupHead* head = reinterpret_cast<const IconGroupHead*>(group.data);
    EXPECT_EQ(0, head->reserved);
    EXPECT_EQ(1, head->type);  // icons, not cursors
    ASSERT_LE(sizeof(IconGroupHead) + head->count * sizeof(IconGroupEntry), group.size);
    const IconGroupEntry* stored = reinterpret_cast<const IconGroupEntry*>(head + 1);
    std::vector<IconEntry> entries;
    for (int i = 0; i < head->count; ++i) {
        EXPECT_NE(nullptr, FindOwnResource(RT_ICON, stored[i].imageId).data) << "image " << stored[i].imageId;
        entries.push_back({stored[i].width, stored[i].height, stored[i].bitCount});
    }
    const std::vector<IconEntry> expected = {
        {32, 32, 4}, {16, 16, 4}, {48, 48, 8}, {32, 32, 8}, {16, 16, 8}, {48, 48, 32}, {32, 32, 32}, {16, 16, 32},
    };
    EXPECT_EQ(expected, entries);

    for (int size : {16, 32, 48}) {
        SCOPED_TRACE("size " + std::to_string(size));
        HICON icon = static_cast<HICON>(
            LoadImageA(Module(), MAKEINTRESOURCEA(GetParam()), IMAGE_ICON, size, size, 0));
        ASSERT_NE(nullptr, icon);
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP colour = {};
        GetObjectA(info.hbmColor, sizeof colour, &colour);
        EXPECT_EQ(size, colour.bmWidth);
        EXPECT_EQ(size, colour.bmHeight);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
}

INSTANTIATE_TEST_SUITE_P(Resources, IconGroups, testing::Values(IDI_APP_ICON, IDI_SMALL_ICON));

// A text of the version resource's English string table, read by the platform.
std::string VersionText(const std::vector<BYTE>& info, const char* name)
{
    void* value = nullptr;
    UINT length = 0;
    std::string path = std::string("\\StringFileInfo\\040904b0\\") + name;
    if (!VerQueryValueA(info.data(), path.c_str(), &value, &length) || value == nullptr) return "<missing>";
    return static_cast<const char*>(value);
}

TEST(Resources, VersionNamesBrellixOneZero)
{
    // The stored block starts with its length, value length and type, then its key.
    Resource stored = FindOwnResource(RT_VERSION, VS_VERSION_INFO);
    ASSERT_GE(stored.size, 6 + sizeof L"VS_VERSION_INFO");
    EXPECT_EQ("VS_VERSION_INFO", Narrow(reinterpret_cast<const wchar_t*>(stored.data + 6)));

    char path[MAX_PATH] = "";
    GetModuleFileNameA(Module(), path, sizeof path);
    DWORD size = GetFileVersionInfoSizeA(path, nullptr);
    ASSERT_NE(0u, size);
    std::vector<BYTE> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, info.data()));
    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", &value, &length));
    ASSERT_EQ(sizeof(VS_FIXEDFILEINFO), length);
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, value, sizeof fixed);
    EXPECT_EQ(0xFEEF04BDu, fixed.dwSignature);
    EXPECT_EQ(0x00010000u, fixed.dwFileVersionMS);
    EXPECT_EQ(0u, fixed.dwFileVersionLS);
    EXPECT_EQ(0x00010000u, fixed.dwProductVersionMS);
    EXPECT_EQ(0u, fixed.dwProductVersionLS);
    EXPECT_EQ(DWORD(VFT_APP), fixed.dwFileType);

    EXPECT_EQ("Brellix", VersionText(info, "ProductName"));
    EXPECT_EQ("1.0", VersionText(info, "ProductVersion"));
    EXPECT_EQ("1.0", VersionText(info, "FileVersion"));
    EXPECT_EQ("Brellix.exe", VersionText(info, "OriginalFilename"));
}

}  // namespace

// The game itself carries its manifest: it runs as the invoking user (so a save
// under Program Files is not silently redirected), names Windows 7 to 11, and
// leaves DPI awareness to the system's scaling.
TEST(Manifest, GameCarriesItsApplicationManifest)
{
    HMODULE exe = LoadLibraryExA("Brellix.exe", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, exe) << "Brellix.exe in the working folder";
    HRSRC found = FindResourceA(exe, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));  // RT_MANIFEST
    std::string manifest;
    if (found != nullptr) {
        const char* bytes = static_cast<const char*>(LockResource(LoadResource(exe, found)));
        manifest.assign(bytes, SizeofResource(exe, found));
    }
    FreeLibrary(exe);
    ASSERT_FALSE(manifest.empty());
    EXPECT_NE(std::string::npos, manifest.find("<requestedExecutionLevel level=\"asInvoker\""));
    for (const char* windows : {"35138b9a-5d96-4fbd-8e2d-a2440225f93a",    // 7
                                "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38",    // 8
                                "1f676c76-80e1-4239-95bb-83d0f6d0da78",    // 8.1
                                "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"}) {  // 10 and 11
        EXPECT_NE(std::string::npos, manifest.find(std::string("<supportedOS Id=\"{") + windows + "}\"/>"))
            << windows;
    }
    EXPECT_EQ(std::string::npos, manifest.find("dpiAware"));  // also dpiAwareness
}
