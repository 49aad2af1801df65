// Runs the program under test as Windows runs it in another code page (1252
// Western European, 932 Japanese), where the test program itself runs in
// UTF-8. While a ProgramInCodePage lives, the program's conversions and the
// calls it gives paths to answer as they do there, through Windows' own
// conversion for that code page; every import is put back when it goes.
#pragma once

#include <windows.h>

#include "ImportStandIn.h"

class ProgramInCodePage {
public:
    explicit ProgramInCodePage(UINT codePage);

    ImportStandIn sound;  // PlaySoundA: Calls() counts what was played

private:
    ImportStandIn acp;
    ImportStandIn toBytes;
    ImportStandIn toWide;
    ImportStandIn next;
    ImportStandIn create;
    ImportStandIn fullPath;
    ImportStandIn attributes;
    ImportStandIn move;
    ImportSwap stream;  // the C library's fopen, which the file streams call
};
