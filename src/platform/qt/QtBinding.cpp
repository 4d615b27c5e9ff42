#include "platform/qt/QtBinding.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScreen>
#include <QWindow>

#include <chrono>
#include <iostream>
#include <stdexcept>
#include <unordered_map>
#include <vector>

#include "platform/qt/ActivationRule.h"
#include "platform/qt/QtEventLoop.h"
#include "platform/qt/QtFormWindow.h"
#include "platform/qt/QtLook.h"
#include "platform/qt/QtStandardViews.h"
#include "platform/qt/QtViewRegistry.h"
#include "platform/runtime/Application.h"
#include "platform/ui/TForm.h"
#include "platform/ui/WindowMessage.h"

namespace fw {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

// Counts a nesting level for the time of a scope.
class Depth {
public:
    explicit Depth(int& n) : n_(n) { ++n_; }
    ~Depth() { --n_; }
    Depth(const Depth&) = delete;
    Depth& operator=(const Depth&) = delete;

private:
    int& n_;
};

// The properties a view's apply is called with when its widget is built, in
// this order (the items of a list before its selection and its text).
constexpr Property kInitialProperties[] = {
    Property::Caption, Property::Color, Property::Items, Property::ItemIndex, Property::Text,
    Property::Lines,   Property::Range, Property::Position, Property::Content,
};

}  // namespace

class FormState;

class QtBindingImpl {
public:
    explicit QtBindingImpl(QtEventLoop& loop);
    ~QtBindingImpl();

    // Painting of changes made outside the loop's dispatch.
    enum class Throttle { Respect, Ignore };
    void paint_now(QWidget* widget);
    void paint_pending(Throttle throttle);

    void guarded(const std::function<void()>& call) const;
    FormState* live_state(const TForm& form) const;
    FormState& build(TForm& form);
    void on_focus_changed(QWidget* now);
    void on_focus_window(QWindow* window);

    QtEventLoop& loop;
    QtViewRegistry registry;
    std::function<void(const std::exception&)> on_exception;
    // When each widget was last painted at once, and those changed since.
    std::unordered_map<const QWidget*, std::int64_t> painted_at;
    std::vector<QPointer<QWidget>> unpainted;
    // Every form state ever made stays until the binding goes: widgets of a
    // destroyed form are deleted later, and their connections point here.
    std::vector<std::unique_ptr<FormState>> states;
    std::unordered_map<const TForm*, FormState*> live;
    std::unordered_map<const QWidget*, std::pair<FormState*, Control*>> by_widget;
    ActivationRule activation;
    QMetaObject::Connection focus_connection;
    QMetaObject::Connection window_connection;
};

// The widgets of one form and the mirroring between them and the models.
class FormState final : public QtViewContext {
public:
    FormState(QtBindingImpl& impl, TForm& form) : impl(impl), form(&form) {}

    void user_event(const std::function<void()>& call) override {
        if (!alive || mirroring_depth > 0) return;
        impl.guarded(call);
    }
    bool mirroring() const override { return mirroring_depth > 0; }
    void show_now(QWidget* widget) override {
        if (alive) impl.paint_now(widget);
    }
    QFont form_font() const override { return font; }

    void build_children(Control& parent, QWidget* parent_widget);
    void mirror(Control& control, Property p);
    void apply_form(Property p);
    void place_window();
    void sync_window_state();
    void on_window_state_change();

    QtBindingImpl& impl;
    TForm* form;
    QPointer<QtFormWindow> window;
    QFont font;
    std::unordered_map<const Control*, QtView> views;
    bool alive = true;
    bool shown_once = false;
    bool shown_modally = false;
    bool focusing_from_user = false;
    bool state_sync_queued = false;
    int mirroring_depth = 0;
    int applying_state = 0;
    QPoint placed;
};

QtBindingImpl::QtBindingImpl(QtEventLoop& loop) : loop(loop) {
    register_standard_views(registry);
    loop.blocking_aware_clock().on_use = [this](BlockingAwareClock::Use use) {
        if (!unpainted.empty()) paint_pending(use == BlockingAwareClock::Use::Sleep ? Throttle::Ignore : Throttle::Respect);
    };
    focus_connection = QObject::connect(qApp, &QApplication::focusChanged, [this](QWidget*, QWidget* now) {
        on_focus_changed(now);
    });
    window_connection = QObject::connect(qApp, &QGuiApplication::focusWindowChanged, [this](QWindow* w) {
        on_focus_window(w);
    });
}

