#include "FilePaths.h"

#include <cstring>

const char* NamePart(const char* path)
{
    // A drive's colon ("C:name") but not a stream's ("name:stream"); no
    // character of a double-byte code page holds the byte of a colon.
    const char* name = path[0] != '\0' && path[1] == ':' ? path + 2 : path;
    for (const char* at = name; *at != '\0'; at = CharNextA(at)) {
        if (*at == '\\' || *at == '/') name = at + 1;
    }
    return name;
}

bool IsWholePath(const char* buffer, size_t size)
{
    const void* end = std::memchr(buffer, '\0', size);
    return end != nullptr && static_cast<size_t>(static_cast<const char*>(end) - buffer) <= longestPath;
}

std::string DataFilePath(const char* name)
{
    char path[pathBufferSize];
    DWORD attributes = GetFileAttributesA(name);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        DWORD length = GetFullPathNameA(name, sizeof path, path, nullptr);
        if (length > 0 && length < sizeof path) return path;
        // Never the bare name: given one, Wine's LoadImage looks in the
        // program's folder first. Given ".\name", Windows and Wine look in
        // the current folder alone. (A full path this long is more than the
        // 259 characters Windows accepts. Wine's LoadImage searches for the
        // file into a buffer of 260 characters, and a search that does not
        // fit reports the room it needs and leaves the buffer unfilled; Wine
        // then reads that buffer as the file's name. Seen with a current
        // folder of 294 characters: nothing was read, ERROR_INVALID_NAME,
        // and no other file took the player's place.)
        return std::string(".\\") + name;
    }
    // A program path that does not fit comes back cut: Windows cuts it at the
    // buffer's end; Wine converts it from UTF-16, ends what fits with a NUL
    // at a character, and reports no error when the UTF-16 path itself fit.
    // Either way what is left is longer than any path, and the bare name is
    // better than a file in a folder of that cut name.
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || !IsWholePath(path, sizeof path)) return name;
    return std::string(path, NamePart(path) - path) + name;
}
