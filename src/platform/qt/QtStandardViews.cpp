#include "platform/qt/QtStandardViews.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <memory>

#include "platform/qt/QtEventFilter.h"
#include "platform/qt/QtKeys.h"
#include "platform/qt/QtLook.h"
#include "platform/qt/QtViewRegistry.h"
#include "platform/ui/Controls.h"

namespace fw {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

QtView make_group_box(TGroupBox& model, QWidget* parent, QtViewContext& ctx) {
    auto* w = new QGroupBox(parent);
    QtView view;
    view.widget = w;
    view.apply = [w, &model, &ctx](Property p) {
        if (p == Property::Caption) {
            w->setTitle(qs(model.caption()));
            ctx.show_now(w);
        } else if (p == Property::Color) {
            apply_face_color(w, model.color());
        }
    };
    return view;
}

QtView make_label(TLabel& model, QWidget* parent, QtViewContext& ctx) {
    auto* w = new QLabel(parent);
    w->setTextFormat(Qt::PlainText);
    w->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    if (!model.font.name.empty() || model.font.height != 0) w->setFont(qt_font(model.font, ctx.form_font()));
    QtView view;
    view.widget = w;
    view.apply = [w, &model, &ctx](Property p) {
        if (p == Property::Caption) {
            w->setText(qs(model.caption()));
            ctx.show_now(w);
        } else if (p == Property::Color) {
            apply_face_color(w, model.color());
        }
    };
    return view;
}

QtView make_combo_box(TComboBox& model, QWidget* parent, QtViewContext& ctx) {
    auto* w = new QComboBox(parent);
    w->setEditable(true);
    // The model keeps the list (sorted or not); Qt must neither insert typed
    // texts nor complete them.
    w->setInsertPolicy(QComboBox::NoInsert);
    w->setCompleter(nullptr);
    w->setDuplicatesEnabled(true);
    w->setMaxVisibleItems(8);
    QObject::connect(w, &QComboBox::activated, w, [&model, &ctx](int i) { ctx.user_event([&] { model.user_select(i); }); });
    QObject::connect(w->lineEdit(), &QLineEdit::textEdited, w, [&model, &ctx](const QString& text) {
        ctx.user_event([&] { model.user_type(text.toStdString()); });
    });
    // The box has the focus and hands keys to its edit; its key-press event
    // sees each character before the edit does.
    QtEventFilter::install(w, [&model, &ctx](QObject*, QEvent* e) {
        if (e->type() != QEvent::KeyPress) return false;
        auto* key = static_cast<QKeyEvent*>(e);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            ctx.user_event([&] { model.key_press('\r'); });
            return true;  // Enter is the model's; the box does nothing more with it
        }
        // Tab moves the focus; it is not a character typed into the box.
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) return false;
        const QString text = key->text();
        if (text.size() == 1 && text[0].unicode() < 0x80 && text[0].unicode() != 0) {
            const char c = static_cast<char>(text[0].unicode());
            ctx.user_event([&] { model.key_press(c); });
        }
        return false;
    });
    QtView view;
    view.widget = w;
    auto show_text = [w, &model] {
        const QString text = qs(model.text());
        if (w->lineEdit()->text() != text) w->lineEdit()->setText(text);
    };
    view.apply = [w, &model, show_text](Property p) {
        switch (p) {
            case Property::Items: {
                QStringList items;
                for (const auto& item : model.items()) items << qs(item);
                w->clear();
                w->addItems(items);
                w->setCurrentIndex(model.item_index());
                show_text();
                break;
            }
            case Property::ItemIndex:
                if (w->currentIndex() != model.item_index()) w->setCurrentIndex(model.item_index());
                show_text();
                break;
            case Property::Text: show_text(); break;
            case Property::Color:
                apply_base_color(w, model.color());
                apply_base_color(w->lineEdit(), model.color());
                break;
            default: break;
        }
    };
    return view;
}

QtView make_line_edit(TEdit& model, QLineEdit* w, QtViewContext& ctx) {
    QObject::connect(w, &QLineEdit::textEdited, w, [&model, &ctx](const QString& text) {
        ctx.user_event([&] { model.user_type(text.toStdString()); });
    });
    QtView view;
    view.widget = w;
    view.apply = [w, &model](Property p) {
        if (p == Property::Text) {
            const QString text = qs(model.text());
            if (w->text() != text) w->setText(text);
        } else if (p == Property::Color) {
            apply_base_color(w, model.color());
        }
    };
    return view;
}

QtView make_edit(TEdit& model, QWidget* parent, QtViewContext& ctx) {
    return make_line_edit(model, new QLineEdit(parent), ctx);
}

QtView make_mask_edit(TMaskEdit& model, QWidget* parent, QtViewContext& ctx) {
    auto* w = new QLineEdit(parent);
    QtView view = make_line_edit(model, w, ctx);
    auto base = view.apply;
    view.apply = [w, &model, base](Property p) {
        if (p == Property::Text) {
            if (model.max_length() > 0) w->setMaxLength(model.max_length());
            w->setEchoMode(model.password_char() != 0 ? QLineEdit::Password : QLineEdit::Normal);
        }
        base(p);
    };
    return view;
}

