#include "package/THintForm.h"

#include <cstddef>

#include "package/NoticeParse.h"
#include "platform/runtime/Application.h"

namespace fw {

namespace {

// The record as the window shows it. A record too short for its header shows
// as an empty, untitled notice; a text that reaches past the data is cut.
NoticeRecord read_record(std::int64_t length, const std::uint8_t* data) {
    if (data == nullptr || length <= 0) return NoticeRecord{};
    NoticeParse parse = parse_notice_record(data, static_cast<std::size_t>(length));
    return parse.ok() ? std::move(parse.record) : NoticeRecord{};
}

}  // namespace

THintForm::THintForm(Application& owner, std::int64_t length, const std::uint8_t* data)
    : TForm(owner, "HintForm"),
      close_timer(owner.loop(), 100),
      blink_timer(owner.loop(), 500),
      notice(read_record(length, data)) {
    text_hidden = false;
    close_countdown = notice.close_after;
    set_caption(notice.title);
    set_bounds(left(), top(), kWidth, kHeight);
    position = FormPosition::ScreenCenter;

    text_view.align = Align::Client;
    text_view.set_bounds(0, 0, client_width(), client_height());
    text_view.set_color(notice.text_color);
    text_view.word_wrap = true;
    text_view.read_only = true;
    text_view.scroll_bars = ScrollBars::Both;
    load_text();

    close_timer.on_timer = [this] { close_timerTimer(); };
    blink_timer.on_timer = [this] { blink_timerTimer(); };
    close_timer.set_enabled(true);
    blink_timer.set_enabled(notice.no_blink == 0);
}

void THintForm::load_text() { text_view.load(notice.message_text.data(), notice.message_text.size()); }

void THintForm::close_timerTimer() {
    const std::uint16_t old = close_countdown;
    close_countdown = static_cast<std::uint16_t>(old - 1);
    if (notice.close_after != 0) {
        if (old == 0) {
            close_timer.set_enabled(false);
            blink_timer.set_enabled(false);
            Close();
        }
        return;
    }
    // A notice without a countdown stays until the user closes it, and stays steady.
    close_timer.set_enabled(false);
    blink_timer.set_enabled(false);
}

void THintForm::blink_timerTimer() {
    if (text_hidden) {
        load_text();
        text_hidden = false;
    } else {
        text_view.clear();
        text_hidden = true;
    }
}

}  // namespace fw
