#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/ui/Control.h"
#include "platform/ui/RichDocument.h"

namespace fw {

// How a control takes its place in its parent.
enum class Align { None, Client };
// Which scroll bars a text control offers; each shows only when the text needs it.
enum class ScrollBars { None, Horizontal, Vertical, Both };

// A rich text view. load() reads its bytes as rich text when they begin with
// "{\rtf", and as plain text otherwise; the parsed document is what a view
// renders. Every change of the content is announced as Property::Content.
class TRichEdit : public Control {
public:
    TRichEdit(std::string name, Control* parent) : Control(std::move(name), parent) { set_color(clWindow); }

    // Replaces the content with the text read from `length` bytes at `data`.
    void load(const std::uint8_t* data, std::size_t length);
    // Empties the content; the view shows nothing but its background.
    void clear();

    const RichDocument& document() const { return document_; }
    // How the last load read its bytes.
    RichTextFormat format() const { return document_.format; }
    bool empty() const { return document_.paragraphs.empty(); }
    // The content with "\n" between paragraphs.
    std::string plain_text() const;

    Align align = Align::None;
    bool word_wrap = true;
    bool read_only = false;
    ScrollBars scroll_bars = ScrollBars::None;

private:
    RichDocument document_;
};

}  // namespace fw
