// Paths in byte buffers: the room any path Windows accepts needs in UTF-8,
// the name part of a path, and where the game's own data files are found.
#pragma once

#include <windows.h>

#include <string>

// Every buffer that holds a path: Windows accepts 259 UTF-16 characters, and
// in UTF-8, the program's code page, each can take three bytes.
const int pathBufferSize = 3 * MAX_PATH + 1;

// The file's name: what follows the path's last backslash or slash, or its
// drive's colon. Found character by character (CharNextA), so a backslash's
// byte inside a character of a double-byte code page (Shift-JIS, GBK, Big5),
// which Windows before version 1903 keeps for the program, ends no name; a
// file dialog's nFileOffset cannot be trusted instead: Wine counts it in
// UTF-16 characters.
const char* NamePart(const char* path);

// True when `buffer` holds its terminating NUL, as a call that filled it
// must leave it; false when what it wrote ran to the buffer's end.
bool EndsWithin(const char* buffer, size_t size);

// The full path to read the data file `name` from (a bitmap, the default
// music): in the current folder when the file is there, so a player's own
// file in a shortcut's working folder wins; otherwise in the folder of the
// program itself, wherever it was started from.
std::string DataFilePath(const char* name);
