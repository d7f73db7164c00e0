#pragma once
// A length limit on typing only. QLineEdit::setMaxLength cuts every text, also
// the one the program sets and the one already in the field when the limit
// shrinks; stored macros may be one character longer than the typing limit and
// must come back unchanged, so the limit is a validator instead.
#include <QLineEdit>
#include <QValidator>

namespace vantrel {

class LengthLimit final : public QValidator {
public:
    LengthLimit(int max, QObject* parent) : QValidator(parent), max_(max) {}
    void setMax(int max) { max_ = max; }
    int max() const { return max_; }
    State validate(QString& input, int&) const override {
        return bypass_ || input.size() <= max_ ? Acceptable : Invalid;
    }

    // Puts program text into `edit` whole, whatever its length.
    static void setText(QLineEdit* edit, const QString& text) {
        const auto* limit = dynamic_cast<const LengthLimit*>(edit->validator());
        if (limit) limit->bypass_ = true;
        edit->setText(text);
        if (limit) limit->bypass_ = false;
    }

    // Limits typing in `edit` to `max` characters, replacing any cut-off limit.
    static void apply(QLineEdit* edit, int max) {
        edit->setMaxLength(32767);
        if (auto* limit = dynamic_cast<const LengthLimit*>(edit->validator())) {
            const_cast<LengthLimit*>(limit)->setMax(max);
            return;
        }
        edit->setValidator(new LengthLimit(max, edit));
    }

private:
    int max_;
    mutable bool bypass_ = false;
};

}  // namespace vantrel
