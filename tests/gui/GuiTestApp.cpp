#include "GuiTestApp.h"

#include <QApplication>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <filesystem>

namespace fw::test {

QApplication& gui_app() {
    static int argc = 1;
    static char name[] = "fwupgrade-gui-test";
    static char* argv[] = {name, nullptr};
    // Never destroyed: Qt's own statics may be gone by the time the
    // process's exit handlers would run its destructor.
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        auto* a = new QApplication(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        return a;
    }();
    return *app;
}

std::string gui_output_dir() {
    const std::filesystem::path dir = std::filesystem::path(FW_TEST_OUTPUT_DIR) / "gui";
    std::filesystem::create_directories(dir);
    return dir.string();
}

std::string save_png(QWidget& widget, const std::string& name) {
    const std::string path = gui_output_dir() + "/" + name + ".png";
    widget.grab().save(QString::fromStdString(path), "PNG");
    return path;
}

void when_modal_opens(std::function<void(QWidget& modal)> act) {
    auto* timer = new QTimer(&gui_app());
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        act(*modal);
    });
    timer->start();
}

}  // namespace fw::test
