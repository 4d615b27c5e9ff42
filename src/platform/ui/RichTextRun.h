#pragma once

#include "platform/ui/RichTextColor.h"

#include <optional>
#include <string>

namespace fw {

// A stretch of text in one character format. The text is UTF-8; "\t" is a
// tab and "\n" a line break inside the paragraph.
struct RichTextRun {
    std::string text;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    std::optional<RichTextColor> color;   // none: the view's default colour
    std::optional<double> point_size;     // none: the view's default size

    bool same_format(const RichTextRun& other) const
    {
        return bold == other.bold && italic == other.italic && underline == other.underline &&
               color == other.color && point_size == other.point_size;
    }
};

}  // namespace fw
