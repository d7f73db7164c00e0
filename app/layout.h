#pragma once
// Placeholder: the layout rule and the geometry it starts from.

namespace vantrel {

struct DesignGeometry {
    int W0 = 0;
};

}  // namespace vantrel
