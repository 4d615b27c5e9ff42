#include <gtest/gtest.h>

#include <ostream>

#include <memory>
#include <utility>

#include "package/PackageFixtures.h"
#include "package/THintForm.h"

namespace fw {
namespace {

using test::notice_bytes;

struct HintForm : ::testing::Test {
    test::HeadlessApp h;

    std::unique_ptr<THintForm> make(const std::vector<std::uint8_t>& record) {
        return std::make_unique<THintForm>(h.app, std::int64_t(record.size()), record.data());
    }
    std::uint32_t now() { return h.clock.now_ms(); }
};

TEST_F(HintForm, IsBuiltFromTheRecord) {
    const std::string rtf = "{\\rtf1 {\\b Bold} plain\\par second}";
    auto form = make(notice_bytes(1, 1, "", rtf, 0, 1, "Firmware notice"));
    EXPECT_EQ(form->caption(), "Firmware notice");
    EXPECT_EQ(form->width(), 500);
    EXPECT_EQ(form->outer_height(), 300);
    EXPECT_EQ(form->position, FormPosition::ScreenCenter);
    EXPECT_FALSE(form->visible());

    const TRichEdit& view = form->text_view;
    EXPECT_EQ(view.parent(), form.get());
    EXPECT_EQ(view.align, Align::Client);
    EXPECT_EQ(view.left(), 0);
    EXPECT_EQ(view.top(), 0);
    EXPECT_EQ(view.width(), form->client_width());
    EXPECT_EQ(view.height(), form->client_height());
    EXPECT_EQ(view.color(), 0x00E0FFFFu);
    EXPECT_TRUE(view.word_wrap);
    EXPECT_TRUE(view.read_only);
    EXPECT_EQ(view.scroll_bars, ScrollBars::Both);
    EXPECT_EQ(view.format(), RichTextFormat::Rich);
    EXPECT_EQ(view.plain_text(), "Bold plain\nsecond");
    ASSERT_FALSE(view.document().paragraphs.empty());
    EXPECT_TRUE(view.document().paragraphs[0].runs.at(0).bold);

    EXPECT_EQ(form->close_timer.interval(), 100u);
    EXPECT_TRUE(form->close_timer.enabled());
    EXPECT_EQ(form->blink_timer.interval(), 500u);
    EXPECT_FALSE(form->blink_timer.enabled());  // no_blink 1
}

TEST_F(HintForm, PlainTextFallsBack) {
    auto form = make(notice_bytes(0, 0, "", "Line one\r\nLine two", 0, 0));
    EXPECT_EQ(form->text_view.format(), RichTextFormat::Plain);
    EXPECT_EQ(form->text_view.plain_text(), "Line one\nLine two");
    EXPECT_TRUE(form->blink_timer.enabled());  // no_blink 0
}

TEST_F(HintForm, ReadsNothingPastTheLengthGiven) {
    std::vector<std::uint8_t> record = notice_bytes(0, 0, "", "Hello there");
    // The caller's buffer is one byte longer than the record it hands over.
    record.resize(125 + 5 + 1);
    record.back() = 'Z';
    auto form = std::make_unique<THintForm>(h.app, 125 + 5, record.data());
    EXPECT_EQ(form->text_view.plain_text(), "Hello");
    EXPECT_TRUE(form->notice.text_cut);
}

TEST_F(HintForm, TooShortRecordMakesAnEmptyWindow) {
    std::vector<std::uint8_t> record = notice_bytes(0, 0, "", "x", 5, 0, "Title");
    auto form = std::make_unique<THintForm>(h.app, 124, record.data());
    EXPECT_EQ(form->caption(), "");
    EXPECT_TRUE(form->text_view.empty());
}

// The close countdown on the virtual clock: N ticks of 100 ms, closing at tick N + 1.
struct CountdownCase {
    const char* name;
    std::uint16_t close_after;
    std::uint32_t user_closes_after;  // 0: nobody closes it
    std::uint32_t open_ms;
};
void PrintTo(const CountdownCase& c, std::ostream* os) { *os << c.name; }

class Countdown : public HintForm, public ::testing::WithParamInterface<CountdownCase> {};

TEST_P(Countdown, ClosesTheWindowInTime) {
    h.dialogs.set_modal_close_after(GetParam().user_closes_after);
    auto form = make(notice_bytes(0, 0, "", "text", GetParam().close_after, 0));
    const std::uint32_t start = now();
    form->ShowModal();
    EXPECT_EQ(now() - start, GetParam().open_ms);
    EXPECT_FALSE(form->close_timer.enabled());
    EXPECT_FALSE(form->blink_timer.enabled());
}

INSTANTIATE_TEST_SUITE_P(Cases, Countdown,
                         ::testing::Values(CountdownCase{"OneTickCloses200msLater", 1, 0, 200},
                                           CountdownCase{"FiftyTicksClose5100msLater", 50, 0, 5100},
                                           CountdownCase{"FiftyTicksEvenWhenTheUserWaits", 50, 60000, 5100},
                                           CountdownCase{"ZeroStaysUntilTheUserCloses", 0, 7000, 7000}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(HintForm, WithoutCountdownBothTimersStopAtTheFirstTick) {
    auto form = make(notice_bytes(0, 0, "", "text", 0, 0));
    h.loop.run_for(99);
    EXPECT_TRUE(form->close_timer.enabled());
    EXPECT_TRUE(form->blink_timer.enabled());
    h.loop.run_for(1);
    EXPECT_FALSE(form->close_timer.enabled());
    EXPECT_FALSE(form->blink_timer.enabled());
    EXPECT_EQ(form->close_countdown, 0xFFFF);  // the 16-bit counter wrapped
}

// The blink on the virtual clock: each content change, when it happened and whether text was left.
struct BlinkCase {
    const char* name;
    std::uint16_t close_after;
    std::uint8_t no_blink;
    std::vector<std::pair<std::uint32_t, bool>> changes;  // (ms, visible)
};
void PrintTo(const BlinkCase& c, std::ostream* os) { *os << c.name; }

class Blink : public HintForm, public ::testing::WithParamInterface<BlinkCase> {};

TEST_P(Blink, HidesAndShowsTheTextEvery500ms) {
    h.dialogs.set_modal_close_after(3000);
    auto form = make(notice_bytes(0, 0, "", "blinking text", GetParam().close_after, GetParam().no_blink));
    const std::uint32_t start = now();
    std::vector<std::pair<std::uint32_t, bool>> changes;
    form->text_view.observer = [&](Control&, Property p) {
        if (p == Property::Content) changes.emplace_back(now() - start, !form->text_view.empty());
    };
    form->ShowModal();
    EXPECT_EQ(changes, GetParam().changes);
    EXPECT_EQ(form->text_view.plain_text(), form->text_hidden ? "" : "blinking text");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Blink,
    ::testing::Values(
        BlinkCase{"BlinksUntilItCloses", 15, 0, {{500, false}, {1000, true}, {1500, false}}},
        BlinkCase{"SteadyWithNoBlink", 15, 1, {}},
        BlinkCase{"NeverBlinksWithoutCountdown", 0, 0, {}},
        BlinkCase{"BlinksUntilTheUserCloses", 100, 0,
                  {{500, false}, {1000, true}, {1500, false}, {2000, true}, {2500, false}, {3000, true}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RichEditModel, LoadAndClearAnnounceTheContent) {
    TRichEdit edit("edit", nullptr);
    int changes = 0;
    edit.observer = [&](Control&, Property p) { changes += p == Property::Content; };
    const std::string text = "{\\rtf1 \\i slanted}";
    edit.load(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(edit.format(), RichTextFormat::Rich);
    EXPECT_EQ(edit.plain_text(), "slanted");
    EXPECT_TRUE(edit.document().paragraphs.at(0).runs.at(0).italic);
    edit.clear();
    EXPECT_EQ(changes, 2);
    EXPECT_TRUE(edit.empty());
    EXPECT_EQ(edit.plain_text(), "");
}

}  // namespace
}  // namespace fw
