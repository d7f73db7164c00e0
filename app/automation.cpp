#include "app/automation.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTimer>

#include <cstdio>
#include <deque>


#include "app/main_window.h"

namespace vantrel {

namespace {

std::deque<QString>& scriptedFiles() {
    static std::deque<QString> files;
    return files;
}

void say(const QString& text) {
    std::fprintf(stderr, "vantrel: script: %s\n", text.toUtf8().constData());
    std::fflush(stderr);
}

struct KeyName {
    const char* name;
    int key;
    const char* text;
};
constexpr KeyName kKeys[] = {
    {"Return", Qt::Key_Return, "\r"}, {"Enter", Qt::Key_Enter, "\r"},
    {"Escape", Qt::Key_Escape, "\x1b"}, {"Down", Qt::Key_Down, ""},
    {"Up", Qt::Key_Up, ""}, {"Tab", Qt::Key_Tab, "\t"},
    {"Backspace", Qt::Key_Backspace, "\b"},
};

// Plays the script one action at a time from the event loop; waiting never
// blocks, so the timers and the port keep working between actions.
class ScriptPlayer final : public QObject {
public:
    ScriptPlayer(TForm1& form, QStringList lines) : QObject(&form), form_(form), lines_(std::move(lines)) {}

    void next() { QTimer::singleShot(0, this, [this] { step(); }); }

private:
    void fail(const QString& line, const QString& why) {
        say(line + QStringLiteral(": ") + why);
        failed_ = true;
        QCoreApplication::exit(3);
    }

    QWidget* find(const QString& name) const {
        if (auto* w = form_.findChild<QWidget*>(name)) return w;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->objectName() == name) return top;
            if (auto* w = top->findChild<QWidget*>(name)) return w;
        }
        return nullptr;
    }

    void step() {
        if (failed_) return;
        while (pos_ < lines_.size()) {
            const QString line = lines_.at(pos_++).trimmed();
            if (line.isEmpty() || line.startsWith(u'#')) continue;
            say(line);
            run(line);
            return;
        }
    }

    void run(const QString& line) {
        const qsizetype sp = line.indexOf(u' ');
        const QString verb = sp < 0 ? line : line.left(sp);
        const QString rest = sp < 0 ? QString() : line.mid(sp + 1);
        const qsizetype sp2 = rest.indexOf(u' ');
        const QString name = sp2 < 0 ? rest : rest.left(sp2);
        const QString arg = sp2 < 0 ? QString() : rest.mid(sp2 + 1);

        if (verb == u"close") {
            form_.close();
            return next();
        }
        if (verb == u"wait") {
            bool ok = false;
            const int ms = rest.toInt(&ok);
            if (!ok || ms < 0) return fail(line, QStringLiteral("bad time"));
            QTimer::singleShot(ms, this, [this] { step(); });
            return;
        }
        if (verb == u"resize") {
            bool okW = false, okH = false;
            const int w = name.toInt(&okW), h = arg.toInt(&okH);
            if (!okW || !okH) return fail(line, QStringLiteral("resize W H"));
            form_.resize(w, h);  // the window's minimum still holds
            return next();
        }
        if (verb == u"file") {
            scriptedFiles().push_back(rest);
            return next();
        }
        if (verb == u"waitlog") {
            const qsizetype last = rest.lastIndexOf(u' ');
            bool ok = false;
            const int ms = last < 0 ? -1 : rest.mid(last + 1).toInt(&ok);
            if (!ok || ms < 0) return fail(line, QStringLiteral("waitlog TEXT TIMEOUT_MS"));
            waitLog(line, rest.left(last), ms);
            return;
        }

        QWidget* w = find(name);
        if (!w) return fail(line, QStringLiteral("no control named ") + name);
        if (!w->isEnabled() && verb != u"text") return fail(line, QStringLiteral("control is disabled"));

        if (verb == u"click") {
            if (auto* b = qobject_cast<QAbstractButton*>(w)) b->click();
            else clickAt(w);
        } else if (verb == u"check") {
            auto* b = qobject_cast<QAbstractButton*>(w);
            if (!b || (arg != u"0" && arg != u"1")) return fail(line, QStringLiteral("check NAME 0|1"));
            b->setChecked(arg == u"1");
        } else if (verb == u"text") {
            if (auto* e = qobject_cast<QLineEdit*>(w)) e->setText(arg);
            else if (auto* c = qobject_cast<QComboBox*>(w); c && c->isEditable()) c->setCurrentText(arg);
            else return fail(line, QStringLiteral("not an edit field"));
        } else if (verb == u"select") {
            bool ok = false;
            const int index = arg.toInt(&ok);
            if (!ok) return fail(line, QStringLiteral("select NAME INDEX"));
            if (auto* c = qobject_cast<QComboBox*>(w)) {
                if (index < 0 || index >= c->count()) return fail(line, QStringLiteral("no such item"));
                c->setCurrentIndex(index);
            } else if (auto* l = qobject_cast<QListWidget*>(w)) {
                if (index < 0 || index >= l->count()) return fail(line, QStringLiteral("no such item"));
                l->setCurrentRow(index);
                emit l->itemClicked(l->item(index));
            } else {
                return fail(line, QStringLiteral("not a list"));
            }
        } else if (verb == u"key") {
            if (!postKey(w, arg)) return fail(line, QStringLiteral("unknown key ") + arg);
        } else {
            return fail(line, QStringLiteral("unknown action"));
        }
        next();
    }

