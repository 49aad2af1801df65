// Paths in byte buffers: the room any path Windows accepts needs in UTF-8,
// the name part of a path, and where the game's own data files are found.
#pragma once

#include <windows.h>

#include <string>

// The longest path Windows accepts, in bytes: 259 UTF-16 characters, each at
// most three bytes in UTF-8, the program's code page.
const size_t longestPath = 3 * (MAX_PATH - 1);

// Every buffer that holds a path: the longest path, its NUL, and three bytes
// more. A call that converts a path from UTF-16 into a buffer too small for
// it (Wine's do) writes whole characters only and so stops fewer than four
// bytes before the buffer's end: whatever it leaves is longer than any path.
const int pathBufferSize = 3 * MAX_PATH + 1;

// The file's name: what follows the path's last backslash or slash, or its
// drive's colon. Found character by character (CharNextA), so a backslash's
// byte inside a character of a double-byte code page (Shift-JIS, GBK, Big5),
// which Windows before version 1903 keeps for the program, ends no name; a
// file dialog's nFileOffset cannot be trusted instead: Wine counts it in
// UTF-16 characters.
const char* NamePart(const char* path);

// True when what a call filled into `buffer` is a whole path: its NUL lies
// within the buffer and it is no longer than any path Windows accepts. A path
// the call cut short ends at the buffer's end without a NUL, or is ended by
// one the call wrote or one left from before, and is longer than that.
bool IsWholePath(const char* buffer, size_t size);

// The path to read the data file `name` from (a bitmap, the default music):
// the current folder's file when there is one, so a player's own file in a
// shortcut's working folder wins, named so that no other can take its place;
// otherwise the file in the program's own folder, wherever it was started
// from, when that folder is found whole; otherwise the bare name.
std::string DataFilePath(const char* name);
