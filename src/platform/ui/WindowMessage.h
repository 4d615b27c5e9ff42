#pragma once

#include <cstdint>

namespace fw {

// A window message as the window's message handler sees it. The tool only
// looks at system commands; the view turns the window manager's requests
// (close, minimise, maximise, resize) into these.
struct WindowMessage {
    std::uint32_t msg = 0;
    std::uintptr_t wparam = 0;
    std::intptr_t lparam = 0;
    std::intptr_t result = 0;
};

constexpr std::uint32_t WM_SYSCOMMAND = 0x0112;

constexpr std::uintptr_t SC_SIZE = 0xF000;
constexpr std::uintptr_t SC_MINIMIZE = 0xF020;
constexpr std::uintptr_t SC_MAXIMIZE = 0xF030;
constexpr std::uintptr_t SC_CLOSE = 0xF060;
constexpr std::uintptr_t SC_MOUSEMENU = 0xF090;
constexpr std::uintptr_t SC_RESTORE = 0xF120;

}  // namespace fw