QtBindingImpl::~QtBindingImpl() {
    loop.blocking_aware_clock().on_use = nullptr;
    QObject::disconnect(focus_connection);
    QObject::disconnect(window_connection);
    // Forms that outlive the binding must not call into it any more.
    std::function<void(Control&)> forget = [&](Control& c) {
        c.observer = nullptr;
        for (Control* child : c.children()) forget(*child);
    };
    for (auto& [form, st] : live) {
        st->alive = false;
        forget(*st->form);
    }
    for (auto& st : states) delete st->window.data();
}

void QtBindingImpl::guarded(const std::function<void()>& call) const {
    auto report = [this](const std::exception& e) {
        if (on_exception) on_exception(e);
        else std::cerr << e.what() << '\n';
    };
    // Qt cannot carry an exception through its event dispatch.
    try {
        call();
    } catch (const std::exception& e) {
        report(e);
    } catch (...) {
        report(std::runtime_error("Unknown exception"));
    }
}

namespace {

// Painting a widget costs about half a millisecond; a log that grows by
// thousands of lines a second must not spend its time there.
constexpr std::int64_t kPaintIntervalMs = 20;

std::int64_t steady_ms() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

void QtBindingImpl::paint_now(QWidget* widget) {
    paint_pending(Throttle::Respect);
    if (!widget->isVisible()) return;
    const std::int64_t now = steady_ms();
    // Entries of widgets that are gone stay; there are only ever a few dozen.
    auto it = painted_at.try_emplace(widget, 0).first;
    if (now - it->second >= kPaintIntervalMs) {
        // Painted without dispatching anything: the caller may be in the
        // middle of a wait that lets no event through.
        widget->repaint();
        it->second = now;
        return;
    }
    // Painted by the loop when it runs, or by the next look at the clock.
    widget->update();
    for (const auto& p : unpainted)
        if (p == widget) return;
    unpainted.emplace_back(widget);
}

void QtBindingImpl::paint_pending(Throttle throttle) {
    if (unpainted.empty()) return;
    const std::int64_t now = steady_ms();
    std::vector<QPointer<QWidget>> later;
    for (auto& w : unpainted) {
        if (!w) continue;
        std::int64_t& at = painted_at[w.data()];
        if (throttle == Throttle::Respect && now - at < kPaintIntervalMs) {
            later.push_back(w);
            continue;
        }
        if (w->isVisible()) w->repaint();
        at = now;
    }
    unpainted = std::move(later);
}

FormState* QtBindingImpl::live_state(const TForm& form) const {
    auto it = live.find(&form);
    return it == live.end() ? nullptr : it->second;
}

FormState& QtBindingImpl::build(TForm& form) {
    states.push_back(std::make_unique<FormState>(*this, form));
    FormState* st = states.back().get();
    live[&form] = st;

    const bool main = &form == form.application().main_form();
    Qt::WindowFlags flags = main ? Qt::Window : Qt::Dialog;
    if (form.border_style == BorderStyle::Dialog) {
        // A dialog frame: title and close box, no minimise or maximise box.
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    }
    auto* window = new QtFormWindow(flags);
    st->window = window;
    st->font = qt_font(form.font, QApplication::font());
    window->setFont(st->font);
    window->on_close_request = [st] { st->user_event([st] { st->form->system_command(SC_CLOSE); }); };
    window->on_state_change = [st] { st->on_window_state_change(); };

    QtView view;
    view.widget = window;
    view.children_parent = window;
    view.apply = [st](Property p) { st->apply_form(p); };
    st->views.emplace(&form, std::move(view));
    by_widget[window] = {st, &form};
    form.observer = [st](Control& c, Property p) { st->mirror(c, p); };
    {
        Depth d(st->mirroring_depth);
        st->apply_form(Property::Caption);
        st->apply_form(Property::Geometry);
        st->apply_form(Property::Color);
    }
    st->build_children(form, window);
    return *st;
}

void FormState::build_children(Control& parent, QWidget* parent_widget) {
    for (Control* c : parent.children()) {
        auto it = views.find(c);
        if (it == views.end()) {
            QtView view = impl.registry.make(*c, parent_widget, *this);
            if (!view.children_parent) view.children_parent = view.widget;
            if (!view.apply) view.apply = [](Property) {};
            it = views.emplace(c, std::move(view)).first;
            QWidget* w = it->second.widget;
            impl.by_widget[w] = {this, c};
            Depth d(mirroring_depth);
            w->setGeometry(c->left(), c->top(), c->width(), c->height());
            w->setEnabled(c->enabled());
            for (Property p : kInitialProperties) it->second.apply(p);
            w->setVisible(c->visible());
            c->observer = [this](Control& changed, Property p) { mirror(changed, p); };
            if (c->focused()) w->setFocus(Qt::OtherFocusReason);
        }
        build_children(*c, it->second.children_parent);
    }
    // Screen readers name an input after the label before it, or after its
    // group's caption when it has no label.
    QLabel* label = nullptr;
    for (Control* c : parent.children()) {
        QWidget* w = views.at(c).widget;
        if (auto* l = qobject_cast<QLabel*>(w)) {
            label = l;
            continue;
        }
        const bool input = qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) ||
                           qobject_cast<QAbstractScrollArea*>(w);
        if (!input) continue;
        if (label) {
            label->setBuddy(w);
            label = nullptr;
        } else if (auto* group = qobject_cast<QGroupBox*>(parent_widget);
                   group && !group->title().isEmpty() && w->accessibleName().isEmpty()) {
            w->setAccessibleName(group->title());
        }
    }
}

