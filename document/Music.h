// Background music: whether a file is a wave sound the sound service can play.
#pragma once

// True when the file starts like a RIFF wave sound with a format and a data chunk.
bool IsWaveFile(const char* path);
