#include "app/up_down.h"

namespace vantrel {

UpDown::UpDown(QWidget* parent) : QWidget(parent) {}

}  // namespace vantrel
