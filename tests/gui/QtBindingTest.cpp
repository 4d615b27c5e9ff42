// The Qt binding between control models and widgets: model changes reach the
// widgets, user input reaches the models' events, and the window manager's
// requests become the form's system commands.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QWindow>

#include <string>
#include <vector>

#include "GuiTestApp.h"
#include "support/NullNetwork.h"
#include "platform/qt/QtBinding.h"
#include "platform/qt/QtEventFilter.h"
#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtEventLoop.h"
#include "platform/runtime/Application.h"
#include "platform/runtime/Environment.h"
#include "platform/runtime/Exception.h"
#include "platform/ui/Controls.h"
#include "platform/ui/ScriptedDialogs.h"
#include "platform/ui/TForm.h"

namespace fw {
namespace {

// A small form with one control of each kind; it records the events the
// binding raises and the system commands its message handler sees.
class SampleForm : public TForm {
public:
    explicit SampleForm(Application& app) : TForm(app, "SampleForm") {
        set_caption("Sample");
        set_client_size(300, 220);
        List.set_bounds(8, 20, 180, 21);
        Go.set_bounds(200, 18, 75, 25);
        Name.set_bounds(8, 50, 180, 21);
        Secret.set_bounds(8, 80, 100, 21);
        Secret.set_max_length(9);
        Secret.set_password_char('*');
        Bar.set_bounds(8, 110, 280, 14);
        Log.set_bounds(8, 130, 280, 60);
        Status.set_bounds(0, 201, 300, 19);
        Group.set_bounds(0, 0, 296, 195);
        Caption.set_bounds(8, 4, 100, 13);
        List.on_change = [this] { changes.push_back(List.text()); };
        List.on_key_press = [this](char& k) { keys.push_back(k); };
        Name.on_change = [this] { name_changes.push_back(Name.text()); };
        Go.on_click = [this] { ++clicks; if (on_go) on_go(); };
        Go.on_key_down = [this](std::uint16_t& k, ShiftState s) { key_downs.push_back({k, s}); };
        on_activate = [this] { ++activations; };
    }

    void WndProc(WindowMessage& m) override {
        if (m.msg == WM_SYSCOMMAND) commands.push_back(m.wparam);
        if (m.msg == WM_SYSCOMMAND && keep_restored && (m.wparam == SC_MINIMIZE || m.wparam == SC_MAXIMIZE))
            m.wparam = SC_RESTORE;
        if (m.msg == WM_SYSCOMMAND && m.wparam == SC_CLOSE && refuse_close) return;
        TForm::WndProc(m);
    }

    TGroupBox Group{"Group", this, "Things"};
    TLabel Caption{"Caption", &Group, "Address"};
    TComboBox List{"List", &Group};
    TButton Go{"Go", &Group, "Go"};
    TEdit Name{"Name", &Group};
    TMaskEdit Secret{"Secret", &Group};
    TProgressBar Bar{"Bar", &Group};
    TMemo Log{"Log", &Group};
    TStatusBar Status{"Status", this};

    std::vector<std::string> changes;
    std::vector<std::string> name_changes;
    std::vector<char> keys;
    std::vector<std::pair<std::uint16_t, ShiftState>> key_downs;
    std::vector<std::uintptr_t> commands;
    int clicks = 0;
    int activations = 0;
    bool keep_restored = false;
    bool refuse_close = false;
    std::function<void()> on_go;
};

class QtBindingTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::gui_app(); }

    QtBindingTest() {
        app.set_binding(&binding);
        binding.set_exception_handler([this](const std::exception& e) { shown.push_back(e.what()); });
    }

    template <class W>
    W& widget(const Control& c) {
        auto* w = dynamic_cast<W*>(binding.widget_for(c));
        EXPECT_NE(w, nullptr) << c.name();
        return *w;
    }
    QWidget& window(const TForm& f) { return *binding.widget_for(f); }

