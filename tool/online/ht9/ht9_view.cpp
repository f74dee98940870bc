#include "ht9_view.h"

#include "font_faces.h"
#include "serial_link.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include <cstdio>

namespace kravin::online::ht9 {

namespace {

constexpr int kKeySize = 40;
// The room a push button keeps free beside its caption.
constexpr int kKeyPadding = 8;
constexpr int kPitch = 64;
constexpr int kColumns[] = {49, 113, 177, 241, 305};
constexpr int kRows[] = {145, 209, 273, 337};
constexpr int kFaceWidth = 700;
constexpr int kFaceHeight = 450;
constexpr auto kCloseBound = std::chrono::milliseconds(8000);
const QRect kDisplay(49, 40, 400, 80);

QRect keyAt(int column, int row) { return {kColumns[column], kRows[row], kKeySize, kKeySize}; }

}  // namespace

Ht9View::Ht9View(Ht9ViewContext context, QWidget* parent)
    : QWidget(parent), context_(std::move(context)), unit_(context_.mode, context_.portKind)
{
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(kFaceWidth, kFaceHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    exchanger_ = std::make_shared<Ht9Exchanger>(context_.serial, context_.bus, context_.target,
                                                [](std::chrono::milliseconds d) {
                                                    QThread::msleep(static_cast<unsigned long>(d.count()));
                                                });
    thread_ = new QThread(this);
    toWorker_ = std::make_shared<JobQueue>();
    toView_ = std::make_shared<JobQueue>();
    worker_ = new JobRunner(toWorker_);
    worker_->moveToThread(thread_);
    connect(thread_, &QThread::finished, worker_, &QObject::deleteLater);
    new JobRunner(toView_, this);
    thread_->start(QThread::TimeCriticalPriority);
    timeout_ = new QTimer(this);
    timeout_->setSingleShot(true);
    connect(timeout_, &QTimer::timeout, this, &Ht9View::timedOut);
    makeButtons();
    refreshKeys();
    // The bus link is taken when the view comes; the serial port when it is shown.
    if (context_.mode == Ht9Mode::Bus && context_.bus.cycle) {
        const BusApi bus = context_.bus;
        toWorker_->post([bus] { bus.cycle(); });
    }
}

Ht9View::~Ht9View()
{
    timeout_->stop();
    unit_.Cancel();
    toView_->close();
    // The worker finishes what it holds, puts the unit back to reading (bus) or closes the
    // port (serial), and ends; the wait is bounded.
    const std::shared_ptr<Ht9Exchanger> exchanger = exchanger_;
    SerialLink* serial = context_.mode == Ht9Mode::Serial ? context_.serial : nullptr;
    const bool bus = context_.mode == Ht9Mode::Bus;
    toWorker_->post([exchanger, serial, bus] {
        if (bus) exchanger->LeaveBus();
        if (serial) serial->CloseComPort();
        QThread::currentThread()->quit();
    });
    if (!thread_->wait(static_cast<unsigned long>(kCloseBound.count()))) {
        // A request still blocks: the thread ends on its own and goes then.
        thread_->setParent(nullptr);
        connect(thread_, &QThread::finished, thread_, &QObject::deleteLater);
    }
    if (opened_ && context_.portOpenChanged) context_.portOpenChanged(false);
    if (context_.closed) context_.closed();
}

QAbstractButton* Ht9View::addKey(int id, const QString& caption, const QRect& rect, bool checkable)
{
    auto* b = new QPushButton(caption, this);
    b->setGeometry(rect);
    // The caption is drawn whole: a smaller font where the key face is too narrow.
    QFont font = b->font();
    int pixels = QFontInfo(font).pixelSize();
    while (pixels > 7 && QFontMetrics(font).horizontalAdvance(caption) > rect.width() - kKeyPadding)
        font.setPixelSize(--pixels);
    b->setFont(font);
    b->setFocusPolicy(Qt::NoFocus);
    b->setCheckable(checkable);
    b->setProperty("ht9Key", id);
    connect(b, &QPushButton::clicked, this, [this, id] { press(id); });
    keys_[id] = b;
    return b;
}

void Ht9View::makeButtons()
{
    addKey(key::Group, QStringLiteral("GROUP"), keyAt(0, 0));
    addKey(key::Item, QStringLiteral("ITEM"), keyAt(0, 1));
    addKey(key::Data, QStringLiteral("DATA"), keyAt(0, 2));
    addKey(key::Shift, QStringLiteral("#"), keyAt(0, 3));
    const int digitRows[10][2] = {{1, 3}, {1, 2}, {2, 2}, {3, 2}, {1, 1}, {2, 1}, {3, 1}, {1, 0}, {2, 0}, {3, 0}};
    for (int d = 0; d < 10; ++d) addKey(key::Digit0 + d, QString::number(d), keyAt(digitRows[d][0], digitRows[d][1]));
    addKey(key::Dot, QStringLiteral("."), keyAt(2, 3));
    addKey(key::Minus, QStringLiteral("-"), keyAt(3, 3));
    addKey(key::Clr, QStringLiteral("CLR"), keyAt(4, 0));
    addKey(key::Up, QStringLiteral("UP"), keyAt(4, 1));
    addKey(key::Down, QStringLiteral("DOWN"), keyAt(4, 2));
    addKey(key::Enter, QStringLiteral("ENT"), keyAt(4, 3));
    addKey(key::GroupDown, QStringLiteral("G<"), QRect(369, kRows[0], kKeySize, kKeySize));
    addKey(key::GroupUp, QStringLiteral("G>"), QRect(369, kRows[1], kKeySize, kKeySize));
    addKey(key::End, QStringLiteral("END"), QRect(25, 403, 100, 30));
    addKey(key::Bs, QStringLiteral("BS"), QRect(516, 40, kKeySize, kKeySize));
    for (int l = 0; l < 26; ++l) {
        const int column = l % 6, row = l / 6;
        addKey(key::LetterA + l, QString(QChar('A' + l)), QRect(430 + column * 44, 145 + row * 44, 36, 36));
    }
    if (context_.mode == Ht9Mode::Bus) {
        addKey(key::Write, QStringLiteral("WRITE"), QRect(580, 40, 52, kKeySize), true);
        addKey(key::Read, QStringLiteral("READ"), QRect(636, 40, 52, kKeySize), true);
    } else {
        for (int kind = 0; kind < kPortKinds; ++kind)
            addKey(PortKindKey(kind), QString::fromLatin1(PortKindCaption(kind)), QRect(140 + kind * 78, 403, 74, 30), true);
    }
}

QAbstractButton* Ht9View::button(int id) const
{
    const auto it = keys_.find(id);
    return it == keys_.end() ? nullptr : it->second;
}

void Ht9View::refreshKeys()
{
    if (QAbstractButton* data = button(key::Data)) data->setEnabled(unit_.dataUsable());
    if (context_.mode == Ht9Mode::Bus) {
        button(key::Write)->setChecked(unit_.writeMode());
        button(key::Read)->setChecked(!unit_.writeMode());
    } else {
        for (int kind = 0; kind < kPortKinds; ++kind) button(PortKindKey(kind))->setChecked(kind == unit_.portKind());
    }
}

bool Ht9View::portOpen() const { return context_.serial && context_.serial->isOpen(); }

void Ht9View::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (context_.mode == Ht9Mode::Serial && !opened_) openPort();
    setFocus();
}

void Ht9View::openPort()
{
    if (context_.portName.empty()) {
        if (context_.message) context_.message(8303, {});
        return;
    }
    if (context_.prepareKind && PortKindFramed(unit_.portKind()) && !context_.prepareKind(unit_.portKind())) return;
    if (!context_.serial || context_.serial->OpenComPort(PortKindBaudIndex(unit_.portKind()), context_.portName) != 0) {
        if (context_.message) context_.message(9291, {context_.portName});
        return;
    }
    opened_ = true;
    if (context_.portOpenChanged) context_.portOpenChanged(true);
    press(key::Clr);
}

void Ht9View::closePort()
{
    if (context_.serial) context_.serial->CloseComPort();
    if (opened_ && context_.portOpenChanged) context_.portOpenChanged(false);
    opened_ = false;
}

void Ht9View::changeKind(int kind)
{
    if (kind == unit_.portKind() || unit_.busy()) {
        refreshKeys();
        return;
    }
    if (PortKindFramed(kind) && context_.prepareKind && !context_.prepareKind(kind)) {
        refreshKeys();
        return;
    }
    unit_.setPortKind(kind);
    if (context_.kindChosen) context_.kindChosen(kind);
    refreshKeys();
    closePort();
    openPort();
}

bool Ht9View::runCommand(int id)
{
    if (!button(id) && id != key::End) return false;
    press(id);
    return true;
}

void Ht9View::press(int id)
{
    const int kind = PortKindOfKey(id);
    if (kind >= 0) {
        if (context_.mode == Ht9Mode::Serial) changeKind(kind);
    } else if (!unit_.busy() || id == key::End) {
        run(unit_.Press(id));
    }
    setFocus();
}

void Ht9View::run(std::optional<Ht9Request> request)
{
    if (request && request->kind == Ht9Request::Kind::Pause) {
        QTimer::singleShot(request->pauseMs, this, [this] { run(unit_.Complete(Ht9Reply{true, {}})); });
        update();
        return;
    }
    if (request) {
        const int sequence = ++sequence_;
        waiting_ = true;
        timeout_->start(static_cast<int>(context_.requestBound.count()));
        // The worker gets its own copy of the request, and the view its own copy of the reply.
        const std::shared_ptr<Ht9Exchanger> exchanger = exchanger_;
        const std::shared_ptr<JobQueue> toView = toView_;
        Ht9View* view = this;
        toWorker_->post([exchanger, toView, view, sequence, r = *request] {
            const Ht9Reply reply = exchanger->Perform(r);
            toView->post([view, sequence, reply] { view->performed(sequence, reply); });
        });
        update();
        return;
    }
    settle();
}

void Ht9View::settle()
{
    refreshKeys();
    update();
    if (unit_.endRequested() && context_.endPressed) {
        const auto end = context_.endPressed;
        QTimer::singleShot(0, this, [end] { end(); });
    }
}

void Ht9View::performed(int sequence, const Ht9Reply& reply)
{
    if (!waiting_ || sequence != sequence_) return;  // answered after its time-out
    waiting_ = false;
    timeout_->stop();
    run(unit_.Complete(reply));
}

void Ht9View::timedOut()
{
    if (!waiting_) return;
    waiting_ = false;
    ++sequence_;
    run(unit_.Complete(Ht9Reply{}));
}

void Ht9View::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Shift) {
        shiftPressed_ = true;
        return;
    }
    int id = 0;
    switch (event->key()) {
    case Qt::Key_Backspace: id = key::Bs; break;
    case Qt::Key_Return:
    case Qt::Key_Enter: id = key::Enter; break;
    case Qt::Key_Delete: id = key::Clr; break;
    case Qt::Key_Up: id = key::Up; break;
    case Qt::Key_Down: id = key::Down; break;
    case Qt::Key_Right: id = key::GroupUp; break;
    case Qt::Key_Left: id = key::GroupDown; break;
    default: break;
    }
    if (id != 0) {
        press(id);
        return;
    }
    if (const char c = typedChar(*event, shiftPressed_)) {
        if (!unit_.busy()) run(unit_.Type(c));
        return;
    }
    QWidget::keyPressEvent(event);
}

