#pragma once

#include "platform/ui/RichDocument.h"

#include <cstdio>
#include <string>

// A compact picture of a document for tables of cases: paragraphs joined by
// "|", each formatted run as "[flags:text]" with flags b, i, u, #rrggbb and
// the point size such as 14pt; runs in the default format appear bare.
inline std::string document_text(const fw::RichDocument& document)
{
    std::string out;
    for (std::size_t p = 0; p < document.paragraphs.size(); ++p) {
        if (p > 0)
            out += '|';
        for (const fw::RichTextRun& run : document.paragraphs[p].runs) {
            std::string flags;
            auto add = [&flags](const std::string& flag) {
                if (!flags.empty())
                    flags += ',';
                flags += flag;
            };
            if (run.bold)
                add("b");
            if (run.italic)
                add("i");
            if (run.underline)
                add("u");
            if (run.color) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "#%02x%02x%02x", run.color->red, run.color->green, run.color->blue);
                add(hex);
            }
            if (run.point_size) {
                char size[16];
                std::snprintf(size, sizeof size, "%gpt", *run.point_size);
                add(size);
            }
            out += flags.empty() ? run.text : "[" + flags + ":" + run.text + "]";
        }
    }
    return out;
}