    // Shows the form and makes its window the active one, as a user would find it.
    SampleForm& shown_form() {
        SampleForm& f = app.CreateForm<SampleForm>();
        f.Show();
        activate(f);
        return f;
    }
    void activate(TForm& f) { activate(window(f)); }
    static void activate(QWidget& w) {
        w.activateWindow();
        EXPECT_TRUE(QTest::qWaitFor([&] { return QGuiApplication::focusWindow() == w.windowHandle(); }));
    }

    QtEventLoop loop;
    ScriptedDialogs dialogs;
    test::NullNetwork net;
    MapEnvironment env;
    QtBinding binding{loop};
    Application app{Services{loop, dialogs, net, env, "/nonexistent/fwupgrade"}};
    std::vector<std::string> shown;
};

TEST_F(QtBindingTest, BuildsOneStandardWidgetPerControl) {
    SampleForm& f = shown_form();
    EXPECT_EQ(window(f).windowTitle(), "Sample");
    EXPECT_EQ(window(f).size(), QSize(300, 220));
    EXPECT_EQ(widget<QGroupBox>(f.Group).title(), "Things");
    EXPECT_EQ(widget<QLabel>(f.Caption).text(), "Address");
    EXPECT_EQ(widget<QLabel>(f.Caption).buddy(), &widget<QComboBox>(f.List));
    EXPECT_TRUE(widget<QComboBox>(f.List).isEditable());
    EXPECT_EQ(widget<QPushButton>(f.Go).text(), "Go");
    EXPECT_EQ(widget<QLineEdit>(f.Secret).echoMode(), QLineEdit::Password);
    EXPECT_EQ(widget<QLineEdit>(f.Secret).maxLength(), 9);
    EXPECT_TRUE(widget<QPlainTextEdit>(f.Log).isReadOnly());
    EXPECT_FALSE(widget<QProgressBar>(f.Bar).isTextVisible());
    // Children sit at the model's pixels inside their group.
    EXPECT_EQ(widget<QPushButton>(f.Go).parentWidget(), &widget<QGroupBox>(f.Group));
    EXPECT_EQ(widget<QPushButton>(f.Go).geometry(), QRect(200, 18, 75, 25));
}

TEST_F(QtBindingTest, FontsOfTheFormAndOfALabelWithItsOwn) {
    SampleForm& f = app.CreateForm<SampleForm>();
    f.Caption.font = Font{"Times New Roman", -16, true};
    f.Caption.set_caption("Please Wait ...");
    f.Caption.set_bounds(8, 0, 200, 20);
    f.Group.set_caption("");
    f.Show();
    // The form's MS Sans Serif of height -11: the platform's sans face, 11-pixel characters.
    EXPECT_EQ(window(f).font().pixelSize(), 11);
    EXPECT_EQ(QFontInfo(widget<QPushButton>(f.Go).font()).family(),
              QFontInfo(QFontDatabase::systemFont(QFontDatabase::GeneralFont)).family());
    const QFont label = widget<QLabel>(f.Caption).font();
    EXPECT_EQ(label.pixelSize(), 16);
    EXPECT_TRUE(label.bold());
    // Times New Roman where installed, else a serif face of the platform.
    const QString family = QFontInfo(label).family();  // may carry its foundry: "Nimbus Roman [urw]"
    bool serif = false;
    for (const char* face : {"Times New Roman", "Liberation Serif", "Tinos", "Nimbus Roman", "DejaVu Serif"})
        serif = serif || family.startsWith(face);
    EXPECT_TRUE(serif) << family.toStdString();
    test::save_png(window(f), "fonts");
}

