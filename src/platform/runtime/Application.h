#pragma once

#include <exception>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/runtime/EventLoop.h"

namespace fw {

class Dialogs;
class Environment;
class NetworkFactory;
class TForm;
class UiBinding;

// The platform services one run of the tool works with.
struct Services {
    EventLoop& loop;
    Dialogs& dialogs;
    NetworkFactory& net;
    Environment& env;
    std::string exe_name;  // full path of the running program file
};

// The application object: owns the forms, runs the event loop, shows message
// boxes and uncaught exceptions.
class Application {
public:
    explicit Application(Services services);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    void Initialize() {}

    // Creates a form owned by the application and runs its creation event.
    // The first form created is the main form.
    template <class F, class... Args>
    F& CreateForm(Args&&... args) {
        auto form = std::make_unique<F>(*this, std::forward<Args>(args)...);
        F& ref = *form;
        adopt(std::move(form));
        ref.DoCreate();
        return ref;
    }

    // Shows the main form and runs the event loop until the application ends.
    void Run();
    // Asks the application to end; takes effect back in the event loop.
    void Terminate();
    bool terminated() const { return terminated_; }

    int MessageBox(const std::string& text, const std::string& caption, int flags);
    const std::string& ExeName() const { return services_.exe_name; }
    void ProcessMessages();
    void ShowException(const std::exception& e);

    TForm* main_form() const { return main_form_; }
    // Destroys the form from the loop, once the current event is handled.
    void release_form(TForm& form);
    // The main form was closed: the program ends.
    void main_form_closed();

    EventLoop& loop() const { return services_.loop; }
    Dialogs& dialogs() const { return services_.dialogs; }
    NetworkFactory& net() const { return services_.net; }
    Environment& env() const { return services_.env; }

    void set_binding(UiBinding* binding) { binding_ = binding; }
    UiBinding* binding() const { return binding_; }

private:
    void adopt(std::unique_ptr<TForm> form);

    Services services_;
    std::vector<std::unique_ptr<TForm>> forms_;
    TForm* main_form_ = nullptr;
    UiBinding* binding_ = nullptr;
    bool terminated_ = false;
};

}  // namespace fw
