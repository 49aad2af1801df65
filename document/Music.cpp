#include "Music.h"

#include <cstring>
#include <fstream>
#include <string>

#include "../game/PaddleGame.h"

namespace {

const char defaultMusicFile[] = "Rovor.wav";
const wchar_t waveFilter[] = L"Wave Files (*.wav)\0*.wav\0";

// A name is always a file, and a file that cannot be played gives silence
// rather than the system's default sound.
const DWORD loopFlags = SND_ASYNC | SND_LOOP | SND_FILENAME | SND_NODEFAULT;

unsigned ReadLittleEndian32(const unsigned char* bytes)
{
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<unsigned>(bytes[3]) << 24;
}

}  // namespace

bool IsWaveFile(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    unsigned char header[12];
    if (!in.read(reinterpret_cast<char*>(header), sizeof header)) return false;
    if (std::memcmp(header, "RIFF", 4) != 0 || std::memcmp(header + 8, "WAVE", 4) != 0) return false;

    bool format = false;
    unsigned char chunk[8];
    while (in.read(reinterpret_cast<char*>(chunk), sizeof chunk)) {
        unsigned size = ReadLittleEndian32(chunk + 4);
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (size < 16) return false;
            format = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            return format && size > 0;
        }
        // Chunks are padded to even sizes; in 64 bits, so a size near 4 GB
        // cannot wrap round to a short step.
        in.seekg(static_cast<std::streamoff>(size) + (size & 1), std::ios::cur);
    }
    return false;
}

bool PaddleGame::StartDefaultMusic(HWND window)
{
    std::memcpy(musicFile, defaultMusicFile, sizeof defaultMusicFile);
    // From the current folder, or else from the program's own: the title
    // shows the file's name either way.
    std::string path = DataFilePath(defaultMusicFile);
    std::ifstream fin(path);
    if (!fin.is_open()) return false;
    PlaySoundA(path.c_str(), nullptr, loopFlags);
    SetWindowTextA(window, musicFile);
    fin.close();
    return true;
}

void PaddleGame::FileOpenWave(HWND window)
{
    musicFile[0] = '\0';
    char chosen[pathBufferSize] = "";
    if (!ChooseFile(false, chosen, waveFilter, L"wav", OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST, "Open Wave File")) return;

    // The full path is played; the title shows the file's name alone, which
    // fits: musicFile is as long as the path's buffer.
    const char* name = NamePart(chosen);
    std::memcpy(musicFile, name, std::strlen(name) + 1);
    SetWindowTextA(window, musicFile);
    PlaySoundA(nullptr, nullptr, loopFlags);
    if (!IsWaveFile(chosen) || !PlaySoundA(chosen, nullptr, loopFlags)) {
        std::string text = "\"" + std::string(chosen) + "\" cannot be played as background music.";
        MessageBoxA(window, text.c_str(), "Open Wave File", MB_OK | MB_ICONEXCLAMATION);
    }
}

void PaddleGame::StopMusic()
{
    PlaySoundA(nullptr, nullptr, SND_ASYNC);
}
