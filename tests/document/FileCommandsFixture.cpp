#include "FileCommandsFixture.h"

#include "../../app/MainWindow.h"

Player::Player(const Plan& played, Seen& noted) : plan(played), seen(noted)
{
    // The question before replacing a file is titled "Error" by Wine and
    // "Confirm Save As" by Windows.
    for (const char* title : {"New", "Open", "Save As", "Brellix", "Open Wave File", "Error", "Confirm Save As"}) {
        std::string name = title;
        answerers.emplace_back(new DialogAnswerer(name, [this, name](HWND shown) { Answer(name, shown); }));
    }
}

void Player::Answer(const std::string& title, HWND shown)
{
    std::unique_lock<std::mutex> lock(mutex);
    HWND owner = GetWindow(shown, GW_OWNER);
    HWND nameBox = FileNameBox(shown);
    if (title == "Brellix" || title == "Open Wave File") {
        ++seen.problems;
        seen.problemCaption = title;
        seen.problemText = MessageText(shown);
        seen.problemStyle = MessageStyle(shown);
        seen.problemOwner = owner;
        PressButton(IDOK)(shown);
    } else if (title == "Open" && nameBox != nullptr) {
        ++seen.openDialogs;
        char name[MAX_PATH] = "";
        GetWindowTextA(nameBox, name, sizeof name);
        seen.openNameField = name;
        seen.dialogOwner = owner;
        AnswerFileDialog(shown, plan.openFile);
    } else if (title == "Save As" && nameBox != nullptr) {
        ++seen.saveAsDialogs;
        seen.dialogOwner = owner;
        AnswerFileDialog(shown, plan.saveAsFile);
    } else if (title == "New" || title == "Open") {
        ++seen.prompts;
        seen.promptCaption = title;
        seen.promptText = MessageText(shown);
        seen.promptStyle = MessageStyle(shown);
        seen.promptOwner = owner;
        PressButton(plan.prompt)(shown);
    } else if (nameBox == nullptr) {
        ++seen.replaceQuestions;
        PressButton(plan.replace)(shown);
        lock.unlock();
        if (plan.replace != IDYES) {
            // No sends the player back to the Save As dialog, which stays
            // open for another name: cancel it once the question has gone
            // (the bound only guards against a question that never goes).
            WaitUntil([shown] { return !IsWindow(shown); }, 120000);
            PressButton(IDCANCEL)(owner);
        }
    }
}

void Player::AnswerFileDialog(HWND dialog, const std::string& file)
{
    if (file.empty()) {
        PressButton(IDCANCEL)(dialog);
    } else {
        ChooseFile(file)(dialog);
    }
}

void FileCommands::SetUp()
{
    GetCurrentDirectoryA(sizeof startDirectory, startDirectory);
    window = CreateTestWindow(320, 240);
    mainWindow = window;
    folder = MakeTempFolder();
    match = new PaddleGame();
}

void FileCommands::TearDown()
{
    delete match;
    mainWindow = nullptr;
    DestroyWindow(window);
    SetCurrentDirectoryA(startDirectory);
    if (!readOnlyFile.empty()) SetFileAttributesA(readOnlyFile.c_str(), FILE_ATTRIBUTE_NORMAL);
}

void FileCommands::PlayAMatch(bool modified)
{
    match->leftScore = 4;
    match->rightScore = 6;
    match->cheatMode = true;
    match->computerOpponent = false;
    match->modified = modified;
}

void FileCommands::ExpectMatchInPlay()
{
    EXPECT_EQ(4, match->leftScore);
    EXPECT_EQ(6, match->rightScore);
    EXPECT_TRUE(match->cheatMode);
    EXPECT_FALSE(match->computerOpponent);
}

void FileCommands::SetFilePath(const std::string& path)
{
    lstrcpyA(match->filePath, path.c_str());
}

void FileCommands::ExpectRepainting(bool expected)
{
    RECT update;
    EXPECT_EQ(expected, GetUpdateRect(window, &update, FALSE) != FALSE);
}

Seen FileCommands::RunCommand(const std::string& command, const Plan& plan)
{
    Seen seen;
    {
        Player player(plan, seen);
        if (command == "Open") {
            match->FileOpen(window);
        } else {
            match->FileNew(window);
        }
    }
    return seen;
}

bool FileCommands::RunDialogCommand(const std::string& command)
{
    if (command == "SaveAs") return match->FileSaveAs();
    if (command == "Open") {
        match->FileOpen(window);
    } else {
        EXPECT_EQ("OpenWave", command);
        match->FileOpenWave(window);
    }
    return true;
}
