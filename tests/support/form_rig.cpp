#include "support/form_rig.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMouseEvent>
#include <QTextBlock>
#include <QToolButton>

#include "rx/ui/log_view.h"
#include "common/ui/up_down.h"

namespace vantrel::test {

FormRig::FormRig(RigOptions options) : options_(std::move(options)) {
    oldCwd_ = QDir::currentPath();
    home_ = options_.workDir.isEmpty() ? dir.path() : options_.workDir;
    if (!dir.isValid() || !QDir::setCurrent(home_)) qFatal("FormRig: no working directory");
    if (options_.start) start();
}

FormRig::~FormRig() {
    form_.reset();
    QDir::setCurrent(oldCwd_);
}

void FormRig::start() {
    stop();
    FormServices s;
    if (!options_.systemClock) s.clock = &clock;
    s.messages = options_.messages ? options_.messages : &messages;
    s.makePort = options_.makePort;
    s.listPorts = [this] { return ports; };
    s.runModal = [this](QDialog& d) {
        modals.push_back(&d);
        return onModal ? onModal(d) : 0;
    };
    s.sleep = [this](int ms) { sleeps.push_back(ms); };
    s.cursorPos = [this] { return cursor; };
    s.chooseCommandFile = [this] { return chosenFile; };
    form_ = std::make_unique<TForm1>(std::move(s));
    if (options_.exposed) show();
    else if (options_.show) form_->show();
}

void FormRig::show() {
    form_->show();
    if (!QTest::qWaitForWindowExposed(form_.get())) QTest::qFail("the window was not exposed", __FILE__, __LINE__);
}

void FormRig::restart() {
    form_->close();
    start();
}

void FormRig::stop() {
    found_.clear();
    form_.reset();
}

QStringList FormRig::modalNames() const {
    QStringList out;
    for (const QDialog* d : modals) out << d->objectName();
    return out;
}

// The main window's own controls first (the macro editor has its Edit1..Edit12
// too), then those of the windows it owns, then any other window.
QObject* FormRig::find(const QString& name, const QMetaObject& type) {
    if (!form_) qFatal("FormRig: no window to find \"%s\" in", qPrintable(name));
    const QString key = name + u'/' + QLatin1String(type.className());
    if (QObject* known = found_.value(key)) return known;
    QObject* o = search(name, type);
    found_.insert(key, o);
    return o;
}

QObject* FormRig::search(const QString& name, const QMetaObject& type) {
    QList<QObject*> own, owned, other;
    for (QObject* o : form_->findChildren<QObject*>(name)) {
        if (!type.cast(o)) continue;
        auto* w = qobject_cast<QWidget*>(o);
        (w && w->window() != form_.get() ? owned : own).push_back(o);
    }
    if (own.size() > 1) qFatal("FormRig: %lld controls named \"%s\"", qlonglong(own.size()), qPrintable(name));
    if (own.size() == 1) return own.front();
    if (owned.size() == 1) return owned.front();
    if (owned.isEmpty()) {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top == form_.get() || top->parent()) continue;
            if (top->objectName() == name && type.cast(top)) other.push_back(top);
            for (QObject* o : top->findChildren<QObject*>(name))
                if (type.cast(o)) other.push_back(o);
        }
        if (other.size() == 1) return other.front();
    }
    qFatal("FormRig: %s control named \"%s\" of type %s", owned.isEmpty() && other.isEmpty() ? "no" : "more than one",
           qPrintable(name), type.className());
    return nullptr;
}

void FormRig::click(const QString& name) { QTest::mouseClick(ctl(name), Qt::LeftButton); }

void FormRig::doubleClick(const QString& name) { QTest::mouseDClick(ctl(name), Qt::LeftButton); }

void FormRig::hover(const QString& name) {
    QWidget* w = ctl(name);
    const QPoint local(5, 5);
    cursor = w->mapToGlobal(local);
    QMouseEvent move(QEvent::MouseMove, QPointF(local), QPointF(cursor), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &move);
}

void FormRig::type(const QString& name, const QString& text) {
    QWidget* w = ctl(name);
    for (QChar ch : text) {
        if (ch.unicode() < 0x80)
            QTest::keyClick(w, char(ch.unicode()));
        else {  // QTest::keyClicks takes Latin-1 only: a press carrying the character
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
            QApplication::sendEvent(w, &press);
        }
    }
}

void FormRig::key(const QString& name, int key, Qt::KeyboardModifiers mods) {
    QTest::keyClick(ctl(name), Qt::Key(key), mods);
}

