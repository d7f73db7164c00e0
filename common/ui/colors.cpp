#include "common/ui/colors.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QLineEdit>
#include <QPalette>
#include <QVariant>
#include <QWidget>

namespace vantrel {
namespace {

const char* const kBackProperty = "vantrelBackColor";
const char* const kTextProperty = "vantrelTextColor";

struct SystemRole {
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// The system colour numbers of the desktop the settings came from, each given
// the palette role that plays the same part here.
SystemRole systemRole(unsigned number) {
    using P = QPalette;
    switch (number) {
        case 0: return {P::Active, P::Button};            // scroll bar
        case 1: return {P::Active, P::Dark};              // desktop
        case 2: return {P::Active, P::Highlight};         // active caption
        case 3: return {P::Inactive, P::Highlight};       // inactive caption
        case 4: return {P::Active, P::Window};            // menu
        case 5: return {P::Active, P::Base};              // window
        case 6: return {P::Active, P::Shadow};            // window frame
        case 7: return {P::Active, P::WindowText};        // menu text
        case 8: return {P::Active, P::Text};              // window text
        case 9: return {P::Active, P::HighlightedText};   // caption text
        case 10: return {P::Active, P::Window};           // active border
        case 11: return {P::Inactive, P::Window};         // inactive border
        case 12: return {P::Active, P::Mid};              // application workspace
        case 13: return {P::Active, P::Highlight};        // highlight
        case 14: return {P::Active, P::HighlightedText};  // highlight text
        case 15: return {P::Active, P::Button};           // button face
        case 16: return {P::Active, P::Dark};             // button shadow
        case 17: return {P::Disabled, P::Text};           // grey text
        case 18: return {P::Active, P::ButtonText};       // button text
        case 19: return {P::Inactive, P::HighlightedText};
        case 20: return {P::Active, P::Light};            // button highlight
        case 21: return {P::Active, P::Shadow};           // 3D dark shadow
        case 22: return {P::Active, P::Midlight};         // 3D light
        case 23: return {P::Active, P::ToolTipText};      // info text
        case 24: return {P::Active, P::ToolTipBase};      // info background
        case 26: return {P::Active, P::Link};             // hot light
        case 27: return {P::Active, P::Highlight};        // gradient active caption
        case 28: return {P::Inactive, P::Highlight};      // gradient inactive caption
        case 29: return {P::Active, P::Highlight};        // menu highlight
        case 30: return {P::Active, P::Button};           // menu bar
        default: return {P::Active, P::Base};
    }
}

// Edit fields, lists and text views sit on the window colour; the rest on the button face.
bool onWindowColour(const QWidget* widget) {
    return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QAbstractScrollArea*>(widget);
}

}  // namespace

QColor colorFromValue(std::uint32_t value) {
    if ((value >> 24) == 0xFF) {
        const SystemRole r = systemRole(value & 0xFF);
        return QApplication::palette().color(r.group, r.role);
    }
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

std::uint32_t valueOfColor(const QColor& color) {
    const QColor rgb = color.toRgb();
    return std::uint32_t(rgb.red()) | (std::uint32_t(rgb.green()) << 8) | (std::uint32_t(rgb.blue()) << 16);
}

std::uint32_t colorValue(const QWidget* widget, bool background) {
    const QVariant kept = widget->property(background ? kBackProperty : kTextProperty);
    if (kept.isValid()) return kept.value<std::uint32_t>();
    if (!background) return colorvalue::kWindowText;
    return onWindowColour(widget) ? colorvalue::kWindow : colorvalue::kButtonFace;
}

void applyBackgroundValue(QWidget* widget, std::uint32_t background) {
    applyColorValue(widget, background, colorValue(widget, false));
}

void applyColorValue(QWidget* widget, std::uint32_t background, std::uint32_t text) {
    widget->setProperty(kBackProperty, QVariant::fromValue(background));
    widget->setProperty(kTextProperty, QVariant::fromValue(text));
    const QColor back = colorFromValue(background);
    const QColor fore = colorFromValue(text);
    QPalette p = widget->palette();
    // Edit fields and lists paint Base and Text; plain widgets Window and WindowText.
    p.setColor(QPalette::Base, back);
    p.setColor(QPalette::Window, back);
    p.setColor(QPalette::Text, fore);
    p.setColor(QPalette::WindowText, fore);
    widget->setPalette(p);
    if (!onWindowColour(widget)) widget->setAutoFillBackground(true);
}

}  // namespace vantrel