    void clickAt(QWidget* w) {
        const QPointF local(w->width() / 2.0, w->height() / 2.0);
        const QPointF global = w->mapToGlobal(local);
        QCoreApplication::postEvent(w, new QMouseEvent(QEvent::MouseButtonPress, local, global, Qt::LeftButton,
                                                       Qt::LeftButton, Qt::NoModifier));
        QCoreApplication::postEvent(w, new QMouseEvent(QEvent::MouseButtonRelease, local, global, Qt::LeftButton,
                                                       Qt::NoButton, Qt::NoModifier));
    }

    static bool postKey(QWidget* w, QString keyText) {
        Qt::KeyboardModifiers mods;
        if (keyText.startsWith(QStringLiteral("Ctrl+"))) {
            mods = Qt::ControlModifier;
            keyText = keyText.mid(5);
        }
        for (const KeyName& k : kKeys) {
            if (keyText != QLatin1String(k.name)) continue;
            const QString text = QString::fromLatin1(k.text);
            QCoreApplication::postEvent(w, new QKeyEvent(QEvent::KeyPress, k.key, mods, text));
            QCoreApplication::postEvent(w, new QKeyEvent(QEvent::KeyRelease, k.key, mods, text));
            return true;
        }
        return false;
    }

    void waitLog(const QString& line, const QString& text, int timeoutMs) {
        auto* poll = new QTimer(this);
        auto started = std::make_shared<QElapsedTimer>();
        started->start();
        connect(poll, &QTimer::timeout, this, [this, poll, started, line, text, timeoutMs] {
            const auto* view = form_.findChild<QPlainTextEdit*>(QStringLiteral("MainWindow"));
            if (view && view->toPlainText().contains(text)) {
                poll->deleteLater();
                step();
            } else if (started->elapsed() > timeoutMs) {
                poll->deleteLater();
                fail(line, QStringLiteral("not in the log within the time"));
            }
        });
        poll->start(10);
    }

    TForm1& form_;
    QStringList lines_;
    qsizetype pos_ = 0;
    bool failed_ = false;
};

}  // namespace

bool automationRequested() { return !qEnvironmentVariableIsEmpty("VANTREL_AUTOTEST"); }

std::optional<QString> takeScriptedCommandFile() {
    auto& files = scriptedFiles();
    if (files.empty()) return std::nullopt;
    QString path = files.front();
    files.pop_front();
    return path;
}

void startAutomation(TForm1& form) {
    const QString path = qEnvironmentVariable("VANTREL_AUTOTEST");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        say(QStringLiteral("cannot read ") + path + QStringLiteral(": ") + file.errorString());
        QTimer::singleShot(0, [] { QCoreApplication::exit(3); });
        return;
    }
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    (new ScriptPlayer(form, lines))->next();
}

}  // namespace vantrel
