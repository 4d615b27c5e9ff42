// The Qt dialogs service: the boxes show exactly the texts they are given,
// with the buttons of their flags, and answer with the button pressed.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include <string>
#include <vector>

#include "GuiTestApp.h"
#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtEventLoop.h"

namespace fw {
namespace {

// What a box showed, read from its widgets while it was open.
struct SeenBox {
    std::string caption;
    std::string text;
    std::vector<std::string> buttons;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool modal = false;
};

SeenBox read_box(QMessageBox& box) {
    SeenBox seen;
    seen.caption = box.windowTitle().toStdString();
    seen.text = box.text().toStdString();
    seen.icon = box.icon();
    seen.modal = box.isModal();
    for (QAbstractButton* b : box.buttons()) seen.buttons.push_back(b->text().toStdString());
    return seen;
}

// Opens the box with `show`, and from inside it records it, saves a PNG and
// presses the button with the given caption.
template <class Show>
std::pair<int, SeenBox> answer_box(Show show, const std::string& press, const std::string& png) {
    SeenBox seen;
    test::when_modal_opens([&](QWidget& modal) {
        auto* box = qobject_cast<QMessageBox*>(&modal);
        ASSERT_NE(box, nullptr);
        seen = read_box(*box);
        test::save_png(*box, png);
        for (QAbstractButton* b : box->buttons())
            if (b->text().toStdString() == press) b->click();
    });
    const int result = show();
    return {result, seen};
}

class QtDialogsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::gui_app(); }
    QtEventLoop loop;
    QtDialogs dialogs{loop};
};

TEST_F(QtDialogsTest, MessageBoxWithOneOkButton) {
    auto [result, seen] = answer_box(
        [&] { return dialogs.message_box("Don't Exit Upgrade Program When Upgrade Not Complete", "Upgrade Not Complete", MB_OK); },
        "OK", "box-ok");
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(seen.caption, "Upgrade Not Complete");
    EXPECT_EQ(seen.text, "Don't Exit Upgrade Program When Upgrade Not Complete");
    EXPECT_EQ(seen.buttons, (std::vector<std::string>{"OK"}));
    EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
    EXPECT_TRUE(seen.modal);
}

TEST_F(QtDialogsTest, MessageBoxWithOkAndCancelAnswersTheButtonPressed) {
    auto [ok, seen] = answer_box([&] { return dialogs.message_box("Do you really want to EXIT?", "Upgrade Not Complete", MB_OKCANCEL); },
                                 "OK", "box-ok-cancel");
    EXPECT_EQ(ok, IDOK);
    EXPECT_EQ(seen.text, "Do you really want to EXIT?");
    ASSERT_EQ(seen.buttons.size(), 2u);
    auto [cancel, again] =
        answer_box([&] { return dialogs.message_box("Do you really want to EXIT?", "Upgrade Not Complete", MB_OKCANCEL); },
                   "Cancel", "box-ok-cancel-2");
    EXPECT_EQ(cancel, IDCANCEL);
}

TEST_F(QtDialogsTest, TextIsShownAsPlainTextEvenWithMarkup) {
    auto [result, seen] = answer_box([&] { return dialogs.message_box("<b>1 &lt; 2</b>  done", "A & B", MB_OK); }, "OK",
                                     "box-plain");
    EXPECT_EQ(seen.text, "<b>1 &lt; 2</b>  done");
    EXPECT_EQ(seen.caption, "A & B");
}

TEST_F(QtDialogsTest, WarningDialogWithASingleYesButton) {
    auto [result, seen] = answer_box(
        [&] { return dialogs.message_dialog("Recover process not be accept for router.", MsgDlgType::mtWarning, mbYes); },
        "&Yes", "dialog-warning-yes");
    EXPECT_EQ(result, mrYes);
    EXPECT_EQ(seen.caption, "Warning");
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
    EXPECT_EQ(seen.buttons, (std::vector<std::string>{"&Yes"}));
    EXPECT_EQ(seen.text, "Recover process not be accept for router.");
}

TEST_F(QtDialogsTest, ErrorDialogCaption) {
    auto [result, seen] = answer_box(
        [&] { return dialogs.message_dialog("Create tmp file Error. Check Disk space !", MsgDlgType::mtError, mbYes); },
        "&Yes", "dialog-error-yes");
    EXPECT_EQ(seen.caption, "Error");
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
}

TEST_F(QtDialogsTest, ExceptionDisplayIsACriticalBoxCaptionedWithTheApplicationName) {
    auto [result, seen] = answer_box(
        [&] {
            dialogs.show_exception("Socket Error # 10049 Address not available.");
            return 0;
        },
        "OK", "box-exception");
    EXPECT_EQ(seen.caption, QCoreApplication::applicationName().toStdString());
    EXPECT_EQ(seen.text, "Socket Error # 10049 Address not available.");
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
}

TEST_F(QtDialogsTest, OpenFileStartsInTheInitialFolderAndGivesTheChosenPath) {
    const std::string dir = test::gui_output_dir();
    const std::string file = dir + "/box-ok.png";
    std::string shown_dir;
    test::when_modal_opens([&](QWidget& modal) {
        auto* dialog = qobject_cast<QFileDialog*>(&modal);
        ASSERT_NE(dialog, nullptr);
        shown_dir = dialog->directory().absolutePath().toStdString();
        dialog->selectFile(QString::fromStdString(file));
        static_cast<QDialog*>(dialog)->accept();
    });
    EXPECT_EQ(dialogs.open_file(dir), file);
    EXPECT_EQ(shown_dir, QDir(QString::fromStdString(dir)).absolutePath().toStdString());
}

TEST_F(QtDialogsTest, OpenFileCancelledGivesNothing) {
    test::when_modal_opens([](QWidget& modal) { static_cast<QDialog&>(modal).reject(); });
    EXPECT_FALSE(dialogs.open_file("/tmp").has_value());
}

TEST_F(QtDialogsTest, OpenBoxClosesWhenTheLoopQuits) {
    loop.start_timer(20, [&] { loop.quit(); });
    EXPECT_EQ(dialogs.message_box("Do you really want to EXIT?", "Upgrade Not Complete", MB_OKCANCEL), IDCANCEL);
    // Once the program is ending, further boxes answer at once.
    EXPECT_EQ(dialogs.message_box("Upgrade Complete", "Upgrade", MB_OK), IDOK);
}

}  // namespace
}  // namespace fw