TEST_F(QtBindingTest, ModelChangesReachTheWidgets) {
    SampleForm& f = shown_form();
    f.List.set_sorted(true);
    f.List.add_item("b");
    f.List.add_item("a");
    f.List.set_item_index(1);
    auto& combo = widget<QComboBox>(f.List);
    ASSERT_EQ(combo.count(), 2);
    EXPECT_EQ(combo.itemText(0), "a");
    EXPECT_EQ(combo.itemText(1), "b");
    EXPECT_EQ(combo.currentText(), "b");
    f.List.set_text("10.0.0.1  unConnect");
    EXPECT_EQ(combo.currentText(), "10.0.0.1  unConnect");
    f.List.clear();
    EXPECT_EQ(combo.count(), 0);
    EXPECT_EQ(combo.currentText(), "");

    f.Status.set_simple_text("Please Wait for Searching Router...");
    EXPECT_EQ(widget<QStatusBar>(f.Status).findChild<QLabel*>()->text(), "Please Wait for Searching Router...");
    f.Bar.set_max(40);
    f.Bar.set_position(10);
    EXPECT_EQ(widget<QProgressBar>(f.Bar).maximum(), 40);
    EXPECT_EQ(widget<QProgressBar>(f.Bar).value(), 10);
    f.Bar.set_max(0);  // an empty range is an empty bar, not a busy indicator
    EXPECT_GT(widget<QProgressBar>(f.Bar).maximum(), widget<QProgressBar>(f.Bar).minimum());

    f.Go.set_enabled(false);
    EXPECT_FALSE(widget<QPushButton>(f.Go).isEnabled());
    f.Group.hide();
    EXPECT_FALSE(widget<QGroupBox>(f.Group).isVisible());
    f.Group.show();
    f.Go.set_top(40);
    EXPECT_EQ(widget<QPushButton>(f.Go).y(), 40);
    f.set_client_size(300, 150);
    EXPECT_EQ(window(f).size(), QSize(300, 150));
    f.set_caption("Other");
    EXPECT_EQ(window(f).windowTitle(), "Other");
}

TEST_F(QtBindingTest, ColoursOfTheEdits) {
    SampleForm& f = shown_form();
    auto& edit = widget<QLineEdit>(f.Secret);
    f.Secret.set_color(clWhite);
    EXPECT_EQ(edit.palette().color(QPalette::Base), QColor(Qt::white));
    f.Secret.set_color(clMenu);
    EXPECT_EQ(edit.palette().color(QPalette::Base), QApplication::palette(&edit).color(QPalette::Window));
    f.Secret.set_color(clWindow);
    EXPECT_EQ(edit.palette().color(QPalette::Base), QApplication::palette(&edit).color(QPalette::Base));
    f.Secret.set_color(0x00336699);  // blue 0x33, green 0x66, red 0x99
    EXPECT_EQ(edit.palette().color(QPalette::Base), QColor(0x99, 0x66, 0x33));
}

TEST_F(QtBindingTest, MemoShowsEveryLineInOrder) {
    SampleForm& f = shown_form();
    f.Log.append("");  // the log starts with one empty line
    for (int i = 1; i <= 300; ++i) f.Log.append("line " + std::to_string(i));
    auto& memo = widget<QPlainTextEdit>(f.Log);
    const QTextDocument& doc = *memo.document();
    ASSERT_EQ(doc.blockCount(), 301);
    EXPECT_EQ(doc.findBlockByNumber(0).text(), "");
    EXPECT_EQ(doc.findBlockByNumber(1).text(), "line 1");
    EXPECT_EQ(doc.lastBlock().text(), "line 300");
    // The newest line is in view.
    EXPECT_EQ(memo.verticalScrollBar()->value(), memo.verticalScrollBar()->maximum());
}

TEST_F(QtBindingTest, MemoBuiltLateShowsTheLinesSoFar) {
    SampleForm& f = app.CreateForm<SampleForm>();
    f.Log.append("");
    f.Log.append("Open Write File Handle /tmp/a");
    f.Show();
    f.Log.append("next");
    const QTextDocument& doc = *widget<QPlainTextEdit>(f.Log).document();
    ASSERT_EQ(doc.blockCount(), 3);
    EXPECT_EQ(doc.findBlockByNumber(1).text(), "Open Write File Handle /tmp/a");
    EXPECT_EQ(doc.lastBlock().text(), "next");
}

