#include <gtest/gtest.h>

#include <windows.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "../../app/MainWindow.h"
#include "../../app/resource.h"
#include "../../game/PaddleGame.h"
#include "TestSupport.h"

namespace {

std::string ItemText(HWND dialog, int id)
{
    char text[64] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

// A dialog the tests run modally: its template, its procedure and its title.
struct ModalDialog {
    int templateId;
    DLGPROC procedure;
    const char* title;
};

const ModalDialog backgroundEditor = {IDD_BACKGROUND_EDITOR, BackgroundEditorDialogProc, "Background Editor"};
const ModalDialog vectorEdit = {IDD_VECTOR_EDIT, VectorEditDialogProc, "Vector Edit"};
const ModalDialog aboutBox = {IDD_ABOUTBOX, AboutDialogProc, "About"};

// The background wave as the game holds it: length, frequency, amplitude.
using Wave = std::vector<int>;

Wave GameWave()
{
    return {game.waveLength, game.waveFrequency, game.waveAmplitude};
}

// The global game as InitGame leaves it in a small test window: wave 16, 16, 6
// and the first serve, 15 to the right.
class Dialogs : public testing::Test {
protected:
    void SetUp() override
    {
        window = CreateTestWindow(400, 300);
        game.InitGame(window);
        ASSERT_EQ(16, game.waveLength);
        ASSERT_EQ(15, game.ballVelX);
    }

    void TearDown() override
    {
        DestroyWindow(window);
        PumpMessages();
    }

    // Runs the dialog modally; `answer` fills it in from another thread.
    INT_PTR RunModal(const ModalDialog& dialog, std::function<void(HWND)> answer)
    {
        DialogAnswerer answerer(dialog.title, answer);
        INT_PTR result;
        {
            LoopBound bound;
            result = DialogBoxParamA(Module(), MAKEINTRESOURCEA(dialog.templateId), window, dialog.procedure, 0);
        }
        EXPECT_EQ(1, answerer.Answered());
        return result;
    }

    HWND window = nullptr;
};

// What the answering thread saw in the open dialog.
struct Seen {
    std::vector<std::string> boxes;  // the edit boxes' texts, in tab order
    bool okHasFocus = false;
    HWND owner = nullptr;
};

// Notes what the dialog shows, types `typed` into its boxes and presses `button`.
std::function<void(HWND)> TypeAndPress(Seen& seen, std::vector<std::pair<int, std::string>> typed, int button)
{
    return [&seen, typed, button](HWND dialog) {
        GUITHREADINFO thread = {};
        thread.cbSize = sizeof thread;
        GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &thread);
        seen.okHasFocus = thread.hwndFocus == GetDlgItem(dialog, IDOK);
        seen.owner = GetWindow(dialog, GW_OWNER);
        for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
            char text[64] = "";
            GetClassNameA(child, text, sizeof text);
            if (lstrcmpiA(text, "Edit") != 0) continue;
            GetWindowTextA(child, text, sizeof text);
            seen.boxes.push_back(text);
        }
        for (const auto& entry : typed) SetDlgItemTextA(dialog, entry.first, entry.second.c_str());
        PressButton(button)(dialog);
    };
}

using Texts = std::vector<std::string>;

TEST_F(Dialogs, BackgroundEditorShowsWaveAndStoresTypedValuesOnOk)
{
    Seen seen;
    INT_PTR result = RunModal(backgroundEditor, TypeAndPress(seen, {{IDC_WAVELENGTH, "-5"}, {IDC_FREQUENCY, ""},
                                                                   {IDC_AMPLITUDE, "40"}}, IDOK));
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ((Texts{"16", "16", "6"}), seen.boxes);
    EXPECT_TRUE(seen.okHasFocus);
    EXPECT_EQ(window, seen.owner);
    EXPECT_EQ((Wave{-5, 0, 40}), GameWave());
}

TEST_F(Dialogs, BackgroundEditorCancelStoresNothing)
{
    Seen seen;
    INT_PTR result = RunModal(backgroundEditor, TypeAndPress(seen, {{IDC_WAVELENGTH, "1"}, {IDC_FREQUENCY, "2"},
                                                                   {IDC_AMPLITUDE, "3"}}, IDCANCEL));
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_EQ((Wave{16, 16, 6}), GameWave());
}

TEST_F(Dialogs, VectorEditShowsVelocityAndReopensWithStoredValue)
{
    game.Reset();  // every later match is served to the left
    Seen seen;
    INT_PTR result = RunModal(vectorEdit, TypeAndPress(seen, {{IDC_X_VECTOR, "-5"}, {IDC_Y_VECTOR, "7"}}, IDOK));
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ((Texts{"-15", "0"}), seen.boxes);
    EXPECT_TRUE(seen.okHasFocus);
    EXPECT_EQ(-5, game.ballVelX);
    EXPECT_EQ(7, game.ballVelY);

    Seen again;
    result = RunModal(vectorEdit, TypeAndPress(again, {}, IDCANCEL));
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_EQ((Texts{"-5", "7"}), again.boxes);
    EXPECT_EQ(-5, game.ballVelX);
    EXPECT_EQ(7, game.ballVelY);
}