void FormState::mirror(Control& control, Property p) {
    if (!alive) return;
    auto it = views.find(&control);
    if (it == views.end()) return;
    Depth d(mirroring_depth);
    if (&control == form) {
        apply_form(p);
        return;
    }
    QWidget* w = it->second.widget;
    switch (p) {
        case Property::Geometry: w->setGeometry(control.left(), control.top(), control.width(), control.height()); break;
        case Property::Visible: w->setVisible(control.visible()); break;
        case Property::Enabled: w->setEnabled(control.enabled()); break;
        case Property::Focus:
            if (!focusing_from_user) w->setFocus(Qt::OtherFocusReason);
            break;
        default: it->second.apply(p); break;
    }
}

void FormState::apply_form(Property p) {
    if (!window) return;
    switch (p) {
        case Property::Caption: window->setWindowTitle(qs(form->caption())); break;
        case Property::Geometry: {
            const QSize size(form->client_width(), form->client_height());
            if (form->border_style == BorderStyle::Dialog) {
                if (window->minimumSize() != size || window->maximumSize() != size) window->setFixedSize(size);
            } else {
                window->resize(size);
            }
            if (shown_once && form->position == FormPosition::Designed && placed != QPoint(form->left(), form->top())) {
                placed = QPoint(form->left(), form->top());
                window->move(placed);
            }
            sync_window_state();
            break;
        }
        case Property::Color: apply_face_color(window, form->color()); break;
        default: break;  // visibility follows form_shown and form_hidden
    }
}

void FormState::place_window() {
    if (form->position == FormPosition::ScreenCenter) {
        QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
        if (!screen) return;
        const QRect area = screen->availableGeometry();
        // The outer size, frame included, is centred.
        window->move(area.x() + (area.width() - form->width()) / 2, area.y() + (area.height() - form->height()) / 2);
    } else {
        placed = QPoint(form->left(), form->top());
        window->move(placed);
    }
}

namespace {

Qt::WindowStates qt_state(WindowState s) {
    switch (s) {
        case WindowState::Minimized: return Qt::WindowMinimized;
        case WindowState::Maximized: return Qt::WindowMaximized;
        case WindowState::Normal: break;
    }
    return Qt::WindowNoState;
}

constexpr Qt::WindowStates kSizeStates = Qt::WindowMinimized | Qt::WindowMaximized;

}  // namespace

void FormState::sync_window_state() {
    if (!window || !window->isVisible() || state_sync_queued) return;
    if ((window->windowState() & kSizeStates) == qt_state(form->window_state())) return;
    // Not from inside the window's own state-change event: later, from the loop.
    state_sync_queued = true;
    QMetaObject::invokeMethod(
        window,
        [this] {
            state_sync_queued = false;
            if (!alive || !window) return;
            const Qt::WindowStates want = qt_state(form->window_state());
            if ((window->windowState() & kSizeStates) == want) return;
            Depth d(applying_state);
            window->setWindowState((window->windowState() & ~kSizeStates) | want);
            if (want == Qt::WindowNoState) {
                window->show();
                window->raise();
                window->activateWindow();
            }
        },
        Qt::QueuedConnection);
}

void FormState::on_window_state_change() {
    if (!alive || !window || applying_state > 0) return;
    const Qt::WindowStates s = window->windowState();
    const WindowState model = form->window_state();
    std::uintptr_t command = 0;
    if (s & Qt::WindowMinimized) {
        if (model != WindowState::Minimized) command = SC_MINIMIZE;
    } else if (s & Qt::WindowMaximized) {
        if (model != WindowState::Maximized) command = SC_MAXIMIZE;
    } else if (model != WindowState::Normal) {
        command = SC_RESTORE;
    }
    // The form's message handler decides; the window then follows its state.
    if (command != 0) user_event([this, command] { form->system_command(command); });
    if (alive) sync_window_state();
}