// Counts the paint events a widget gets.
int paints_during(QWidget& w, const std::function<void()>& act) {
    int paints = 0;
    QtEventFilter counter(nullptr, [&](QObject*, QEvent* e) {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
    });
    w.installEventFilter(&counter);
    act();
    w.removeEventFilter(&counter);
    return paints;
}

TEST_F(QtBindingTest, ChangesArePaintedWithoutDispatchingEvents) {
    SampleForm& f = shown_form();
    QApplication::processEvents();
    QLabel& status = *widget<QStatusBar>(f.Status).findChild<QLabel*>();
    // No event is dispatched between the change and the count: painted at once.
    EXPECT_GE(paints_during(status, [&] { f.Status.set_simple_text("Rebooting Router..."); }), 1);
    // A quick second change waits for the next look at the clock, which is
    // what a wait that dispatches nothing does.
    EXPECT_GE(paints_during(status,
                            [&] {
                                f.Status.set_simple_text("Please Wait for Searching Router...");
                                loop.clock().sleep_ms(1);
                            }),
              1);
    EXPECT_EQ(status.text(), "Please Wait for Searching Router...");
}

TEST_F(QtBindingTest, ClickRaisesTheButtonsEventOnlyWhenEnabled) {
    SampleForm& f = shown_form();
    QTest::mouseClick(&widget<QPushButton>(f.Go), Qt::LeftButton);
    EXPECT_EQ(f.clicks, 1);
    f.Go.set_enabled(false);
    QTest::mouseClick(&widget<QPushButton>(f.Go), Qt::LeftButton);
    EXPECT_EQ(f.clicks, 1);
}

TEST_F(QtBindingTest, TypingInTheListRaisesKeyPressThenChange) {
    SampleForm& f = shown_form();
    f.List.add_item("192.168.0.1  crash");
    auto& combo = widget<QComboBox>(f.List);
    combo.setFocus();
    QTest::keyClicks(&combo, "10.1");
    EXPECT_EQ(f.List.text(), "10.1");
    EXPECT_EQ(f.keys, (std::vector<char>{'1', '0', '.', '1'}));
    ASSERT_EQ(f.changes.size(), 4u);
    EXPECT_EQ(f.changes.back(), "10.1");
    QTest::keyClick(&combo, Qt::Key_Return);
    EXPECT_EQ(f.keys.back(), '\r');
    EXPECT_EQ(f.changes.size(), 4u);  // Enter is a key press, not a change
    EXPECT_EQ(combo.count(), 1);      // and Qt inserts nothing of its own
    EXPECT_EQ(f.List.items().size(), 1u);
    QTest::keyClick(&combo, Qt::Key_Tab);  // moves on; not a character for the box
    EXPECT_EQ(f.keys.back(), '\r');
}

TEST_F(QtBindingTest, ChoosingAnItemRaisesChangeWithItsText) {
    SampleForm& f = shown_form();
    f.List.add_item("192.168.0.1");
    f.List.add_item("192.168.0.2  crash");
    f.List.set_item_index(0);
    auto& combo = widget<QComboBox>(f.List);
    combo.setFocus();
    QTest::keyClick(&combo, Qt::Key_Down);
    EXPECT_EQ(f.List.item_index(), 1);
    ASSERT_EQ(f.changes.size(), 1u);
    EXPECT_EQ(f.changes[0], "192.168.0.2  crash");
}

