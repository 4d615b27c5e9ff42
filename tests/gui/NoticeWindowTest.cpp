// The notice window rendered by the Qt binding: a rich text notice in a real
// read-only text widget on the notice's colour, saved as a PNG.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPalette>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextFragment>
#include <QWidget>

#include <string>
#include <vector>

#include "GuiTestApp.h"
#include "package/NoticeRecord.h"
#include "package/THintForm.h"
#include "support/NullNetwork.h"
#include "platform/qt/QtBinding.h"
#include "platform/qt/QtEventLoop.h"
#include "platform/runtime/Application.h"
#include "platform/runtime/Environment.h"
#include "platform/ui/ScriptedDialogs.h"

namespace fw {
namespace {

struct NoticeHarness {
    NoticeHarness() {
        test::gui_app();
        app.set_binding(&binding);
    }

    QtEventLoop loop;
    ScriptedDialogs dialogs;
    test::NullNetwork net;
    MapEnvironment env{{{"TEMP", "/tmp"}}};
    QtBinding binding{loop};
    Application app{Services{loop, dialogs, net, env, "/nonexistent/fwupgrade"}};
};

std::vector<std::uint8_t> record(const std::string& text, std::uint32_t color, std::uint8_t no_blink = 1) {
    NoticeRecord r;
    r.title = "Welcome to the WX upgrade";
    r.ftp_only = 1;
    r.tftp_only = 1;
    r.text_color = color;
    r.no_blink = no_blink;
    r.message_text.assign(text.begin(), text.end());
    return encode_notice_record(r);
}

const std::string kRich =
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}"
    "{\\colortbl;\\red192\\green0\\blue0;\\red0\\green96\\blue0;\\red0\\green0\\blue160;}"
    "\\fs32\\b Firmware upgrade\\b0\\fs20\\par "
    "This package brings the router to version \\b 2.4\\b0 . Read this before you go on.\\par "
    "\\par "
    "{\\i Do not switch the router off} while the upgrade runs: \\ul the router may not start again\\ulnone .\\par "
    "{\\cf1 Red warning text}, {\\cf2 green notes} and {\\cf3\\fs28 large blue words}.\\par "
    "Small print: {\\fs16 the upgrade takes about two minutes; the router restarts by itself when it is done.}}";

// The fragments of the shown document, in order.
std::vector<QTextFragment> fragments(const QTextDocument& doc) {
    std::vector<QTextFragment> out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it) out.push_back(it.fragment());
    return out;
}

const QTextFragment* find_fragment(const std::vector<QTextFragment>& all, const QString& text) {
    for (const auto& f : all)
        if (f.text().contains(text)) return &f;
    return nullptr;
}

TEST(NoticeWindow, ShowsRichTextInAReadOnlyTextWidget) {
    NoticeHarness h;
    const std::vector<std::uint8_t> bytes = record(kRich, 0x00E0FFFF);
    THintForm form(h.app, std::int64_t(bytes.size()), bytes.data());

    bool checked = false;
    test::when_modal_opens([&](QWidget& window) {
        QApplication::processEvents();
        EXPECT_EQ(window.windowTitle().toStdString(), "Welcome to the WX upgrade");
        EXPECT_EQ(window.width(), form.client_width());
        EXPECT_EQ(window.height(), form.client_height());

        auto* edit = dynamic_cast<QTextEdit*>(h.binding.widget_for(form.text_view));
        ASSERT_NE(edit, nullptr);
        EXPECT_TRUE(edit->isReadOnly());
        EXPECT_TRUE(edit->textInteractionFlags() & Qt::TextSelectableByKeyboard);
        EXPECT_EQ(edit->geometry(), QRect(0, 0, window.width(), window.height()));
        EXPECT_EQ(edit->lineWrapMode(), QTextEdit::WidgetWidth);
        EXPECT_EQ(edit->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
        EXPECT_EQ(edit->horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
        // Background: red 0xFF, green 0xFF, blue 0xE0 (red is the lowest byte).
        EXPECT_EQ(edit->palette().color(QPalette::Base), QColor(0xFF, 0xFF, 0xE0));
        EXPECT_EQ(edit->palette().color(QPalette::Text), QColor(Qt::black));

        const QTextDocument& doc = *edit->document();
        EXPECT_EQ(doc.blockCount(), 6);
        EXPECT_EQ(doc.begin().text(), "Firmware upgrade");
        const auto all = fragments(doc);
        const QTextFragment* title = find_fragment(all, "Firmware upgrade");
        ASSERT_NE(title, nullptr);
        EXPECT_EQ(title->charFormat().fontWeight(), QFont::Bold);
        EXPECT_DOUBLE_EQ(title->charFormat().fontPointSize(), 16.0);
        const QTextFragment* slanted = find_fragment(all, "Do not switch the router off");
        ASSERT_NE(slanted, nullptr);
        EXPECT_TRUE(slanted->charFormat().fontItalic());
        const QTextFragment* underlined = find_fragment(all, "the router may not start again");
        ASSERT_NE(underlined, nullptr);
        EXPECT_TRUE(underlined->charFormat().fontUnderline());
        const QTextFragment* red = find_fragment(all, "Red warning text");
        ASSERT_NE(red, nullptr);
        EXPECT_EQ(red->charFormat().foreground().color(), QColor(192, 0, 0));
        const QTextFragment* large = find_fragment(all, "large blue words");
        ASSERT_NE(large, nullptr);
        EXPECT_EQ(large->charFormat().foreground().color(), QColor(0, 0, 160));
        EXPECT_DOUBLE_EQ(large->charFormat().fontPointSize(), 14.0);
        // Everything fits: a short notice needs no scroll bar.
        EXPECT_FALSE(edit->verticalScrollBar()->isVisible());

        test::save_png(window, "notice-rich");
        checked = true;
        form.Close();
    });
    form.ShowModal();
    EXPECT_TRUE(checked);
}

TEST(NoticeWindow, BlinkClearsAndReloadsTheWidget) {
    NoticeHarness h;
    const std::vector<std::uint8_t> bytes = record("Plain notice text\r\nsecond line", 0x00FFFFFF, 0);
    THintForm form(h.app, std::int64_t(bytes.size()), bytes.data());
    form.Show();
    QApplication::processEvents();
    auto* edit = dynamic_cast<QTextEdit*>(h.binding.widget_for(form.text_view));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->toPlainText(), "Plain notice text\nsecond line");
    form.blink_timerTimer();
    EXPECT_TRUE(edit->toPlainText().isEmpty());
    form.blink_timerTimer();
    EXPECT_EQ(edit->toPlainText(), "Plain notice text\nsecond line");
    form.Hide();
}

TEST(NoticeWindow, DarkBackgroundGetsLightText) {
    NoticeHarness h;
    const std::vector<std::uint8_t> bytes = record("Readable on dark blue", 0x00400000);
    THintForm form(h.app, std::int64_t(bytes.size()), bytes.data());
    form.Show();
    QApplication::processEvents();
    auto* edit = dynamic_cast<QTextEdit*>(h.binding.widget_for(form.text_view));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->palette().color(QPalette::Base), QColor(0, 0, 0x40));
    EXPECT_EQ(edit->palette().color(QPalette::Text), QColor(Qt::white));
    form.Hide();
}

}  // namespace
}  // namespace fw
