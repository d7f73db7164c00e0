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
    LengthLimit(int max, QLineEdit* edit) : QValidator(edit), max_(max), committed_(edit->text()) {
        connect(edit, &QLineEdit::textChanged, this, [this](const QString& text) { committed_ = text; });
    }
    void setMax(int max) { max_ = max; }
    int max() const { return max_; }

    // A typed or pasted text that does not fit keeps its first characters that
    // do, as typing would have ended; with no room left nothing goes in.
    State validate(QString& input, int& pos) const override {
        if (bypass_ || input.size() <= max_) return Acceptable;
        // Program text past the limit takes no more.
        if (committed_.size() > max_) return Invalid;
        // The new characters end at the cursor, and within the limit before the
        // change they are at least as many as the excess: the last ones go.
        const qsizetype excess = input.size() - max_;
        if (pos < excess) return Invalid;
        input.remove(pos - excess, excess);
        pos -= int(excess);
        // Nothing of them fitted: the field stays as it was, with no change signalled.
        return input == committed_ ? Invalid : Acceptable;
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
    QString committed_;  // the field's text before the change being validated
    mutable bool bypass_ = false;
};

}  // namespace vantrel
