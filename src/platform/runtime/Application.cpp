#include "platform/runtime/Application.h"

#include <algorithm>

#include "platform/runtime/UiBinding.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/TForm.h"

namespace fw {

Application::Application(Services services) : services_(std::move(services)) {}

Application::~Application() {
    // Later forms may refer to earlier ones; destroy in reverse order of creation.
    while (!forms_.empty()) forms_.pop_back();
}

void Application::adopt(std::unique_ptr<TForm> form) {
    if (!main_form_) main_form_ = form.get();
    forms_.push_back(std::move(form));
}

void Application::Run() {
    if (terminated_) return;
    if (main_form_) {
        main_form_->Show();
        main_form_->Activate();
    }
    if (terminated_) return;
    services_.loop.run();
}

void Application::Terminate() {
    terminated_ = true;
    services_.loop.quit();
}

int Application::MessageBox(const std::string& text, const std::string& caption, int flags) {
    return services_.dialogs.message_box(text, caption, flags);
}

void Application::ProcessMessages() { services_.loop.process_messages(); }

void Application::ShowException(const std::exception& e) { services_.dialogs.show_exception(e.what()); }

void Application::release_form(TForm& form) {
    TForm* target = &form;
    services_.loop.post([this, target] {
        auto it = std::find_if(forms_.begin(), forms_.end(), [&](const auto& f) { return f.get() == target; });
        if (it == forms_.end()) return;
        const bool was_main = target == main_form_;
        std::unique_ptr<TForm> doomed = std::move(*it);
        forms_.erase(it);
        if (was_main) main_form_ = nullptr;
        doomed.reset();
        // Without its main window the program has nothing left to show.
        if (was_main) Terminate();
    });
}

void Application::main_form_closed() { Terminate(); }

}  // namespace fw
