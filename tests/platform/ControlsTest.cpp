#include <gtest/gtest.h>

#include "platform/ui/Controls.h"

namespace fw {
namespace {

TEST(ComboBox, KeepsItemsSortedAndRaisesChangeOnlyForTheUser) {
    TComboBox box("box", nullptr);
    box.set_sorted(true);
    int changes = 0;
    box.on_change = [&] { ++changes; };
    box.add_item("192.168.2.1");
    box.add_item("192.168.0.1  crash");
    box.add_item("10.0.0.1");
    EXPECT_EQ(box.items(), (std::vector<std::string>{"10.0.0.1", "192.168.0.1  crash", "192.168.2.1"}));
    box.set_item_index(0);
    box.set_text("typed");
    EXPECT_EQ(changes, 0);
    box.user_select(2);
    EXPECT_EQ(box.text(), "192.168.2.1");
    box.user_type("192.168.9.9");
    EXPECT_EQ(changes, 2);
    box.clear();
    EXPECT_TRUE(box.items().empty());
    EXPECT_EQ(box.text(), "");
    EXPECT_EQ(box.item_index(), -1);
}

TEST(MaskEdit, TypingIsCutToTheMaximumLength) {
    TMaskEdit edit("pw", nullptr);
    edit.set_max_length(9);
    edit.user_type("0123456789abc");
    EXPECT_EQ(edit.text(), "012345678");
}

TEST(ProgressBar, KeepsThePositionInsideTheRange) {
    TProgressBar bar("bar", nullptr);
    bar.set_max(10);
    bar.set_position(25);
    EXPECT_EQ(bar.position(), 10);
    bar.set_position(-3);
    EXPECT_EQ(bar.position(), 0);
    bar.set_max(0);
    bar.set_position(4);
    EXPECT_EQ(bar.position(), 0);
}

TEST(Button, OnlyAnEnabledVisibleButtonReactsToAClick) {
    TButton b("b", nullptr, "Upgrade");
    int clicks = 0;
    b.on_click = [&] { ++clicks; };
    b.set_enabled(false);
    b.click();
    b.set_enabled(true);
    b.hide();
    b.click();
    b.show();
    b.click();
    EXPECT_EQ(clicks, 1);
}

TEST(Control, FocusIsKeptByTheTopmostControl) {
    TGroupBox top("top", nullptr);
    TGroupBox group("group", &top);
    TButton a("a", &group);
    TButton b("b", &group);
    // A plain group is no form: nobody keeps the focus.
    a.set_focus();
    EXPECT_FALSE(a.focused());
}

}  // namespace
}  // namespace fw