TEST_F(QtBindingTest, TextSetByTheModelRaisesNoChange) {
    SampleForm& f = shown_form();
    f.Name.set_text("/tmp/firmware.bin");
    f.List.set_text("10.0.0.1");
    EXPECT_EQ(widget<QLineEdit>(f.Name).text(), "/tmp/firmware.bin");
    EXPECT_TRUE(f.name_changes.empty());
    EXPECT_TRUE(f.changes.empty());
    auto& edit = widget<QLineEdit>(f.Name);
    edit.setFocus();
    QTest::keyClick(&edit, Qt::Key_X);
    ASSERT_EQ(f.name_changes.size(), 1u);
    EXPECT_EQ(f.name_changes[0], "/tmp/firmware.binx");
}

TEST_F(QtBindingTest, PasswordIsCutToItsLength) {
    SampleForm& f = shown_form();
    auto& edit = widget<QLineEdit>(f.Secret);
    edit.setFocus();
    QTest::keyClicks(&edit, "0123456789ab");
    EXPECT_EQ(f.Secret.text(), "012345678");
}

struct KeyCase {
    std::string name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    std::uint16_t vk;
    ShiftState shift;
};

void PrintTo(const KeyCase& c, std::ostream* os) { *os << c.name; }

class ButtonKeyDown : public QtBindingTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(ButtonKeyDown, ReachesTheModelWithItsShiftState) {
    SampleForm& f = shown_form();
    auto& button = widget<QPushButton>(f.Go);
    button.setFocus();
    QTest::keyClick(&button, GetParam().key, GetParam().modifiers);
    ASSERT_FALSE(f.key_downs.empty());
    EXPECT_EQ(f.key_downs.back().first, GetParam().vk);
    EXPECT_EQ(f.key_downs.back().second, GetParam().shift);
}

INSTANTIATE_TEST_SUITE_P(Keys, ButtonKeyDown,
                         ::testing::Values(KeyCase{"AltF1", Qt::Key_F1, Qt::AltModifier, VK_F1, ssAlt},
                                           KeyCase{"AltF2", Qt::Key_F2, Qt::AltModifier, VK_F2, ssAlt},
                                           KeyCase{"CtrlAltF3", Qt::Key_F3, Qt::AltModifier | Qt::ControlModifier, VK_F3,
                                                   ssAlt | ssCtrl},
                                           KeyCase{"PlainF1", Qt::Key_F1, Qt::NoModifier, VK_F1, 0},
                                           KeyCase{"ShiftA", Qt::Key_A, Qt::ShiftModifier, 'A', ssShift}),
                         [](const auto& info) { return info.param.name; });

TEST_F(QtBindingTest, FocusFollowsBothWays) {
    SampleForm& f = shown_form();
    f.Name.set_focus();
    EXPECT_TRUE(widget<QLineEdit>(f.Name).hasFocus());
    widget<QPushButton>(f.Go).setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(f.Go.focused());
    EXPECT_FALSE(f.Name.focused());
}

TEST_F(QtBindingTest, CloseRequestGoesThroughTheMessageHandler) {
    SampleForm& main = shown_form();
    SampleForm& second = app.CreateForm<SampleForm>();
    second.Show();
    second.refuse_close = true;
    window(second).close();
    EXPECT_EQ(second.commands, (std::vector<std::uintptr_t>{SC_CLOSE}));
    EXPECT_TRUE(window(second).isVisible());  // the handler kept it open
    second.refuse_close = false;
    window(second).close();
    EXPECT_FALSE(window(second).isVisible());  // the default handler closed (hid) it
    EXPECT_TRUE(second.visible() == false);
    EXPECT_FALSE(app.terminated());
    window(main).close();  // closing the main window ends the program
    EXPECT_TRUE(app.terminated());
}

TEST_F(QtBindingTest, MinimiseReplacedByRestoreKeepsTheWindowNormal) {
    SampleForm& f = shown_form();
    f.keep_restored = true;
    window(f).setWindowState(Qt::WindowMinimized);
    QApplication::processEvents();
    QApplication::processEvents();
    ASSERT_FALSE(f.commands.empty());
    EXPECT_EQ(f.commands.front(), SC_MINIMIZE);
    EXPECT_EQ(f.window_state(), WindowState::Normal);
    EXPECT_FALSE(window(f).windowState() & Qt::WindowMinimized);
}

