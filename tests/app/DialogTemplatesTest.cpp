#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "../../app/resource.h"
#include "ResourceReader.h"
#include "TestSupport.h"

// The dialogs' templates as compiled into this test program, read by their
// documented layout, and the dialogs the platform builds from them.

namespace {

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

ControlTemplate Label(const char* text, short x, short y, short cx, short cy)
{
    return {staticClass, noId32, text, groupLabel, 0, x, y, cx, cy};
}

ControlTemplate NumberBox(DWORD id, short x, short y, short cx, short cy)
{
    return {editClass, id, "", numberBox, 0, x, y, cx, cy};
}

// A number box and the label beside it.
struct Field {
    ControlTemplate label;
    ControlTemplate box;
};

// Both editors are one frame, its size, font, OK and Cancel alike, around a
// column of labelled number boxes: in the template all the labels come
// first, then all the boxes.
DialogTemplate Editor(const char* title, const std::vector<Field>& fields)
{
    DialogTemplate editor = {true, shellFont | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 0, 186, 94,
                             "", "", title, 8, FW_NORMAL, 0, DEFAULT_CHARSET, "MS Shell Dlg",
                             {
                                 {buttonClass, IDOK, "OK", defaultButton, 0, 7, 73, 50, 14},
                                 {buttonClass, IDCANCEL, "Cancel", pushButton, 0, 129, 73, 50, 14},
                             },
                             false};
    for (const Field& field : fields) editor.controls.push_back(field.label);
    for (const Field& field : fields) editor.controls.push_back(field.box);
    return editor;
}

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
     Editor("Background Editor", {
         {Label("Wavelength", 17, 18, 42, 8), NumberBox(IDC_WAVELENGTH, 68, 16, 70, 12)},
         {Label("Frequency", 17, 35, 42, 8), NumberBox(IDC_FREQUENCY, 68, 33, 70, 12)},
         {Label("Amplitude", 17, 52, 42, 8), NumberBox(IDC_AMPLITUDE, 68, 50, 70, 12)},
     })},
    {"VectorEdit", IDD_VECTOR_EDIT,
     Editor("Vector Edit", {
         {Label("X Vector", 21, 30, 28, 8), NumberBox(IDC_X_VECTOR, 58, 28, 55, 13)},
         {Label("Y Vector", 21, 51, 28, 8), NumberBox(IDC_Y_VECTOR, 58, 49, 55, 13)},
     })},
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

// The styles and the place of a dialog or of one of its controls.
template <typename Part>
void ExpectSameStylesAndPlace(const Part& want, const Part& got)
{
    EXPECT_EQ(want.style, got.style) << std::hex << "style 0x" << got.style;
    EXPECT_EQ(want.exStyle, got.exStyle);
    EXPECT_EQ(want.x, got.x);
    EXPECT_EQ(want.y, got.y);
    EXPECT_EQ(want.cx, got.cx);
    EXPECT_EQ(want.cy, got.cy);
}

class DialogTemplates : public testing::TestWithParam<DialogRow> {};

TEST_P(DialogTemplates, StoredTemplateMatchesLayout)
{
    const DialogTemplate& expected = GetParam().expected;
    DialogTemplate actual = ReadDialogTemplate(GetParam().id);
    ASSERT_FALSE(actual.overran);
    EXPECT_EQ(expected.extended, actual.extended);
    ExpectSameStylesAndPlace(expected, actual);
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
        ExpectSameStylesAndPlace(want, got);
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