char Ht9View::typedChar(const QKeyEvent& event, bool shiftHeld)
{
    const Qt::KeyboardModifiers mods = event.modifiers();
    if (mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return 0;
    const int k = event.key();
    // The keypad's digits and operators are the same on every layout.
    if (mods & Qt::KeypadModifier) {
        const bool digit = k >= Qt::Key_0 && k <= Qt::Key_9;
        const bool sign = k == Qt::Key_Asterisk || k == Qt::Key_Plus || k == Qt::Key_Comma || k == Qt::Key_Minus ||
                          k == Qt::Key_Period || k == Qt::Key_Slash;
        return digit || sign ? static_cast<char>(k) : 0;
    }
    // Letters as the layout names them.
    if (k >= Qt::Key_A && k <= Qt::Key_Z) return static_cast<char>(k);
    const bool shift = shiftHeld || (mods & Qt::ShiftModifier);
    // Other keys by their place on the keyboard, as a JIS keyboard types them.
#ifdef Q_OS_LINUX
    // X11 and Wayland report the kernel's key code + 8.
    if (event.nativeScanCode() > 8) return JisKeyChar(static_cast<int>(event.nativeScanCode()) - 8, shift);
#endif
    // A key without its place (made by a program): its unshifted character names it.
    if (k > 0x20 && k < 0x7f)
        if (const int code = JisKeyCodeOf(static_cast<char>(k))) return JisKeyChar(code, shift);
    const QString text = event.text();
    if (text.size() == 1 && text[0].unicode() >= 0x20 && text[0].unicode() < 0x7f)
        return static_cast<char>(text[0].unicode());
    return 0;
}

void Ht9View::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Shift) shiftPressed_ = false;
    QWidget::keyReleaseEvent(event);
}

