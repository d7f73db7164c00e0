#pragma once
// Placeholder: filled in by the work on this area.

namespace vantrel {

class SentHistory {
public:
};

}  // namespace vantrel