TEST_F(QtBindingTest, MinimiseLeftToTheDefaultHandlerMinimises) {
    SampleForm& f = shown_form();
    window(f).setWindowState(Qt::WindowMinimized);
    QApplication::processEvents();
    EXPECT_EQ(f.commands, (std::vector<std::uintptr_t>{SC_MINIMIZE}));
    EXPECT_EQ(f.window_state(), WindowState::Minimized);
    EXPECT_TRUE(window(f).windowState() & Qt::WindowMinimized);
}

TEST_F(QtBindingTest, ExceptionsFromHandlersGoToTheExceptionDisplay) {
    SampleForm& f = shown_form();
    f.on_go = [] { throw ESocketError("Host not found"); };
    QTest::mouseClick(&widget<QPushButton>(f.Go), Qt::LeftButton);
    EXPECT_EQ(shown, (std::vector<std::string>{"Host not found"}));
    // The window goes on working.
    f.on_go = nullptr;
    QTest::mouseClick(&widget<QPushButton>(f.Go), Qt::LeftButton);
    EXPECT_EQ(f.clicks, 2);
}

TEST_F(QtBindingTest, FormReleasedInsideItsOwnClickIsDestroyedSafely) {
    SampleForm& main = shown_form();
    (void)main;
    SampleForm& second = app.CreateForm<SampleForm>();
    second.Show();
    auto guard = second.guard();
    QPointer<QWidget> second_window = &window(second);
    QPushButton* button = &widget<QPushButton>(second.Go);
    second.on_go = [&] {
        second.Release();
        // A nested wait inside the click: the release is carried out in it.
        loop.run_until([&] { return !guard.alive() && second_window && !second_window->isVisible(); });
    };
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_FALSE(guard.alive());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
    EXPECT_TRUE(second_window.isNull());
}

TEST_F(QtBindingTest, ModalFormIsApplicationModalWhileItRuns) {
    SampleForm& main = shown_form();
    SampleForm& search = app.CreateForm<SampleForm>();
    bool was_modal = false;
    const EventLoop::Id id = loop.start_timer(20, [&] {
        was_modal = window(search).isVisible() && window(search).windowModality() == Qt::ApplicationModal &&
                    QApplication::activeModalWidget() == &window(search);
        search.Close();  // what the search dialog does when its search is done
    });
    EXPECT_EQ(search.ShowModal(), mrCancel);
    loop.stop_timer(id);
    EXPECT_TRUE(was_modal);
    EXPECT_FALSE(window(search).isVisible());
    EXPECT_EQ(window(search).windowModality(), Qt::NonModal);
    // Back on the main window after the modal window closed: no activation.
    activate(main);
    EXPECT_EQ(main.activations, 0);
    EXPECT_EQ(search.activations, 1);  // raised by the modal run itself
}

TEST_F(QtBindingTest, ActivatedWhenComingBackFromAnotherOwnWindowOnly) {
    SampleForm& main = shown_form();
    SampleForm& other = app.CreateForm<SampleForm>();
    other.Show();
    activate(other);
    activate(main);
    EXPECT_EQ(main.activations, 1);

    // A message box over the main window closes: no new activation.
    QtDialogs real_dialogs(loop);
    test::when_modal_opens([](QWidget& box) { static_cast<QMessageBox&>(box).buttons().front()->click(); });
    real_dialogs.message_box("Upgrade Complete", "Upgrade", MB_OK);
    activate(main);
    EXPECT_EQ(main.activations, 1);

    // Nor after a window of the program that is not a form.
    QWidget foreign;
    foreign.show();
    activate(foreign);
    activate(main);
    EXPECT_EQ(main.activations, 1);

}

}  // namespace
}  // namespace fw