void Ht9View::paintFace(QPainter& p)
{
    p.fillRect(rect(), QColor(192, 192, 192));
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(64, 72, 88));
    p.drawRoundedRect(QRect(10, 10, kFaceWidth - 20, kFaceHeight - 20), 12, 12);

    QFont title = font();
    title.setPixelSize(11);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRect(49, 16, 400, 20), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("P R O G R A M M I N G    U N I T"));
    if (context_.mode == Ht9Mode::Bus) {
        char target[32];
        if (context_.target.card >= 1)
            std::snprintf(target, sizeof target, "ST:%02X CD:%X", context_.target.station & 0xff, context_.target.card - 1);
        else
            std::snprintf(target, sizeof target, "ST:%02X CD:-", context_.target.station & 0xff);
        p.drawText(QRect(460, 100, 220, 20), Qt::AlignLeft | Qt::AlignVCenter, QString::fromLatin1(target));
    }

    // The two-line display.
    p.setBrush(QColor(168, 196, 120));
    p.setPen(QColor(32, 40, 24));
    p.drawRect(kDisplay);
    QFont lcd(res::monospaceFontFamily());
    lcd.setStyleHint(QFont::TypeWriter);
    lcd.setPixelSize(24);
    p.setFont(lcd);
    const int cell = kDisplay.width() / 17;
    auto put = [&](int line, int place, char c) {
        const QRect r(kDisplay.left() + 8 + place * cell, kDisplay.top() + 6 + line * 34, cell, 30);
        p.drawText(r, Qt::AlignCenter, QString(QChar::fromLatin1(c)));
    };
    // First line: G gg I ii (tt) #s
    const std::string& g = unit_.groupText();
    const std::string& i = unit_.itemText();
    const std::string& t = unit_.typeText();
    const std::string first = "G" + g + " I" + i + " (" + t + ") #" + std::to_string(unit_.shift());
    for (std::size_t k = 0; k < first.size() && k < 16; ++k) put(0, static_cast<int>(k), first[k]);
    const std::string& data = unit_.dataLine();
    for (std::size_t k = 0; k < data.size() && k < 16; ++k) put(1, static_cast<int>(k), data[k]);
    if (unit_.busy()) {
        p.setBrush(QColor(200, 40, 40));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QRect(kDisplay.right() - 14, kDisplay.top() + 6, 8, 8));
    }
}

void Ht9View::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    paintFace(p);
}

QImage Ht9View::render()
{
    QImage image(size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    paintFace(p);
    return image;
}

}  // namespace kravin::online::ht9
