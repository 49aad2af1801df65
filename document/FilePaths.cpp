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

bool EndsWithin(const char* buffer, size_t size)
{
    return std::memchr(buffer, '\0', size) != nullptr;
}

std::string DataFilePath(const char* name)
{
    // Always a full path: given a bare name, Wine's LoadImage looks in the
    // program's folder before the current one.
    char path[pathBufferSize];
    DWORD attributes = GetFileAttributesA(name);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        DWORD length = GetFullPathNameA(name, sizeof path, path, nullptr);
        return length > 0 && length < sizeof path ? path : name;
    }
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    // A path that did not fit comes back cut to the buffer's length: the bare
    // name is better than a file in a folder of that cut name.
    if (length == 0 || length >= sizeof path) return name;
    return std::string(path, NamePart(path) - path) + name;
}
