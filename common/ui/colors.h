#pragma once
// Colour values as the settings file stores them: 0x00BBGGRR for an explicit
// colour, 0xFF0000nn for system colour number nn (taken from the palette).
#include <QColor>

#include <cstdint>

class QWidget;

namespace vantrel {

namespace colorvalue {
inline constexpr std::uint32_t kInactiveBorder = 0xFF00000B;
inline constexpr std::uint32_t kMenuBar = 0xFF00001E;
inline constexpr std::uint32_t kWindow = 0xFF000005;
inline constexpr std::uint32_t kWindowText = 0xFF000008;
inline constexpr std::uint32_t kButtonFace = 0xFF00000F;
inline constexpr std::uint32_t kYellow = 0x0000FFFF;
}  // namespace colorvalue

// The colour a value stands for on this desktop.
QColor colorFromValue(std::uint32_t value);
// The explicit value of a colour (0x00BBGGRR).
std::uint32_t valueOfColor(const QColor& color);

// The value last applied to the widget's background or text; a widget never
// coloured gives its system default (window or button face, window text).
std::uint32_t colorValue(const QWidget* widget, bool background);
// Gives the widget the background and the text colour of the two values.
void applyColorValue(QWidget* widget, std::uint32_t background, std::uint32_t text);
// The background alone; the text colour stays.
void applyBackgroundValue(QWidget* widget, std::uint32_t background);

}  // namespace vantrel
