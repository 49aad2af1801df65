// Background music: the game's StartDefaultMusic, FileOpenWave and StopMusic
// (Music.cpp), and the look at a chosen file's header before it is played.
#pragma once

// True when the file starts like a RIFF wave sound with a format chunk before
// a data chunk that is not empty; the sound service may still refuse it.
bool IsWaveFile(const char* path);
