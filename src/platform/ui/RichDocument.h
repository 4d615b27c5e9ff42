#pragma once

#include "platform/ui/RichTextParagraph.h"

#include <vector>

namespace fw {

enum class RichTextFormat {
    Rich,   // the input began with "{\rtf"
    Plain,  // any other input, read line by line
};

// A text as the notice window shows it: paragraphs of formatted runs.
struct RichDocument {
    RichTextFormat format = RichTextFormat::Plain;
    std::vector<RichTextParagraph> paragraphs;
};

}  // namespace fw
