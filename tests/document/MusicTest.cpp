#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../../app/MainWindow.h"
#include "../../document/Music.h"
#include "../../game/PaddleGame.h"
#include "ImportStandIn.h"
#include "TestSupport.h"

namespace {

std::string CurrentFolder()
{
    char folder[pathBufferSize];
    GetCurrentDirectoryA(sizeof folder, folder);
    return std::string(folder) + "\\";
}

// The test programs start in the game folder, next to the real Rovor.wav.
const std::string gameFolder = CurrentFolder();

std::string LittleEndian32(unsigned value)
{
    std::string bytes;
    for (int i = 0; i < 4; ++i) bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    return bytes;
}

// One RIFF chunk with its pad byte when the payload is odd.
std::string Chunk(const char* id, const std::string& payload)
{
    std::string chunk = std::string(id, 4) + LittleEndian32(static_cast<unsigned>(payload.size())) + payload;
    if (payload.size() % 2 == 1) chunk += '\0';
    return chunk;
}

std::string Riff(const char* form, const std::string& chunks)
{
    return "RIFF" + LittleEndian32(static_cast<unsigned>(4 + chunks.size())) + std::string(form, 4) + chunks;
}

// PCM, one channel, 8000 samples a second, 8 bits.
std::string PcmFormat()
{
    return std::string("\x01\x00\x01\x00", 4) + LittleEndian32(8000) + LittleEndian32(8000) +
           std::string("\x01\x00\x08\x00", 4);
}

const std::string samples = "\x80\x90\xA0\x90";

std::string WindowTitle(HWND window)
{
    char title[MAX_PATH];
    GetWindowTextA(window, title, sizeof title);
    return title;
}

// What the program asks of the sound service, call by call, seen through the
// import while the real PlaySoundA still plays.
struct SoundCall {
    std::string sound;  // "(none)": a stop
    DWORD flags;
    bool windowAlive;   // the music's window still existed at the call
};

std::vector<SoundCall> soundCalls;
HWND soundWindow = nullptr;

void WatchSound(LPCSTR sound, HMODULE, DWORD flags)
{
    soundCalls.push_back({sound != nullptr ? sound : "(none)", flags, IsWindow(soundWindow) != FALSE});
}

// A wave file played in the background, over and over, and silence rather
// than the system's default sound when it cannot be played.
const DWORD backgroundMusic = SND_ASYNC | SND_LOOP | SND_FILENAME | SND_NODEFAULT;

}  // namespace

struct WaveFileRow {
    const char* name;
    std::string contents;
    bool wave;
};

class WaveFileCheck : public ::testing::TestWithParam<WaveFileRow> {};

TEST_P(WaveFileCheck, TellsAPlayableWaveFromOtherFiles)
{
    std::string path = MakeTempFolder() + "sound.wav";
    WriteWholeFile(path, GetParam().contents);
    EXPECT_EQ(GetParam().wave, IsWaveFile(path.c_str()));
}