void QtBindingImpl::on_focus_changed(QWidget* now) {
    for (QWidget* w = now; w; w = w->parentWidget()) {
        auto it = by_widget.find(w);
        if (it == by_widget.end()) continue;
        auto [st, control] = it->second;
        if (!st->alive || st->mirroring() || control == st->form) return;
        // The user moved the focus: the model learns where it is.
        st->focusing_from_user = true;
        control->set_focus();
        st->focusing_from_user = false;
        return;
    }
}

void QtBindingImpl::on_focus_window(QWindow* w) {
    FormState* st = nullptr;
    if (w) {
        for (auto& [form, s] : live)
            if (s->window && s->window->windowHandle() == w) st = s;
    }
    using Kind = ActivationRule::Kind;
    Kind kind = Kind::None;
    if (w) kind = !st ? Kind::Foreign : (st->form->modal() || st->shown_modally) ? Kind::ModalForm : Kind::Form;
    if (activation.activated(kind, st ? st->form : nullptr) && st->shown_once) {
        st->user_event([st] { st->form->Activate(); });
    }
}

QtBinding::QtBinding(QtEventLoop& loop) : impl_(std::make_unique<QtBindingImpl>(loop)) {}

QtBinding::~QtBinding() = default;

void QtBinding::set_exception_handler(std::function<void(const std::exception&)> handler) {
    impl_->on_exception = std::move(handler);
}

QtViewRegistry& QtBinding::registry() { return impl_->registry; }

QWidget* QtBinding::widget_for(const Control& control) const {
    for (auto& [form, st] : impl_->live) {
        auto it = st->views.find(&control);
        if (it != st->views.end()) return it->second.widget;
    }
    return nullptr;
}

void QtBinding::form_shown(TForm& form) {
    FormState* st = impl_->live_state(form);
    if (!st) st = &impl_->build(form);
    else st->build_children(form, st->window);  // controls added since the last show
    QtFormWindow* window = st->window;
    if (!window) return;
    if (!st->shown_once) {
        // A secondary window stays above the main window.
        TForm* main = form.application().main_form();
        FormState* main_state = main && main != &form ? impl_->live_state(*main) : nullptr;
        if (main_state && main_state->window) {
            window->winId();
            main_state->window->winId();
            window->windowHandle()->setTransientParent(main_state->window->windowHandle());
        }
    }
    if (form.modal() && window->windowModality() != Qt::ApplicationModal) {
        if (window->isVisible()) window->hide();
        window->setWindowModality(Qt::ApplicationModal);
        st->shown_modally = true;
    }
    if (!window->isVisible()) {
        st->place_window();
        window->show();
    }
    window->raise();
    window->activateWindow();
    st->shown_once = true;
}

void QtBinding::form_hidden(TForm& form) {
    FormState* st = impl_->live_state(form);
    if (!st || !st->window) return;
    st->window->hide();
    if (st->shown_modally && !form.modal()) {
        st->window->setWindowModality(Qt::NonModal);
        st->shown_modally = false;
    }
}

void QtBinding::form_destroyed(TForm& form) {
    auto it = impl_->live.find(&form);
    if (it == impl_->live.end()) return;
    FormState* st = it->second;
    impl_->live.erase(it);
    // The models are gone already (members die before the form's own
    // destructor runs): nothing here may touch them.
    st->alive = false;
    st->views.clear();
    for (auto w = impl_->by_widget.begin(); w != impl_->by_widget.end();) {
        if (w->second.first == st) w = impl_->by_widget.erase(w);
        else ++w;
    }
    impl_->activation.forget(&form);
    if (st->window) {
        st->window->hide();
        // Code of one of its widgets may still be on the stack.
        st->window->deleteLater();
    }
}

void QtBinding::modal_begin(TForm& form) {
    FormState* st = impl_->live_state(form);
    if (!st || !st->window) return;
    if (st->window->windowModality() != Qt::ApplicationModal) {
        const bool visible = st->window->isVisible();
        if (visible) st->window->hide();
        st->window->setWindowModality(Qt::ApplicationModal);
        if (visible) st->window->show();
    }
    st->shown_modally = true;
}

void QtBinding::modal_end(TForm& form) {
    FormState* st = impl_->live_state(form);
    if (!st || !st->window) return;
    st->window->hide();
}

}  // namespace fw
