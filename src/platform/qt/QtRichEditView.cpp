#include "platform/qt/QtRichEditView.h"

#include <QApplication>
#include <QPalette>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include "platform/qt/QtLook.h"
#include "platform/qt/QtViewContext.h"
#include "platform/ui/TRichEdit.h"

namespace fw {

namespace {

Qt::ScrollBarPolicy policy(bool wanted) { return wanted ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff; }

QTextCharFormat char_format(const RichTextRun& run) {
    QTextCharFormat format;
    format.setFontWeight(run.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(run.italic);
    format.setFontUnderline(run.underline);
    if (run.color) format.setForeground(QColor(run.color->red, run.color->green, run.color->blue));
    if (run.point_size && *run.point_size > 0) format.setFontPointSize(*run.point_size);
    return format;
}

// Line breaks inside a paragraph stay inside it; Qt would start a new paragraph at "\n".
QString run_text(const RichTextRun& run) {
    QString text = QString::fromUtf8(run.text.data(), static_cast<qsizetype>(run.text.size()));
    text.replace(QChar('\n'), QChar(QChar::LineSeparator));
    return text;
}

void render(QTextEdit* w, const RichDocument& document) {
    QTextDocument* doc = w->document();
    doc->clear();
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    bool first = true;
    for (const RichTextParagraph& paragraph : document.paragraphs) {
        if (!first) cursor.insertBlock();
        first = false;
        // An empty paragraph keeps the height of the text before it.
        if (paragraph.runs.empty()) continue;
        for (const RichTextRun& run : paragraph.runs) cursor.insertText(run_text(run), char_format(run));
    }
    cursor.endEditBlock();
    w->moveCursor(QTextCursor::Start);
}

// The text area takes the model's colour; the default text colour is chosen
// to stay readable on it, whatever the desktop's colour scheme.
void apply_colors(QTextEdit* w, TColor color) {
    apply_base_color(w, color);
    QPalette p = w->palette();
    const QColor base = p.color(QPalette::Base);
    if (!is_system_color(color)) p.setColor(QPalette::Text, base.lightnessF() > 0.5 ? Qt::black : Qt::white);
    w->setPalette(p);
}

}  // namespace

QtView make_rich_edit_view(TRichEdit& model, QWidget* parent, QtViewContext& ctx) {
    auto* w = new QTextEdit(parent);
    w->setAcceptRichText(false);  // nothing is pasted in; the document comes from the model only
    w->setUndoRedoEnabled(false);
    w->setFont(ctx.form_font());
    w->document()->setDefaultFont(ctx.form_font());
    // Text kept off the frame reads better than text pressed against it.
    w->document()->setDocumentMargin(8);
    w->setTabChangesFocus(true);
    w->setFrameShape(QFrame::StyledPanel);
    QtView view;
    view.widget = w;
    view.apply = [w, &model, &ctx](Property p) {
        switch (p) {
            case Property::Content:
                // The model's settings go with its content, which is always loaded after them.
                w->setReadOnly(model.read_only);
                // Read-only text can still be walked and selected with the keyboard.
                if (model.read_only)
                    w->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
                w->setLineWrapMode(model.word_wrap ? QTextEdit::WidgetWidth : QTextEdit::NoWrap);
                w->setHorizontalScrollBarPolicy(policy(model.scroll_bars == ScrollBars::Horizontal ||
                                                       model.scroll_bars == ScrollBars::Both));
                w->setVerticalScrollBarPolicy(policy(model.scroll_bars == ScrollBars::Vertical ||
                                                     model.scroll_bars == ScrollBars::Both));
                render(w, model.document());
                w->setAccessibleDescription(QString::fromStdString(model.plain_text()));
                ctx.show_now(w);
                break;
            case Property::Color: apply_colors(w, model.color()); break;
            default: break;
        }
    };
    return view;
}

}  // namespace fw
