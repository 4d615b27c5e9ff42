#pragma once

#include <functional>
#include <string>

class QApplication;
class QWidget;

namespace fw::test {

// The one QApplication of a window test process, on Qt's offscreen platform.
QApplication& gui_app();
// test-output/gui/ under the build folder, created when missing.
std::string gui_output_dir();
// Renders a widget (with its children) into a PNG file there; returns its path.
std::string save_png(QWidget& widget, const std::string& name);
// Runs `act` on the modal dialog that a call opens, from the event loop of
// that dialog: the call's own nested loop delivers the timer.
void when_modal_opens(std::function<void(QWidget& modal)> act);

}  // namespace fw::test
