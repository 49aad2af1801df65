#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "../../app/resource.h"
#include "TestSupport.h"

// The resources are linked into this test program, so every check reads the
// same compiled menu, accelerators, strings, icons and dialogs as the game.

namespace {

// One resource of this program as the platform finds and loads it: its first
// byte and its size; nullptr and 0 when it is missing.
struct Resource {
    const BYTE* data;
    DWORD size;
};

Resource FindOwnResource(LPCSTR type, int id)
{
    HRSRC found = FindResourceA(Module(), MAKEINTRESOURCEA(id), type);
    if (found == nullptr) return {nullptr, 0};
    const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(Module(), found)));
    if (data == nullptr) return {nullptr, 0};
    return {data, SizeofResource(Module(), found)};
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

// The layouts of stored resources, as the platform documents them
// (ACCELTABLEENTRY, GRPICONDIR and GRPICONDIRENTRY, DLGTEMPLATEEX and
// DLGITEMTEMPLATEEX; the classic dialog heads are windows.h's DLGTEMPLATE and
// DLGITEMTEMPLATE).
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

struct DialogHeadEx {
    WORD version;
    WORD signature;
    DWORD helpId;
    DWORD exStyle;
    DWORD style;
    WORD itemCount;
    short x, y, cx, cy;
};

struct DialogItemHeadEx {
    DWORD helpId;
    DWORD exStyle;
    DWORD style;
    short x, y, cx, cy;
    DWORD id;
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

// ---------------------------------------------------------------------------
// Dialog templates, read from the compiled resource by their documented layout

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

// Walks the variable parts of a dialog template: texts, name-or-number fields
// and the alignment of each item head. Notes when it would read past the end.
class TemplateCursor {
public:
    explicit TemplateCursor(const Resource& resource) : start(resource.data), end(resource.data + resource.size) {}

    bool Overran() const { return overran; }

    // The fixed head of a part, as stored; nullptr past the end.
    template <typename Head>
    const Head* Take()
    {
        if (end - at < static_cast<ptrdiff_t>(sizeof(Head))) {
            overran = true;
            at = end;
            return nullptr;
        }
        const Head* head = reinterpret_cast<const Head*>(at);
        at += sizeof(Head);
        return head;
    }

    WORD Word()
    {
        const WORD* word = Take<WORD>();
        return word != nullptr ? *word : 0;
    }

    std::string Text()
    {
        std::wstring text;
        for (WORD c = Word(); c != 0 && !overran; c = Word()) text += static_cast<wchar_t>(c);
        return Narrow(text);
    }

    // A name-or-number field: empty, "#n" for a number, or the text itself.
    std::string NameOrNumber()
    {
        WORD first = Word();
        if (first == 0) return "";
        if (first == 0xFFFF) return "#" + std::to_string(Word());
        at -= sizeof(WORD);
        return Text();
    }

    // Item heads start on a 4-byte boundary of the template.
    void AlignTo4() { at = start + ((at - start + 3) & ~ptrdiff_t(3)); }

private:
    const BYTE* start;
    const BYTE* end;
    const BYTE* at = start;
    bool overran = false;
};

DialogTemplate ReadDialogTemplate(int id)
{
    Resource resource = FindOwnResource(RT_DIALOG, id);
    TemplateCursor cursor(resource);
    DialogTemplate dialog = {};
    dialog.overran = true;
    // An extended template starts with version 1 and the signature 0xFFFF.
    if (resource.size < 4) return dialog;
    const WORD* first = reinterpret_cast<const WORD*>(resource.data);
    dialog.extended = first[0] == 1 && first[1] == 0xFFFF;
    int count = 0;
    if (dialog.extended) {
        const DialogHeadEx* head = cursor.Take<DialogHeadEx>();
        if (head == nullptr) return dialog;
        dialog.style = head->style;
        dialog.exStyle = head->exStyle;
        count = head->itemCount;
        dialog.x = head->x, dialog.y = head->y, dialog.cx = head->cx, dialog.cy = head->cy;
    } else {
        const DLGTEMPLATE* head = cursor.Take<DLGTEMPLATE>();
        if (head == nullptr) return dialog;
        dialog.style = head->style;
        dialog.exStyle = head->dwExtendedStyle;
        count = head->cdit;
        dialog.x = head->x, dialog.y = head->y, dialog.cx = head->cx, dialog.cy = head->cy;
    }
    dialog.menu = cursor.NameOrNumber();
    dialog.className = cursor.NameOrNumber();
    dialog.title = cursor.Text();
    if (dialog.style & DS_SETFONT) {
        dialog.pointSize = cursor.Word();
        if (dialog.extended) {
            dialog.weight = cursor.Word();
            WORD italicAndCharSet = cursor.Word();
            dialog.italic = LOBYTE(italicAndCharSet);
            dialog.charSet = HIBYTE(italicAndCharSet);
        }
        dialog.font = cursor.Text();
    }
    for (int i = 0; i < count && !cursor.Overran(); ++i) {
        cursor.AlignTo4();
        ControlTemplate control = {};
        if (dialog.extended) {
            const DialogItemHeadEx* item = cursor.Take<DialogItemHeadEx>();
            if (item == nullptr) break;
            control.style = item->style;
            control.exStyle = item->exStyle;
            control.x = item->x, control.y = item->y, control.cx = item->cx, control.cy = item->cy;
            control.id = item->id;
        } else {
            const DLGITEMTEMPLATE* item = cursor.Take<DLGITEMTEMPLATE>();
            if (item == nullptr) break;
            control.style = item->style;
            control.exStyle = item->dwExtendedStyle;
            control.x = item->x, control.y = item->y, control.cx = item->cx, control.cy = item->cy;
            control.id = item->id;
        }
        control.className = cursor.NameOrNumber();
        control.text = cursor.NameOrNumber();
        for (WORD extra = cursor.Word(); extra > 0 && !cursor.Overran(); --extra) cursor.Take<BYTE>();
        dialog.controls.push_back(control);
    }
    dialog.overran = cursor.Overran();
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
