#include "processing/RunPrompts.h"

RunPrompts &ReplacedRunPrompts()
{
    static RunPrompts prompts;
    return prompts;
}