INSTANTIATE_TEST_SUITE_P(
    Files, WaveFileCheck,
    ::testing::Values(
        WaveFileRow{"MinimalWave", Riff("WAVE", Chunk("fmt ", PcmFormat()) + Chunk("data", samples)), true},
        // 65,537 bytes: odd, and a size that needs the third byte of its field.
        WaveFileRow{"LongOddChunkBeforeFormat",
                    Riff("WAVE", Chunk("LIST", std::string(65537, 'x')) + Chunk("fmt ", PcmFormat()) +
                                     Chunk("data", samples)),
                    true},
        WaveFileRow{"ZeroBytes", "", false},
        WaveFileRow{"Text", "This is not a sound.\r\nIt only has a .wav name.\r\n", false},
        WaveFileRow{"HeaderCutShort", Riff("WAVE", Chunk("fmt ", PcmFormat())).substr(0, 10), false},
        WaveFileRow{"NoChunks", Riff("WAVE", ""), false},
        WaveFileRow{"FormatWithoutData", Riff("WAVE", Chunk("fmt ", PcmFormat())), false},
        WaveFileRow{"DataBeforeFormat", Riff("WAVE", Chunk("data", samples) + Chunk("fmt ", PcmFormat())), false},
        WaveFileRow{"FormatTooShort",
                    Riff("WAVE", Chunk("fmt ", PcmFormat().substr(0, 14)) + Chunk("data", samples)), false},
        WaveFileRow{"EmptyData", Riff("WAVE", Chunk("fmt ", PcmFormat()) + Chunk("data", "")), false},
        WaveFileRow{"NotAWaveForm", Riff("AVI ", Chunk("fmt ", PcmFormat()) + Chunk("data", samples)), false},
        // A chunk that claims to run past the end of the file hides what follows it.
        WaveFileRow{"ChunkOfFourGigabytes",
                    Riff("WAVE", "junk" + LittleEndian32(0xFFFFFFFFu) + Chunk("fmt ", PcmFormat()) +
                                     Chunk("data", samples)),
                    false}),
    [](const ::testing::TestParamInfo<WaveFileRow>& row) { return std::string(row.param.name); });

TEST(WaveFile, TheGamesMusicIsAWave)
{
    EXPECT_TRUE(IsWaveFile((gameFolder + "Rovor.wav").c_str()));
}

TEST(WaveFile, TruncatedGameMusicIsNotAWave)
{
    // Cut inside the format chunk.
    std::string path = MakeTempFolder() + "cut.wav";
    WriteWholeFile(path, ReadWholeFile(gameFolder + "Rovor.wav").substr(0, 30));
    EXPECT_FALSE(IsWaveFile(path.c_str()));
}

TEST(WaveFile, MissingFileOrFolderIsNotAWave)
{
    std::string folder = MakeTempFolder();
    EXPECT_FALSE(IsWaveFile((folder + "absent.wav").c_str()));
    ASSERT_TRUE(CreateDirectoryA((folder + "folder.wav").c_str(), nullptr));
    EXPECT_FALSE(IsWaveFile((folder + "folder.wav").c_str()));
}

class Music : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = CreateTestWindow(320, 240);
        mainWindow = window;
        folder = MakeTempFolder();
        match = new PaddleGame();
        soundCalls.clear();
        soundWindow = window;
    }

    // Watches PlaySoundA while alive; every call still reaches the real one.
    ImportStandIn WatchTheMusic()
    {
        return ImportStandIn("winmm.dll", "PlaySoundA", &PlaySoundA, FALSE, ERROR_SUCCESS, 0, &WatchSound);
    }

    void TearDown() override
    {
        match->StopMusic();
        delete match;
        mainWindow = nullptr;
        DestroyWindow(window);
        SetCurrentDirectoryA(gameFolder.c_str());
    }

    // Runs Open Wave File, choosing `file` in the dialog (empty: Cancel) and
    // confirming any message box; remembers what was shown.
    void OpenWave(const std::string& file)
    {
        {
            DialogAnswerer dialog("Open", [this, file](HWND shown) {
                ++dialogs;
                dialogOwner = GetWindow(shown, GW_OWNER);
                if (FileNameBox(shown) == nullptr || file.empty()) {
                    PressButton(IDCANCEL)(shown);
                } else {
                    ChooseFile(file)(shown);
                }
            });
            DialogAnswerer problem("Open Wave File", [this](HWND shown) {
                ++problems;
                problemOwner = GetWindow(shown, GW_OWNER);
                problemText = MessageText(shown);
                problemStyle = MessageStyle(shown);
                PressButton(IDOK)(shown);
            });
            match->FileOpenWave(window);
        }  // the answerers have stopped: what they wrote can be read
    }

    HWND window = nullptr;
    std::string folder;
    PaddleGame* match = nullptr;
    int dialogs = 0;
    HWND dialogOwner = nullptr;
    int problems = 0;
    std::string problemText;
    UINT problemStyle = 0;
    HWND problemOwner = nullptr;
};

