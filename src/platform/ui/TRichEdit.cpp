#include "platform/ui/TRichEdit.h"

#include "platform/ui/RichText.h"

namespace fw {

void TRichEdit::load(const std::uint8_t* data, std::size_t length) {
    document_ = parse_rich_text(data, length);
    changed(Property::Content);
}

void TRichEdit::clear() {
    document_ = RichDocument{};
    changed(Property::Content);
}

std::string TRichEdit::plain_text() const { return fw::plain_text(document_); }

}  // namespace fw
