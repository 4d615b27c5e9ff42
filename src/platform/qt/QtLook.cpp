#include "platform/qt/QtLook.h"

#include <QApplication>
#include <QFontDatabase>
#include <QWidget>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace fw {

namespace {

enum class FaceKind { Sans, Serif, Fixed, Other };

FaceKind face_kind(const QString& name) {
    static const QStringList sans = {"MS Sans Serif", "Microsoft Sans Serif", "MS Shell Dlg", "MS Shell Dlg 2",
                                     "Tahoma", "Arial", "Verdana", "Segoe UI", "System"};
    static const QStringList serif = {"Times New Roman", "Times", "MS Serif", "Georgia"};
    static const QStringList fixed = {"Courier New", "Courier", "Fixedsys", "Terminal", "Lucida Console"};
    if (sans.contains(name, Qt::CaseInsensitive)) return FaceKind::Sans;
    if (serif.contains(name, Qt::CaseInsensitive)) return FaceKind::Serif;
    if (fixed.contains(name, Qt::CaseInsensitive)) return FaceKind::Fixed;
    return FaceKind::Other;
}

}  // namespace

QFont qt_font(const Font& font, const QFont& base) {
    QFont f = base;
    if (!font.name.empty()) {
        const QString name = QString::fromStdString(font.name);
        switch (face_kind(name)) {
            case FaceKind::Sans:
                f.setFamilies({QFontDatabase::systemFont(QFontDatabase::GeneralFont).family()});
                f.setStyleHint(QFont::SansSerif);
                break;
            case FaceKind::Serif:
                // The face itself when installed, else a metric twin, else the platform's serif.
                f.setFamilies({name, "Liberation Serif", "Tinos", "Nimbus Roman", "DejaVu Serif"});
                f.setStyleHint(QFont::Serif);
                break;
            case FaceKind::Fixed:
                f.setFamilies({QFontDatabase::systemFont(QFontDatabase::FixedFont).family()});
                f.setStyleHint(QFont::Monospace);
                break;
            case FaceKind::Other:
                f.setFamilies({name, QFontDatabase::systemFont(QFontDatabase::GeneralFont).family()});
                break;
        }
    }
    if (font.height < 0) {
        f.setPixelSize(-font.height);
    } else if (font.height > 0) {
        // A positive height is the whole cell, internal leading included.
        f.setPixelSize(std::max(1, static_cast<int>(std::lround(font.height * 0.85))));
    }
    if (!font.name.empty() || font.height != 0) f.setBold(font.bold);
    return f;
}

QColor qt_color(TColor color, const QPalette& palette) {
    if (!is_system_color(color)) {
        return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
    }
    switch (color & 0xFF) {
        case 4: return palette.color(QPalette::Window);           // menu
        case 5: return palette.color(QPalette::Base);             // window
        case 8: return palette.color(QPalette::Text);             // window text
        case 13: return palette.color(QPalette::Highlight);
        case 14: return palette.color(QPalette::HighlightedText);
        case 15: return palette.color(QPalette::Button);          // button face
        case 18: return palette.color(QPalette::ButtonText);
        default: return palette.color(QPalette::Window);
    }
}

void apply_base_color(QWidget* w, TColor color) {
    QPalette p = w->palette();
    p.setColor(QPalette::Base, qt_color(color, QApplication::palette(w)));
    w->setPalette(p);
}

void apply_face_color(QWidget* w, TColor color) {
    if (color == clBtnFace) {
        // Back to the inherited palette.
        if (w->testAttribute(Qt::WA_SetPalette)) w->setPalette(QPalette());
        w->setAutoFillBackground(false);
        return;
    }
    QPalette p = w->palette();
    const QColor c = qt_color(color, QApplication::palette(w));
    p.setColor(QPalette::Window, c);
    p.setColor(QPalette::Button, c);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

}  // namespace fw
