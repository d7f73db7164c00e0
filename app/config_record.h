#pragma once
// Placeholder: filled in by the work on this area.

namespace vantrel {

class ConfigRecord {
public:
};

}  // namespace vantrel