TEST_F(Music, DefaultMusicInTheCurrentDirectoryPlaysAndNamesTheWindow)
{
    ASSERT_TRUE(SetCurrentDirectoryA(gameFolder.c_str()));
    {
        ImportStandIn sound = WatchTheMusic();
        EXPECT_TRUE(match->StartDefaultMusic(window));
    }
    EXPECT_EQ("Rovor.wav", WindowTitle(window));
    EXPECT_STREQ("Rovor.wav", match->musicFile);
    ASSERT_EQ(1u, soundCalls.size());
    // By its full path: a file beside the program would do when the current
    // folder had none.
    EXPECT_EQ(gameFolder + "Rovor.wav", soundCalls[0].sound);
    EXPECT_EQ(backgroundMusic, soundCalls[0].flags);
}

TEST_F(Music, WithoutDefaultMusicTheTitleStays)
{
    ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));
    EXPECT_FALSE(match->StartDefaultMusic(window));
    EXPECT_EQ("Brellix test", WindowTitle(window));
    EXPECT_STREQ("Rovor.wav", match->musicFile);
}

TEST_F(Music, ChosenWaveInAnotherFolderNamesTheWindow)
{
    std::string theme = folder + "theme.wav";
    ASSERT_TRUE(CopyFileA((gameFolder + "Rovor.wav").c_str(), theme.c_str(), FALSE));
    ASSERT_TRUE(SetCurrentDirectoryA(gameFolder.c_str()));
    match->StartDefaultMusic(window);

    {
        ImportStandIn sound = WatchTheMusic();
        OpenWave(theme);
    }
    EXPECT_EQ(1, dialogs);
    EXPECT_EQ(window, dialogOwner);
    EXPECT_EQ(0, problems) << problemText;
    EXPECT_EQ("theme.wav", WindowTitle(window));
    EXPECT_STREQ("theme.wav", match->musicFile);
    // The old music stops before the new one starts.
    ASSERT_EQ(2u, soundCalls.size());
    EXPECT_EQ("(none)", soundCalls[0].sound);
    EXPECT_EQ(theme, soundCalls[1].sound);
    EXPECT_EQ(backgroundMusic, soundCalls[1].flags);
}

TEST_F(Music, QuitStopsTheMusicBeforeTheWindowGoes)
{
    ASSERT_TRUE(SetCurrentDirectoryA(gameFolder.c_str()));
    match->StartDefaultMusic(window);
    {
        ImportStandIn sound = WatchTheMusic();
        match->Quit(window);
    }
    EXPECT_FALSE(IsWindow(window));
    ASSERT_EQ(1u, soundCalls.size());
    EXPECT_EQ("(none)", soundCalls[0].sound);
    EXPECT_TRUE(soundCalls[0].windowAlive);
}

TEST_F(Music, CancelledOpenWaveKeepsTheTitle)
{
    ASSERT_TRUE(SetCurrentDirectoryA(gameFolder.c_str()));
    match->StartDefaultMusic(window);

    OpenWave("");
    EXPECT_EQ(1, dialogs);
    EXPECT_EQ(0, problems);
    EXPECT_EQ("Rovor.wav", WindowTitle(window));
    EXPECT_STREQ("", match->musicFile);
}

TEST_F(Music, TextFileNamedWavIsReportedAndStillNamesTheWindow)
{
    std::string notes = folder + "notes.wav";
    WriteWholeFile(notes, "These are notes, not music.\r\n");

    OpenWave(notes);
    EXPECT_EQ(1, problems);
    EXPECT_EQ(window, problemOwner);
    EXPECT_NE(std::string::npos, problemText.find(notes)) << problemText;
    EXPECT_EQ(UINT(MB_OK | MB_ICONEXCLAMATION), problemStyle);
    EXPECT_EQ("notes.wav", WindowTitle(window));
    EXPECT_STREQ("notes.wav", match->musicFile);
}