TEST_F(Dialogs, AboutBoxClosesOnOkCancelAndCloseBox)
{
    Seen seen;
    EXPECT_EQ(IDOK, RunModal(aboutBox, TypeAndPress(seen, {}, IDOK)));
    EXPECT_TRUE(seen.okHasFocus);
    EXPECT_EQ(IDCANCEL, RunModal(aboutBox, TypeAndPress(seen, {}, IDCANCEL)));
    EXPECT_EQ(IDCANCEL, RunModal(aboutBox, [](HWND dialog) { PostMessageA(dialog, WM_CLOSE, 0, 0); }));
}

// ---------------------------------------------------------------------------
// Values typed into the boxes, on modeless dialogs driven by calls.

struct ValueRow {
    const char* typed;
    int stored;
};

void PrintTo(const ValueRow& row, std::ostream* out)
{
    *out << '"' << row.typed << "\" -> " << row.stored;
}

class EditorValues : public Dialogs, public testing::WithParamInterface<ValueRow> {};

// The same text in every box of both editors, stored on OK.
TEST_P(EditorValues, OkStoresConvertedText)
{
    const ValueRow& row = GetParam();
    HWND dialog = CreateDialogParamA(Module(), MAKEINTRESOURCEA(IDD_BACKGROUND_EDITOR), window,
                                     BackgroundEditorDialogProc, 0);
    ASSERT_NE(nullptr, dialog);
    for (int id : {IDC_WAVELENGTH, IDC_FREQUENCY, IDC_AMPLITUDE}) SetDlgItemTextA(dialog, id, row.typed);
    EXPECT_EQ(TRUE, BackgroundEditorDialogProc(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0));
    EXPECT_EQ((Wave{row.stored, row.stored, row.stored}), GameWave());
    DestroyWindow(dialog);

    dialog = CreateDialogParamA(Module(), MAKEINTRESOURCEA(IDD_VECTOR_EDIT), window, VectorEditDialogProc, 0);
    ASSERT_NE(nullptr, dialog);
    for (int id : {IDC_X_VECTOR, IDC_Y_VECTOR}) SetDlgItemTextA(dialog, id, row.typed);
    EXPECT_EQ(TRUE, VectorEditDialogProc(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0));
    EXPECT_EQ(row.stored, game.ballVelX);
    EXPECT_EQ(row.stored, game.ballVelY);
    DestroyWindow(dialog);
}

const ValueRow valueRows[] = {
    {"-5", -5},
    {"0", 0},
    {"", 0},
    {"abc", 0},
    {"  42", 42},
    {"+5", 0},
    {"\t5", 0},
    {"12x", 12},
    {"0000000000000000000042", 42},
    {"2147483647", INT_MAX},
    {"-2147483648", INT_MIN},
    {"2147483648", 0},
    {"-2147483649", 0},
    {"99999999999999999999", 0},
};

INSTANTIATE_TEST_SUITE_P(Dialogs, EditorValues, testing::ValuesIn(valueRows));

// The extremes are shown with their sign and read back unchanged.
TEST_F(Dialogs, ExtremeValuesRoundTripThroughTheBoxes)
{
    game.ballVelX = INT_MIN;
    game.ballVelY = INT_MAX;
    HWND dialog = CreateDialogParamA(Module(), MAKEINTRESOURCEA(IDD_VECTOR_EDIT), window, VectorEditDialogProc, 0);
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ("-2147483648", ItemText(dialog, IDC_X_VECTOR));
    EXPECT_EQ("2147483647", ItemText(dialog, IDC_Y_VECTOR));
    VectorEditDialogProc(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(INT_MIN, game.ballVelX);
    EXPECT_EQ(INT_MAX, game.ballVelY);
    DestroyWindow(dialog);
}

// An edit box's own notifications are left to the platform and store nothing.
TEST_F(Dialogs, EditNotificationsStoreNothing)
{
    HWND dialog = CreateDialogParamA(Module(), MAKEINTRESOURCEA(IDD_BACKGROUND_EDITOR), window,
                                     BackgroundEditorDialogProc, 0);
    ASSERT_NE(nullptr, dialog);
    SetDlgItemTextA(dialog, IDC_WAVELENGTH, "1");
    EXPECT_EQ(FALSE, BackgroundEditorDialogProc(dialog, WM_COMMAND, MAKEWPARAM(IDC_WAVELENGTH, EN_CHANGE), 0));
    EXPECT_EQ(FALSE, BackgroundEditorDialogProc(dialog, WM_COMMAND, MAKEWPARAM(IDC_AMPLITUDE, EN_KILLFOCUS), 0));
    EXPECT_EQ((Wave{16, 16, 6}), GameWave());
    DestroyWindow(dialog);
}

}  // namespace
