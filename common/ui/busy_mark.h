#pragma once
// A handler's re-entry mark: set while the handler runs, cleared on every way
// out of it, an exception included.

namespace vantrel {

class BusyMark {
public:
    explicit BusyMark(bool& mark) : mark_(mark) { mark_ = true; }
    ~BusyMark() { mark_ = false; }
    BusyMark(const BusyMark&) = delete;
    BusyMark& operator=(const BusyMark&) = delete;

private:
    bool& mark_;
};

}  // namespace vantrel
