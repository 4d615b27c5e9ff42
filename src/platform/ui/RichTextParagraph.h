#pragma once

#include "platform/ui/RichTextRun.h"

#include <string>
#include <vector>

namespace fw {

struct RichTextParagraph {
    std::vector<RichTextRun> runs;

    std::string text() const
    {
        std::string joined;
        for (const RichTextRun& run : runs)
            joined += run.text;
        return joined;
    }
};

}  // namespace fw
