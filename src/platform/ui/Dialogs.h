#pragma once

#include <optional>
#include <string>

namespace fw {

class TForm;

// Message-box flags and answers, with the values of the system's message box.
constexpr int MB_OK = 0;
constexpr int MB_OKCANCEL = 1;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Kinds of message dialog and its buttons (a set of MsgDlgButton bits).
enum class MsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum MsgDlgButton : unsigned {
    mbYes = 1u << 0, mbNo = 1u << 1, mbOK = 1u << 2, mbCancel = 1u << 3,
    mbAbort = 1u << 4, mbRetry = 1u << 5, mbIgnore = 1u << 6,
};
// Modal results.
constexpr int mrNone = 0;
constexpr int mrOk = 1;
constexpr int mrCancel = 2;
constexpr int mrAbort = 3;
constexpr int mrRetry = 4;
constexpr int mrIgnore = 5;
constexpr int mrYes = 6;
constexpr int mrNo = 7;

// Every box and dialog the tool shows goes through this one service. The real
// one shows Qt dialogs; the scripted one records the calls and answers them.
// Message boxes are modal: timers and socket events go on while one is open.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // The application's message box: flags MB_OK or MB_OKCANCEL; returns IDOK or IDCANCEL.
    virtual int message_box(const std::string& text, const std::string& caption, int flags) = 0;
    // The message dialog of a type with a set of buttons; returns the modal result.
    virtual int message_dialog(const std::string& text, MsgDlgType type, unsigned buttons) = 0;
    // The open-file dialog; nothing when the user cancels.
    virtual std::optional<std::string> open_file(const std::string& initial_dir) = 0;
    // The application's standard display of an exception that nobody caught.
    virtual void show_exception(const std::string& message) = 0;
    // A form is about to run modally.
    virtual void modal_form_shown(TForm& form) { (void)form; }
};

// The caption a message dialog of this type carries.
const char* message_dialog_caption(MsgDlgType type);

}  // namespace fw
