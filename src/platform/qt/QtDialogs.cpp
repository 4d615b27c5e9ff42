#include "platform/qt/QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

#include <utility>
#include <vector>

#include "platform/qt/QtEventLoop.h"

namespace fw {

namespace {

// Answers of the system message box beyond the ones the tool names.
constexpr int kIdAbort = 3;
constexpr int kIdRetry = 4;
constexpr int kIdIgnore = 5;

QWidget* dialog_parent() {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return QApplication::activeWindow();
}

QString qs(const std::string& s) { return QString::fromStdString(s); }

// Whether a dialog asked for while the program is ending is still shown.
enum class WhenQuitting { AnswerAtOnce, ShowAnyway };

// Runs a dialog modally; it is closed (rejected) when the loop quits. Returns
// false when the dialog did not survive its own run.
bool run_modal(QDialog* dialog, QtEventLoop& loop, WhenQuitting when_quitting = WhenQuitting::AnswerAtOnce) {
    QPointer<QDialog> guard(dialog);
    dialog->setWindowModality(Qt::ApplicationModal);
    if (loop.quitting() && when_quitting == WhenQuitting::AnswerAtOnce) return true;
    const EventLoop::Id hook = loop.on_quit([guard] {
        if (guard) guard->reject();
    });
    dialog->exec();
    loop.remove_on_quit(hook);
    return !guard.isNull();
}

struct BoxButton {
    QString caption;
    QMessageBox::ButtonRole role;
    int answer;
};

// Shows a box with the given buttons; the answer of the pressed one, or
// `dismissed` when none was pressed (closed, or the program is ending).
int run_box(QtEventLoop& loop, QMessageBox::Icon icon, const QString& caption, const QString& text,
            const std::vector<BoxButton>& buttons, int default_index, int escape_index, int dismissed,
            WhenQuitting when_quitting = WhenQuitting::AnswerAtOnce) {
    auto* box = new QMessageBox(dialog_parent());
    QPointer<QMessageBox> guard(box);
    box->setIcon(icon);
    box->setWindowTitle(caption);
    box->setTextFormat(Qt::PlainText);
    box->setText(text);
    box->setAccessibleName(caption);
    box->setAccessibleDescription(text);
    std::vector<std::pair<QAbstractButton*, int>> answers;
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        QPushButton* b = box->addButton(buttons[i].caption, buttons[i].role);
        answers.emplace_back(b, buttons[i].answer);
        if (int(i) == default_index) box->setDefaultButton(b);
        if (int(i) == escape_index) box->setEscapeButton(b);
    }
    int result = dismissed;
    if (run_modal(box, loop, when_quitting) && guard) {
        QAbstractButton* clicked = box->clickedButton();
        for (const auto& [b, answer] : answers)
            if (b == clicked) result = answer;
    }
    delete guard.data();
    return result;
}

}  // namespace

int QtDialogs::message_box(const std::string& text, const std::string& caption, int flags) {
    const QString ok = QMessageBox::tr("OK"), cancel = QMessageBox::tr("Cancel");
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (flags & 0xF0) {
        case 0x10: icon = QMessageBox::Critical; break;
        case 0x20: icon = QMessageBox::Question; break;
        case 0x30: icon = QMessageBox::Warning; break;
        case 0x40: icon = QMessageBox::Information; break;
        default: break;
    }
    std::vector<BoxButton> buttons;
    int escape = -1;
    int dismissed = IDCANCEL;
    switch (flags & 0x0F) {
        case MB_OKCANCEL:
            buttons = {{ok, QMessageBox::AcceptRole, IDOK}, {cancel, QMessageBox::RejectRole, IDCANCEL}};
            escape = 1;
            break;
        case 2:  // abort, retry, ignore
            buttons = {{QMessageBox::tr("&Abort"), QMessageBox::RejectRole, kIdAbort},
                       {QMessageBox::tr("&Retry"), QMessageBox::AcceptRole, kIdRetry},
                       {QMessageBox::tr("&Ignore"), QMessageBox::AcceptRole, kIdIgnore}};
            dismissed = kIdAbort;
            break;
        case 3:  // yes, no, cancel
            buttons = {{QMessageBox::tr("&Yes"), QMessageBox::YesRole, IDYES},
                       {QMessageBox::tr("&No"), QMessageBox::NoRole, IDNO},
                       {cancel, QMessageBox::RejectRole, IDCANCEL}};
            escape = 2;
            break;
        case 4:  // yes, no
            buttons = {{QMessageBox::tr("&Yes"), QMessageBox::YesRole, IDYES},
                       {QMessageBox::tr("&No"), QMessageBox::NoRole, IDNO}};
            dismissed = IDNO;
            break;
        case 5:  // retry, cancel
            buttons = {{QMessageBox::tr("&Retry"), QMessageBox::AcceptRole, kIdRetry},
                       {cancel, QMessageBox::RejectRole, IDCANCEL}};
            escape = 1;
            break;
        default:  // one OK button; closing the box answers OK
            buttons = {{ok, QMessageBox::AcceptRole, IDOK}};
            escape = 0;
            dismissed = IDOK;
            break;
    }
    return run_box(loop_, icon, qs(caption), qs(text), buttons, 0, escape, dismissed);
}