void FormRig::fill(const QString& name, const QString& text) {
    QObject* o = ctl<QObject>(name);
    if (auto* e = qobject_cast<QLineEdit*>(o)) return e->setText(text);
    if (auto* c = qobject_cast<QComboBox*>(o)) return c->setEditText(text);
    if (auto* p = qobject_cast<QPlainTextEdit*>(o)) return p->setPlainText(text);
    qFatal("FormRig: \"%s\" takes no text", qPrintable(name));
}

void FormRig::check(const QString& name, bool on) { ctl<QAbstractButton>(name)->setChecked(on); }

void FormRig::select(const QString& name, int index) {
    QObject* o = ctl<QObject>(name);
    if (auto* c = qobject_cast<QComboBox*>(o)) return c->setCurrentIndex(index);
    if (auto* l = qobject_cast<QListWidget*>(o)) return l->setCurrentRow(index);
    qFatal("FormRig: \"%s\" has no items", qPrintable(name));
}

void FormRig::arrow(const QString& name, bool up) {
    auto* u = ctl<UpDown>(name);
    QTest::mouseClick(up ? u->upButton() : u->downButton(), Qt::LeftButton);
}

void FormRig::fire(const QString& timer) { fire(ctl<QTimer>(timer)); }

void FormRig::fire(QTimer* timer) {
    // timeout() is a private signal: emitted through the meta-object, as the timer does.
    QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection);
}

bool FormRig::checked(const QString& name) { return ctl<QAbstractButton>(name)->isChecked(); }

bool FormRig::active(const QString& timer) { return ctl<QTimer>(timer)->isActive(); }

QString FormRig::text(const QString& name) {
    QObject* o = ctl<QObject>(name);
    if (auto* b = qobject_cast<QAbstractButton*>(o)) return b->text();
    if (auto* l = qobject_cast<QLabel*>(o)) return l->text();
    if (auto* e = qobject_cast<QLineEdit*>(o)) return e->text();
    if (auto* c = qobject_cast<QComboBox*>(o)) return c->currentText();
    if (auto* p = qobject_cast<QPlainTextEdit*>(o)) return p->toPlainText();
    qFatal("FormRig: \"%s\" shows no text", qPrintable(name));
    return {};
}

QStringList FormRig::items(const QString& list) {
    auto* l = ctl<QListWidget>(list);
    QStringList out;
    for (int i = 0; i < l->count(); ++i) out << l->item(i)->text();
    return out;
}

bool FormRig::connectDevice() {
    if (!device.isPlugged() && !device.open()) return false;
    fill(QStringLiteral("ComPort"), QString::fromStdString(device.slavePath()));
    click(QStringLiteral("BTConnect"));
    return portOpen();
}

bool FormRig::openDevice() { return (device.isPlugged() || device.open()) && openPortOn(device.slavePath()); }

std::string FormRig::readUntil(const std::string& needle, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (true) {
        pending_ += device.readAvailable();
        const auto at = pending_.find(needle);
        if (at != std::string::npos) {
            std::string got = pending_.substr(0, at + needle.size());
            pending_.erase(0, at + needle.size());
            return got;
        }
        if (t.elapsed() > timeoutMs) return {};
        QTest::qWait(2);
    }
}

std::string FormRig::wire(std::size_t count, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    pending_ += device.readAvailable();
    while (pending_.size() < count && t.elapsed() < timeoutMs) {
        QTest::qWait(1);
        pending_ += device.readAvailable();
    }
    std::string got;
    got.swap(pending_);
    return got;
}

std::string FormRig::readFor(int ms) { return wire(SIZE_MAX, ms); }

// The view keeps an empty block after the last line.
QStringList FormRig::logLines() {
    const QTextDocument* doc = ctl<LogView>(QStringLiteral("MainWindow"))->document();
    QStringList out;
    const QTextBlock end = doc->lastBlock();
    for (QTextBlock b = doc->firstBlock(); b.isValid() && b != end; b = b.next()) out << b.text();
    return out;
}

QByteArray FormRig::fileBytes(const QString& name) {
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void FormRig::writeFile(const QString& name, const QByteArray& bytes) {
    QFile f(name);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(name));
    QCOMPARE(f.write(bytes), bytes.size());
}

void FormRig::loadCommandFile(const QByteArray& bytes, const QString& name) {
    const QString button = QStringLiteral("ButtonReadFile");
    if (tag(button) == 1) click(button);
    writeFile(name, bytes);
    chosenFile = dir.filePath(name);
    click(button);
}

void FormRig::writeMacroStore(const std::function<void(MacroStore&)>& fill) {
    MacroStore store;
    fill(store);
    store.writeFile(kMacroFileName);
}

std::unique_ptr<MacroStore> FormRig::readMacroStore() {
    auto store = std::make_unique<MacroStore>();
    if (!store->readFile(kMacroFileName)) return nullptr;
    return store;
}

}  // namespace vantrel::test
