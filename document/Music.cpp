#include "Music.h"

#include <cstdio>
#include <cstring>
#include <fstream>

#include "../game/PaddleGame.h"

namespace {

const char defaultMusicFile[] = "Rovor.wav";
const char waveFilter[] = "Wave Files (*.wav)\0*.wav\0";

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
    lstrcpyA(musicFile, defaultMusicFile);
    std::ifstream fin(musicFile);
    if (!fin.is_open()) return false;
    PlaySoundA(musicFile, nullptr, loopFlags);
    SetWindowTextA(window, musicFile);
    fin.close();
    return true;
}

void PaddleGame::FileOpenWave(HWND window)
{
    musicFile[0] = '\0';
    PrepareFileDialog(musicFile, waveFilter, "wav", OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST);
    if (!GetOpenFileNameA(&fileDialog)) {
        musicFile[0] = '\0';  // a dialog that failed may have left a length in the buffer
        ReportFailedDialog("Open Wave File");
        return;
    }

    // The full path is played; the title shows the file's name alone.
    char fullPath[MAX_PATH];
    lstrcpyA(fullPath, musicFile);
    std::memmove(musicFile, musicFile + fileDialog.nFileOffset, std::strlen(musicFile + fileDialog.nFileOffset) + 1);

    SetWindowTextA(window, musicFile);
    PlaySoundA(nullptr, nullptr, loopFlags);
    if (!IsWaveFile(fullPath) || !PlaySoundA(fullPath, nullptr, loopFlags)) {
        char text[MAX_PATH + 100];
        snprintf(text, sizeof text, "\"%s\" cannot be played as background music.", fullPath);
        MessageBoxA(window, text, "Open Wave File", MB_OK | MB_ICONEXCLAMATION);
    }
}

void PaddleGame::StopMusic()
{
    PlaySoundA(nullptr, nullptr, SND_ASYNC);
}