int QtDialogs::message_dialog(const std::string& text, MsgDlgType type, unsigned buttons) {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (type) {
        case MsgDlgType::mtWarning: icon = QMessageBox::Warning; break;
        case MsgDlgType::mtError: icon = QMessageBox::Critical; break;
        case MsgDlgType::mtInformation: icon = QMessageBox::Information; break;
        case MsgDlgType::mtConfirmation: icon = QMessageBox::Question; break;
        case MsgDlgType::mtCustom: break;
    }
    // The buttons in the order and with the captions of the platform's message dialog.
    const BoxButton all[] = {
        {QMessageBox::tr("&Yes"), QMessageBox::YesRole, mrYes},
        {QMessageBox::tr("&No"), QMessageBox::NoRole, mrNo},
        {QMessageBox::tr("OK"), QMessageBox::AcceptRole, mrOk},
        {QMessageBox::tr("Cancel"), QMessageBox::RejectRole, mrCancel},
        {QMessageBox::tr("&Abort"), QMessageBox::RejectRole, mrAbort},
        {QMessageBox::tr("&Retry"), QMessageBox::AcceptRole, mrRetry},
        {QMessageBox::tr("&Ignore"), QMessageBox::AcceptRole, mrIgnore},
    };
    const unsigned bits[] = {mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore};
    std::vector<BoxButton> chosen;
    int default_index = -1, escape = -1, ok_at = -1, yes_at = -1, no_at = -1;
    for (std::size_t i = 0; i < std::size(all); ++i) {
        if (!(buttons & bits[i])) continue;
        const int at = int(chosen.size());
        if (bits[i] == mbOK) ok_at = at;
        if (bits[i] == mbYes) yes_at = at;
        if (bits[i] == mbNo) no_at = at;
        if (bits[i] == mbCancel) escape = at;
        chosen.push_back(all[i]);
    }
    if (chosen.empty()) {
        chosen.push_back(all[2]);
        ok_at = 0;
    }
    default_index = ok_at >= 0 ? ok_at : (yes_at >= 0 ? yes_at : 0);
    if (escape < 0) escape = no_at;
    return run_box(loop_, icon, QString::fromUtf8(message_dialog_caption(type)), qs(text), chosen, default_index,
                   escape, mrCancel);
}

std::optional<std::string> QtDialogs::open_file(const std::string& initial_dir) {
    auto* dialog = new QFileDialog(dialog_parent(), QFileDialog::tr("Open"), qs(initial_dir));
    QPointer<QFileDialog> guard(dialog);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    std::optional<std::string> chosen;
    if (run_modal(dialog, loop_) && guard && dialog->result() == QDialog::Accepted) {
        const QStringList files = dialog->selectedFiles();
        if (!files.isEmpty() && !files.front().isEmpty()) chosen = files.front().toStdString();
    }
    delete guard.data();
    return chosen;
}

void QtDialogs::show_exception(const std::string& message) {
    // The last word of a program that is ending is still shown.
    run_box(loop_, QMessageBox::Critical, QCoreApplication::applicationName(), qs(message),
            {{QMessageBox::tr("OK"), QMessageBox::AcceptRole, IDOK}}, 0, 0, IDOK, WhenQuitting::ShowAnyway);
}

}  // namespace fw