QtView make_button(TButton& model, QWidget* parent, QtViewContext& ctx) {
    auto* w = new QPushButton(parent);
    w->setAutoDefault(false);
    QObject::connect(w, &QPushButton::clicked, w, [&model, &ctx] { ctx.user_event([&] { model.click(); }); });
    // Every key that goes down while the button has the focus, with the
    // modifiers held; the button still handles it (Space clicks).
    QtEventFilter::install(w, [&model, &ctx](QObject*, QEvent* e) {
        if (e->type() != QEvent::KeyPress) return false;
        auto* key = static_cast<QKeyEvent*>(e);
        const std::uint16_t vk = virtual_key(key->key());
        if (vk == 0) return false;
        const ShiftState shift = shift_state(static_cast<unsigned>(key->modifiers().toInt()));
        ctx.user_event([&] { model.key_down(vk, shift); });
        return false;
    });
    QtView view;
    view.widget = w;
    view.apply = [w, &model, &ctx](Property p) {
        if (p == Property::Caption) {
            w->setText(qs(model.caption()));
            ctx.show_now(w);
        } else if (p == Property::Color) {
            apply_face_color(w, model.color());
        }
    };
    return view;
}

QtView make_memo(TMemo& model, QWidget* parent, QtViewContext& ctx) {
    auto* w = new QPlainTextEdit(parent);
    w->setReadOnly(true);
    w->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    w->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    w->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    w->setUndoRedoEnabled(false);  // an undo history of the whole log would only cost memory
    // How many of the model's lines the widget shows; an empty document
    // stands for no lines as well as for one empty line.
    auto shown = std::make_shared<std::size_t>(0);
    QtView view;
    view.widget = w;
    view.apply = [w, &model, &ctx, shown](Property p) {
        switch (p) {
            case Property::Lines: {
                QStringList lines;
                for (const auto& line : model.lines()) lines << qs(line);
                w->setPlainText(lines.join('\n'));
                *shown = model.line_count();
                w->verticalScrollBar()->setValue(w->verticalScrollBar()->maximum());
                ctx.show_now(w);
                break;
            }
            case Property::LineAppended: {
                QScrollBar* bar = w->verticalScrollBar();
                const bool at_end = bar->value() >= bar->maximum();
                // Appending at the end of the document is cheap however long
                // the log has grown.
                QTextCursor cursor(w->document());
                cursor.movePosition(QTextCursor::End);
                for (std::size_t i = *shown; i < model.line_count(); ++i) {
                    if (i > 0) cursor.insertBlock();
                    cursor.insertText(qs(model.lines()[i]));
                }
                *shown = model.line_count();
                if (at_end) bar->setValue(bar->maximum());
                ctx.show_now(w);
                break;
            }
            case Property::Color: apply_base_color(w, model.color()); break;
            default: break;
        }
    };
    return view;
}

QtView make_status_bar(TStatusBar& model, QWidget* parent, QtViewContext& ctx) {
    auto* w = new QStatusBar(parent);
    w->setSizeGripEnabled(false);
    // The text is a label in the bar, which screen readers can read.
    auto* label = new QLabel(w);
    label->setTextFormat(Qt::PlainText);
    label->setAccessibleName(QStatusBar::tr("Status"));
    w->addWidget(label, 1);
    QtView view;
    view.widget = w;
    view.apply = [w, label, &model, &ctx](Property p) {
        if (p == Property::Text) {
            label->setText(qs(model.simple_text()));
            label->setAccessibleDescription(label->text());
            ctx.show_now(w);
        }
    };
    return view;
}

QtView make_progress_bar(TProgressBar& model, QWidget* parent, QtViewContext& ctx) {
    auto* w = new QProgressBar(parent);
    w->setTextVisible(false);
    w->setAccessibleName(QProgressBar::tr("Progress"));
    QtView view;
    view.widget = w;
    view.apply = [w, &model, &ctx](Property p) {
        if (p != Property::Range && p != Property::Position) return;
        // An empty range shows an empty bar (Qt would show a busy indicator).
        const int max = model.max() > model.min() ? model.max() : model.min() + 1;
        if (w->minimum() != model.min() || w->maximum() != max) w->setRange(model.min(), max);
        if (w->value() != model.position()) w->setValue(model.position());
        ctx.show_now(w);
    };
    return view;
}

}  // namespace

void register_standard_views(QtViewRegistry& registry) {
    registry.add<TGroupBox>(make_group_box);
    registry.add<TLabel>(make_label);
    registry.add<TComboBox>(make_combo_box);
    registry.add<TEdit>(make_edit);
    registry.add<TMaskEdit>(make_mask_edit);
    registry.add<TButton>(make_button);
    registry.add<TMemo>(make_memo);
    registry.add<TStatusBar>(make_status_bar);
    registry.add<TProgressBar>(make_progress_bar);
}

}  // namespace fw
