#pragma once

#include "base/Clock.h"
#include "base/ProgramFolder.h"

namespace orvida {

class Pictures;
class Prompts;

// What every window of the desktop program is given: the program folder, the clock, the prompt
// seam and the pictures of BMP/. All of it outlives the windows.
struct Shell
{
    ProgramFolder folder;
    const Clock& clock;
    Prompts& prompts;
    const Pictures& pictures;
};

} // namespace orvida
