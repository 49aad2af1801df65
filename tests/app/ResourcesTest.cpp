#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "../../app/resource.h"

// The resources are linked into this test program, so every check reads the
// same compiled menu, accelerators, strings, icons and dialogs as the game.

namespace {

HINSTANCE Module()
{
    return GetModuleHandleA(nullptr);
}

// The raw bytes of one resource of this program, empty when it is missing.
std::vector<BYTE> ResourceBytes(LPCSTR type, int id)
{
    HRSRC found = FindResourceA(Module(), MAKEINTRESOURCEA(id), type);
    if (found == nullptr) return {};
    HGLOBAL loaded = LoadResource(Module(), found);
    const BYTE* data = static_cast<const BYTE*>(LockResource(loaded));
    if (data == nullptr) return {};
    return std::vector<BYTE>(data, data + SizeofResource(Module(), found));
}

std::string Narrow(const std::wstring& text)
{
    if (text.empty()) return "";
    int size = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(size, '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, &narrow[0], size, nullptr, nullptr);
    narrow.resize(size - 1);
    return narrow;
}

// Reads little-endian fields of a resource without relying on structure packing.
class ByteReader {
public:
    explicit ByteReader(const std::vector<BYTE>& bytes) : bytes(bytes) {}

    size_t Offset() const { return offset; }
    bool Overran() const { return overran; }
    void AlignTo4() { offset = (offset + 3) & ~size_t(3); }

    BYTE Byte()
    {
        if (offset + 1 > bytes.size()) return Overrun();
        return bytes[offset++];
    }
    WORD Word()
    {
        if (offset + 2 > bytes.size()) return Overrun();
        WORD value = static_cast<WORD>(bytes[offset] | (bytes[offset + 1] << 8));
        offset += 2;
        return value;
    }
    DWORD Dword()
    {
        DWORD low = Word();
        DWORD high = Word();
        return low | (high << 16);
    }
    short Short() { return static_cast<short>(Word()); }

    std::wstring WideString()
    {
        std::wstring text;
        for (WORD c = Word(); c != 0 && !overran; c = Word()) text += static_cast<wchar_t>(c);
        return text;
    }

    // A name-or-number field of a dialog template: empty, "#n" for a number,
    // or the text itself.
    std::string NameOrNumber()
    {
        WORD first = Word();
        if (first == 0) return "";
        if (first == 0xFFFF) return "#" + std::to_string(Word());
        offset -= 2;
        return Narrow(WideString());
    }

private:
    BYTE Overrun()
    {
        overran = true;
        offset = bytes.size();
        return 0;
    }

    const std::vector<BYTE>& bytes;
    size_t offset = 0;
    bool overran = false;
};

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

// The compiled table as stored: eight bytes an entry (flags, key, command,
// padding), with the end bit 0x80 on the last entry's flags only.
TEST(Resources, StoredAcceleratorTableCarriesNoInvertOnEveryEntry)
{
    std::vector<BYTE> bytes = ResourceBytes(RT_ACCELERATOR, IDR_MAIN);
    ASSERT_EQ(size_t(8 * acceleratorCount), bytes.size());
    ByteReader reader(bytes);
    for (int i = 0; i < acceleratorCount; ++i) {
        SCOPED_TRACE("entry " + std::to_string(i + 1));
        WORD flags = reader.Word();
        WORD key = reader.Word();
        WORD command = reader.Word();
        reader.Word();
        WORD endBit = i == acceleratorCount - 1 ? 0x80 : 0;
        EXPECT_EQ(acceleratorRows[i].flags | endBit, flags);
        EXPECT_EQ(FNOINVERT, flags & FNOINVERT);
        EXPECT_EQ(acceleratorRows[i].key, key);
        EXPECT_EQ(acceleratorRows[i].command, command);
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
    std::vector<BYTE> bytes = ResourceBytes(RT_GROUP_ICON, GetParam());
    ASSERT_FALSE(bytes.empty());
    ByteReader reader(bytes);
    EXPECT_EQ(0, reader.Word());
    EXPECT_EQ(1, reader.Word());  // icons, not cursors
    int count = reader.Word();
    std::vector<IconEntry> entries;
    for (int i = 0; i < count; ++i) {
        int width = reader.Byte();
        int height = reader.Byte();
        reader.Byte();
        reader.Byte();
        reader.Word();
        int bitCount = reader.Word();
        reader.Dword();
        WORD imageId = reader.Word();
        EXPECT_FALSE(ResourceBytes(RT_ICON, imageId).empty()) << "image " << imageId;
        entries.push_back({width, height, bitCount});
    }
    ASSERT_FALSE(reader.Overran());
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

// One block of a version resource: key, value and the blocks inside it.
struct VersionBlock {
    std::string key;
    size_t valueOffset;
    size_t valueBytes;
    bool isText;
    std::vector<VersionBlock> children;
};

VersionBlock ReadVersionBlock(const std::vector<BYTE>& bytes, ByteReader& reader)
{
    reader.AlignTo4();
    size_t start = reader.Offset();
    WORD length = reader.Word();
    WORD valueLength = reader.Word();
    WORD type = reader.Word();
    VersionBlock block = {Narrow(reader.WideString()), 0, 0, type == 1, {}};
    reader.AlignTo4();
    block.valueOffset = reader.Offset();
    block.valueBytes = type == 1 ? valueLength * 2u : valueLength;
    for (size_t i = 0; i < block.valueBytes && !reader.Overran(); ++i) reader.Byte();
    size_t end = std::min(start + length, bytes.size());
    for (;;) {
        reader.AlignTo4();
        if (reader.Offset() >= end || reader.Overran() || length == 0) break;
        block.children.push_back(ReadVersionBlock(bytes, reader));
    }
    return block;
}

const VersionBlock* Child(const VersionBlock& block, const std::string& key)
{
    for (const VersionBlock& child : block.children)
        if (child.key == key) return &child;
    return nullptr;
}

std::string VersionText(const std::vector<BYTE>& bytes, const VersionBlock* block)
{
    if (block == nullptr) return "<missing>";
    std::wstring text;
    for (size_t at = block->valueOffset; at + 1 < bytes.size(); at += 2) {
        wchar_t c = static_cast<wchar_t>(bytes[at] | (bytes[at + 1] << 8));
        if (c == 0) break;
        text += c;
    }
    return Narrow(text);
}

TEST(Resources, VersionNamesBrellixOneZero)
{
    std::vector<BYTE> bytes = ResourceBytes(RT_VERSION, VS_VERSION_INFO);
    ASSERT_FALSE(bytes.empty());
    ByteReader reader(bytes);
    VersionBlock root = ReadVersionBlock(bytes, reader);
    ASSERT_FALSE(reader.Overran());
    EXPECT_EQ("VS_VERSION_INFO", root.key);

    ASSERT_EQ(sizeof(VS_FIXEDFILEINFO), root.valueBytes);
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, &bytes[root.valueOffset], sizeof fixed);
    EXPECT_EQ(0xFEEF04BDu, fixed.dwSignature);
    EXPECT_EQ(0x00010000u, fixed.dwFileVersionMS);
    EXPECT_EQ(0u, fixed.dwFileVersionLS);
    EXPECT_EQ(0x00010000u, fixed.dwProductVersionMS);
    EXPECT_EQ(0u, fixed.dwProductVersionLS);
    EXPECT_EQ(DWORD(VFT_APP), fixed.dwFileType);

    const VersionBlock* strings = Child(root, "StringFileInfo");
    ASSERT_NE(nullptr, strings);
    const VersionBlock* english = Child(*strings, "040904b0");
    ASSERT_NE(nullptr, english);
    EXPECT_EQ("Brellix", VersionText(bytes, Child(*english, "ProductName")));
    EXPECT_EQ("1.0", VersionText(bytes, Child(*english, "ProductVersion")));
    EXPECT_EQ("1.0", VersionText(bytes, Child(*english, "FileVersion")));
    EXPECT_EQ("Brellix.exe", VersionText(bytes, Child(*english, "OriginalFilename")));
}

// ---------------------------------------------------------------------------
// Dialog templates, read byte by byte from the compiled resource

struct ControlTemplate {
    std::string className;  // "#128" button, "#129" edit, "#130" static
    DWORD id;
    std::string text;       // "#n" for a resource number
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy;
};

struct DialogTemplate {
    bool extended;
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy;
    std::string menu;
    std::string className;
    std::string title;
    int pointSize;
    int weight;
    int italic;
    int charSet;
    std::string font;
    std::vector<ControlTemplate> controls;
    bool overran;
};

DialogTemplate ReadDialogTemplate(int id)
{
    std::vector<BYTE> bytes = ResourceBytes(RT_DIALOG, id);
    DialogTemplate dialog = {};
    ByteReader reader(bytes);
    WORD version = reader.Word();
    WORD signature = reader.Word();
    dialog.extended = version == 1 && signature == 0xFFFF;
    if (dialog.extended) {
        reader.Dword();  // help id
        dialog.exStyle = reader.Dword();
        dialog.style = reader.Dword();
    } else {
        dialog.style = version | (static_cast<DWORD>(signature) << 16);
        dialog.exStyle = reader.Dword();
    }
    int count = reader.Word();
    dialog.x = reader.Short();
    dialog.y = reader.Short();
    dialog.cx = reader.Short();
    dialog.cy = reader.Short();
    dialog.menu = reader.NameOrNumber();
    dialog.className = reader.NameOrNumber();
    dialog.title = Narrow(reader.WideString());
    if (dialog.style & DS_SETFONT) {
        dialog.pointSize = reader.Word();
        if (dialog.extended) {
            dialog.weight = reader.Word();
            dialog.italic = reader.Byte();
            dialog.charSet = reader.Byte();
        }
        dialog.font = Narrow(reader.WideString());
    }
    for (int i = 0; i < count && !reader.Overran(); ++i) {
        reader.AlignTo4();
        ControlTemplate control = {};
        if (dialog.extended) {
            reader.Dword();  // help id
            control.exStyle = reader.Dword();
            control.style = reader.Dword();
        } else {
            control.style = reader.Dword();
            control.exStyle = reader.Dword();
        }
        control.x = reader.Short();
        control.y = reader.Short();
        control.cx = reader.Short();
        control.cy = reader.Short();
        control.id = dialog.extended ? reader.Dword() : reader.Word();
        control.className = reader.NameOrNumber();
        control.text = reader.NameOrNumber();
        WORD extra = reader.Word();
        for (WORD b = 0; b < extra; ++b) reader.Byte();
        dialog.controls.push_back(control);
    }
    dialog.overran = reader.Overran();
    return dialog;
}

const char buttonClass[] = "#128";
const char editClass[] = "#129";
const char staticClass[] = "#130";

const DWORD controlBase = WS_CHILD | WS_VISIBLE;
const DWORD defaultButton = controlBase | BS_DEFPUSHBUTTON | WS_TABSTOP;
const DWORD pushButton = controlBase | BS_PUSHBUTTON | WS_TABSTOP;
const DWORD groupLabel = controlBase | SS_LEFT | WS_GROUP;
const DWORD numberBox = controlBase | ES_LEFT | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
const DWORD noId16 = 0xFFFF;          // IDC_STATIC in a classic template
const DWORD noId32 = 0xFFFFFFFF;      // IDC_STATIC in an extended template
const DWORD shellFont = DS_SETFONT | DS_FIXEDSYS;

struct DialogRow {
    const char* name;
    int id;
    DialogTemplate expected;
};

// Expected layouts, control by control; the About box's notice line is
// checked for being there, not for its wording.
const DialogRow dialogRows[] = {
    {"About", IDD_ABOUTBOX,
     {false, DS_MODALFRAME | WS_CAPTION | WS_SYSMENU | DS_SETFONT, 0, 22, 17, 230, 75, "", "", "About",
      8, 0, 0, 0, "System",
      {
          {staticClass, 2, "#107", controlBase | SS_ICON, 0, 14, 9, 16, 16},
          {staticClass, noId16, "Brellix Version 1.0", groupLabel | SS_NOPREFIX, 0, 49, 10, 119, 8},
          {staticClass, noId16, "*", groupLabel, 0, 49, 20, 119, 8},
          {buttonClass, IDOK, "OK", defaultButton | WS_GROUP, 0, 195, 6, 30, 11},
      },
      false}},
    {"BackgroundEditor", IDD_BACKGROUND_EDITOR,
     {true, shellFont | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 0, 186, 94, "", "",
      "Background Editor", 8, FW_NORMAL, 0, DEFAULT_CHARSET, "MS Shell Dlg",
      {
          {buttonClass, IDOK, "OK", defaultButton, 0, 7, 73, 50, 14},
          {buttonClass, IDCANCEL, "Cancel", pushButton, 0, 129, 73, 50, 14},
          {staticClass, noId32, "Wavelength", groupLabel, 0, 17, 18, 42, 8},
          {staticClass, noId32, "Frequency", groupLabel, 0, 17, 35, 42, 8},
          {staticClass, noId32, "Amplitude", groupLabel, 0, 17, 52, 42, 8},
          {editClass, IDC_WAVELENGTH, "", numberBox, 0, 68, 16, 70, 12},
          {editClass, IDC_FREQUENCY, "", numberBox, 0, 68, 33, 70, 12},
          {editClass, IDC_AMPLITUDE, "", numberBox, 0, 68, 50, 70, 12},
      },
      false}},
    {"VectorEdit", IDD_VECTOR_EDIT,
     {true, shellFont | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 0, 186, 94, "", "",
      "Vector Edit", 8, FW_NORMAL, 0, DEFAULT_CHARSET, "MS Shell Dlg",
      {
          {buttonClass, IDOK, "OK", defaultButton, 0, 7, 73, 50, 14},
          {buttonClass, IDCANCEL, "Cancel", pushButton, 0, 129, 73, 50, 14},
          {staticClass, noId32, "X Vector", groupLabel, 0, 21, 30, 28, 8},
          {staticClass, noId32, "Y Vector", groupLabel, 0, 21, 51, 28, 8},
          {editClass, IDC_X_VECTOR, "", numberBox, 0, 58, 28, 55, 13},
          {editClass, IDC_Y_VECTOR, "", numberBox, 0, 58, 49, 55, 13},
      },
      false}},
};

std::string ClassOf(const std::string& templateClass)
{
    if (templateClass == buttonClass) return "Button";
    if (templateClass == editClass) return "Edit";
    if (templateClass == staticClass) return "Static";
    return templateClass;
}

void PrintTo(const DialogRow& row, std::ostream* out)
{
    *out << row.name;
}

class DialogTemplates : public testing::TestWithParam<DialogRow> {};

TEST_P(DialogTemplates, StoredTemplateMatchesLayout)
{
    const DialogTemplate& expected = GetParam().expected;
    DialogTemplate actual = ReadDialogTemplate(GetParam().id);
    ASSERT_FALSE(actual.overran);
    EXPECT_EQ(expected.extended, actual.extended);
    EXPECT_EQ(expected.style, actual.style) << std::hex << "style 0x" << actual.style;
    EXPECT_EQ(expected.exStyle, actual.exStyle);
    EXPECT_EQ(expected.x, actual.x);
    EXPECT_EQ(expected.y, actual.y);
    EXPECT_EQ(expected.cx, actual.cx);
    EXPECT_EQ(expected.cy, actual.cy);
    EXPECT_EQ(expected.menu, actual.menu);
    EXPECT_EQ(expected.className, actual.className);
    EXPECT_EQ(expected.title, actual.title);
    EXPECT_EQ(expected.pointSize, actual.pointSize);
    EXPECT_EQ(expected.weight, actual.weight);
    EXPECT_EQ(expected.italic, actual.italic);
    EXPECT_EQ(expected.charSet, actual.charSet);
    EXPECT_EQ(expected.font, actual.font);
    ASSERT_EQ(expected.controls.size(), actual.controls.size());
    for (size_t i = 0; i < expected.controls.size(); ++i) {
        const ControlTemplate& want = expected.controls[i];
        const ControlTemplate& got = actual.controls[i];
        SCOPED_TRACE("control " + std::to_string(i + 1) + " " + want.text);
        // A predefined class is stored by number or by name.
        bool sameClass = want.className == got.className ||
                         lstrcmpiA(ClassOf(want.className).c_str(), got.className.c_str()) == 0;
        EXPECT_TRUE(sameClass) << got.className;
        EXPECT_EQ(want.id, got.id);
        if (want.text == std::string("*")) {
            EXPECT_FALSE(got.text.empty());
        } else {
            EXPECT_EQ(want.text, got.text);
        }
        EXPECT_EQ(want.style, got.style) << std::hex << "style 0x" << got.style;
        EXPECT_EQ(want.exStyle, got.exStyle);
        EXPECT_EQ(want.x, got.x);
        EXPECT_EQ(want.y, got.y);
        EXPECT_EQ(want.cx, got.cx);
        EXPECT_EQ(want.cy, got.cy);
    }
}

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

// The dialog the platform builds from the template: its controls come in
// template order with the template's classes, identifiers, texts and places.
TEST_P(DialogTemplates, CreatedDialogShowsEveryControlInPlace)
{
    const DialogTemplate& expected = GetParam().expected;
    HWND dialog = CreateDialogParamA(Module(), MAKEINTRESOURCEA(GetParam().id), nullptr, PlainDialogProc, 0);
    ASSERT_NE(nullptr, dialog);
    char text[256] = "";
    GetWindowTextA(dialog, text, sizeof text);
    EXPECT_EQ(expected.title, text);

    HWND control = GetWindow(dialog, GW_CHILD);
    for (const ControlTemplate& want : expected.controls) {
        SCOPED_TRACE(want.text);
        ASSERT_NE(nullptr, control);
        char className[64] = "";
        GetClassNameA(control, className, sizeof className);
        EXPECT_STRCASEEQ(ClassOf(want.className).c_str(), className);
        EXPECT_EQ(want.id, static_cast<DWORD>(GetWindowLongPtrA(control, GWLP_ID)));
        GetWindowTextA(control, text, sizeof text);
        if (want.className == staticClass && want.text[0] != '#' && want.text != std::string("*")) {
            EXPECT_EQ(want.text, text);
        } else if (want.className == buttonClass) {
            EXPECT_EQ(want.text, text);
        }
        DWORD style = static_cast<DWORD>(GetWindowLongPtrA(control, GWL_STYLE));
        const DWORD kept = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP | 0xFF;
        EXPECT_EQ(want.style & kept, style & kept) << std::hex << "style 0x" << style;

        RECT placed;
        GetWindowRect(control, &placed);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&placed), 2);
        // Each of the four numbers is converted on its own, as the dialog
        // manager does: the right edge is x plus the converted width.
        RECT units = {want.x, want.y, want.cx, want.cy};
        MapDialogRect(dialog, &units);
        EXPECT_EQ(units.left, placed.left);
        EXPECT_EQ(units.top, placed.top);
        if (want.className == staticClass && (want.style & SS_TYPEMASK) == SS_ICON) {
            // A static icon takes the size of its icon.
            EXPECT_NE(nullptr, reinterpret_cast<HICON>(SendMessageA(control, STM_GETICON, 0, 0)));
        } else {
            EXPECT_EQ(units.right, placed.right - placed.left);
            EXPECT_EQ(units.bottom, placed.bottom - placed.top);
        }
        control = GetWindow(control, GW_HWNDNEXT);
    }
    EXPECT_EQ(nullptr, control) << "more controls than the template holds";
    DestroyWindow(dialog);
}

INSTANTIATE_TEST_SUITE_P(Resources, DialogTemplates, testing::ValuesIn(dialogRows),
                         [](const testing::TestParamInfo<DialogRow>& row) { return std::string(row.param.name); });

}  // namespace
