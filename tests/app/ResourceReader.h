// Reads this program's compiled resources as the platform stores them: finds
// a resource's bytes, and takes a dialog template apart by its documented
// layout, classic or extended, into its head and its controls.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// One resource of this program as the platform finds and loads it: its first
// byte and its size; nullptr and 0 when it is missing.
struct Resource {
    const BYTE* data;
    DWORD size;
};

Resource FindOwnResource(LPCSTR type, int id);

// UTF-16 text of a resource, in this program's code page.
std::string Narrow(const std::wstring& text);

struct ControlTemplate {
    std::string className;  // "#128" button, "#129" edit, "#130" static
    DWORD id;
    std::string text;       // "#n" for a resource number
    DWORD style, exStyle;
    short x, y, cx, cy;     // dialog units
};

struct DialogTemplate {
    bool extended;
    DWORD style, exStyle;
    short x, y, cx, cy;  // dialog units
    std::string menu;
    std::string className;
    std::string title;
    int pointSize;
    int weight;
    int italic;
    int charSet;
    std::string font;
    std::vector<ControlTemplate> controls;
    bool overran;  // the template ended before its parts did, or is missing
};

DialogTemplate ReadDialogTemplate(int id);
