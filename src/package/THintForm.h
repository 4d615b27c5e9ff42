#pragma once

#include <cstdint>

#include "package/NoticeRecord.h"
#include "platform/runtime/Timer.h"
#include "platform/ui/TForm.h"
#include "platform/ui/TRichEdit.h"

namespace fw {

// The notice window: shows the text of one notice record, blinking unless
// the record says otherwise, and closes itself when its countdown runs out.
// It is built at run time, run with ShowModal and destroyed right after.
class THintForm : public TForm {
public:
    static constexpr int kWidth = 500;
    static constexpr int kHeight = 300;

    // `data` holds `length` bytes of a notice record; the form keeps its own copy
    // of what it needs and never reads past `length`.
    THintForm(Application& owner, std::int64_t length, const std::uint8_t* data);

    Timer close_timer;
    Timer blink_timer;
    TRichEdit text_view{"text_view", this};

    // The header fields and the text of the record.
    NoticeRecord notice;

    // Ticks of the close timer still to go; wraps below zero like the 16-bit counter it is.
    std::uint16_t close_countdown = 0;
    // The blink has cleared the text.
    bool text_hidden = false;

    void close_timerTimer();
    void blink_timerTimer();

private:
    void load_text();
};

}  // namespace fw
