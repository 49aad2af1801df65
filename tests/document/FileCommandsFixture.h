// The file commands' tests share: a player who answers every window a file
// command shows, by a plan, and writes down what was shown; and the fixture
// with a match in play in a window of its own.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "../../game/PaddleGame.h"
#include "TestSupport.h"

// How a player answers whatever the file commands show.
struct Plan {
    int prompt = IDCANCEL;    // "Do You want to save?"
    std::string openFile;     // typed into the Open dialog; empty: Cancel
    std::string saveAsFile;   // typed into the Save As dialog; empty: Cancel
    int replace = IDNO;       // the Save As dialog's question before replacing a file
};

// What the file commands showed.
struct Seen {
    int prompts = 0;
    std::string promptCaption;
    std::string promptText;
    UINT promptStyle = 0;      // buttons and icon, by MessageStyle
    HWND promptOwner = nullptr;
    int openDialogs = 0;
    std::string openNameField;  // the Open dialog's file name as first shown
    int saveAsDialogs = 0;
    HWND dialogOwner = nullptr;
    int replaceQuestions = 0;
    int problems = 0;          // message boxes about a file
    std::string problemCaption;
    std::string problemText;
    UINT problemStyle = 0;
    HWND problemOwner = nullptr;
};

// Answers, from other threads, every window a file command can show, while
// it lives. Read `seen` only after it is destroyed. "Open" is the title of both
// the prompt before Open and the Open dialog; only the dialog has a file-name box.
class Player {
public:
    Player(const Plan& plan, Seen& seen);

private:
    void Answer(const std::string& title, HWND shown);
    void AnswerFileDialog(HWND dialog, const std::string& file);

    LoopBound bound;  // only a guard: a box lacking the button the plan presses fails at once
    Plan plan;
    Seen& seen;
    std::mutex mutex;
    std::vector<std::unique_ptr<DialogAnswerer>> answerers;
};

class FileCommands : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A match in play that New, Open or a failed Load would visibly change.
    void PlayAMatch(bool modified);
    void ExpectMatchInPlay();

    // What PlayAMatch's match looks like on disk.
    const std::string matchInPlayFile = SavedGameText(4, 6, true, false);

    void SetFilePath(const std::string& path);
    void ExpectRepainting(bool expected);

    // Runs New or Open (`command`) while a player answers by `plan`; says
    // what was shown.
    Seen RunCommand(const std::string& command, const Plan& plan);
    // Runs a command that shows a file dialog: "Open", "SaveAs" or "OpenWave".
    // False only when Save As saved nothing.
    bool RunDialogCommand(const std::string& command);

    char startDirectory[pathBufferSize] = "";
    HWND window = nullptr;
    std::string folder;
    PaddleGame* match = nullptr;
    std::string readOnlyFile;
};
