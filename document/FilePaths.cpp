#include "FilePaths.h"

#include <cstring>

const char* NamePart(const char* path)
{
    // A drive's colon ("C:name") but not a stream's ("name:stream").
    const char* name = path[0] != '\0' && path[1] == ':' ? path + 2 : path;
    for (const char* at = name; *at != '\0'; ++at) {
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
    DWORD attributes = GetFileAttributesA(name);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return name;
    char program[pathBufferSize];
    DWORD length = GetModuleFileNameA(nullptr, program, sizeof program);
    // A path that did not fit comes back cut to the buffer's length: the bare
    // name is better than a file in a folder of that cut name.
    if (length == 0 || length >= sizeof program) return name;
    return std::string(program, NamePart(program) - program) + name;
}
