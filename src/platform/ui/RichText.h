#pragma once

#include "platform/ui/RichDocument.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace fw {

// Reads a text the way the notice window's rich edit loads it: input that
// begins with "{\rtf" is read as rich text (groups, \par, \line, \tab, \b,
// \i, \ul, \plain, \cf with \colortbl, \fs, \'hh, \u with \uc; unknown and
// ignorable destinations are skipped); anything else is plain text, one
// paragraph per line, UTF-8 when it is valid UTF-8 and Windows-1252 otherwise.
// Any bytes are accepted: the reader never reads past `length`, keeps its
// group depth bounded and always ends.
RichDocument parse_rich_text(const std::uint8_t* data, std::size_t length);

// The document's text with "\n" between paragraphs.
std::string plain_text(const RichDocument& document);

}  // namespace fw
