#include "discovery/BusyWait.h"

#include "platform/runtime/Application.h"

namespace fw {

void busy_wait(Application& app, std::uint32_t ms, Pump pump) {
    Clock& clock = app.loop().clock();
    const std::uint32_t start = clock.now_ms();
    while (static_cast<std::uint32_t>(clock.now_ms() - start) <= ms) {
        if (pump == Pump::On) app.ProcessMessages();
        clock.sleep_ms(1);
    }
}

}  // namespace fw
