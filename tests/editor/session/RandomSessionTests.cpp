// Random sessions: the program's own three windows on the built-in stock table, driven by
// a few thousand random keys and clicks per seed, as a user who tries everything would:
// typing, the keyboard commands, pastes from a clipboard that is empty or not, Alt codes,
// the in-place editor, "+" and "-", the check boxes, the special functions, the search
// window, the about box, context menus, and every message box answered at random. The
// file dialogs are answered too (cancelled, or a file of the session's scratch folder, or
// one of the langpack fixtures), so no dialog is shown.
//
// After each session: the program still runs (the process, its main window), nothing
// was reported (the sanitized build ends the test at the first memory error, leak or
// undefined behaviour), and the document saved, opened again and saved once more gives
// the same bytes.
//
// The seeds are fixed, so a failing session can be run again. For a session that ends the
// process, GLOSSMITH_SESSION_TRACE=1 prints every event as it is sent; to explore more,
// GLOSSMITH_SESSION_SEED_OFFSET shifts the seeds and GLOSSMITH_SESSION_EVENTS sets the
// number of events per seed.
#include "About.h"
#include "FileDialog.h"
#include "Main.h"
#include "Program.h"
#include "ProgramFolder.h"
#include "Searchx.h"
#include "platform/MessageBox.h"
#include "platform/SpinEdit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <deque>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kEventsPerSeed = 2500;

int EventsPerSeed()
{
    bool ok = false;
    const int events = qEnvironmentVariableIntValue("GLOSSMITH_SESSION_EVENTS", &ok);
    return ok && events > 0 ? events : kEventsPerSeed;
}

uint32_t SeedOffset()
{
    return uint32_t(qEnvironmentVariableIntValue("GLOSSMITH_SESSION_SEED_OFFSET"));
}

// Keys a user may press anywhere, with the modifiers they come with.
struct Key {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    const char *name;
};

const std::vector<Key> &PlainKeys()
{
    static const std::vector<Key> keys = {
        {Qt::Key_Return, Qt::NoModifier, "Enter"},
        {Qt::Key_Return, Qt::ControlModifier, "Ctrl+Enter"},
        {Qt::Key_Return, Qt::ShiftModifier, "Shift+Enter"},
        {Qt::Key_Tab, Qt::NoModifier, "Tab"},
        {Qt::Key_Backtab, Qt::ShiftModifier, "Shift+Tab"},
        {Qt::Key_Escape, Qt::NoModifier, "Escape"},
        {Qt::Key_Backspace, Qt::NoModifier, "Backspace"},
        {Qt::Key_Delete, Qt::NoModifier, "Delete"},
        {Qt::Key_Space, Qt::NoModifier, "Space"},
        {Qt::Key_Up, Qt::NoModifier, "Up"},
        {Qt::Key_Down, Qt::NoModifier, "Down"},
        {Qt::Key_Left, Qt::NoModifier, "Left"},
        {Qt::Key_Right, Qt::NoModifier, "Right"},
        {Qt::Key_Home, Qt::NoModifier, "Home"},
        {Qt::Key_End, Qt::NoModifier, "End"},
        {Qt::Key_PageUp, Qt::NoModifier, "Page Up"},
        {Qt::Key_PageDown, Qt::NoModifier, "Page Down"},
        {Qt::Key_Up, Qt::ShiftModifier, "Shift+Up"},
        {Qt::Key_Down, Qt::ShiftModifier, "Shift+Down"},
        {Qt::Key_Up, Qt::ControlModifier, "Ctrl+Up"},
        {Qt::Key_Down, Qt::ControlModifier, "Ctrl+Down"},
        {Qt::Key_Left, Qt::ControlModifier, "Ctrl+Left"},
        {Qt::Key_Right, Qt::ControlModifier, "Ctrl+Right"},
        {Qt::Key_Home, Qt::ControlModifier, "Ctrl+Home"},
        {Qt::Key_End, Qt::ControlModifier, "Ctrl+End"},
        {Qt::Key_PageDown, Qt::ControlModifier, "Ctrl+Page Down"},
        {Qt::Key_Tab, Qt::ControlModifier, "Ctrl+Tab"},
        {Qt::Key_F2, Qt::NoModifier, "F2"},
        {Qt::Key_F3, Qt::NoModifier, "F3"},
        {Qt::Key_F3, Qt::ShiftModifier, "Shift+F3"},
        {Qt::Key_A, Qt::ControlModifier, "Ctrl+A"},
        {Qt::Key_Z, Qt::ControlModifier, "Ctrl+Z"},
        {Qt::Key_C, Qt::ControlModifier, "Ctrl+C"},
        {Qt::Key_X, Qt::ControlModifier, "Ctrl+X"},
    };
    return keys;
}

// The window's commands: its buttons' letters and its Ctrl keys.
const std::vector<Key> &CommandKeys()
{
    static const std::vector<Key> keys = {
        {Qt::Key_N, Qt::AltModifier, "Alt+N"},     {Qt::Key_O, Qt::AltModifier, "Alt+O"},
        {Qt::Key_S, Qt::AltModifier, "Alt+S"},     {Qt::Key_A, Qt::AltModifier, "Alt+A"},
        {Qt::Key_N, Qt::ControlModifier, "Ctrl+N"}, {Qt::Key_O, Qt::ControlModifier, "Ctrl+O"},
        {Qt::Key_S, Qt::ControlModifier, "Ctrl+S"}, {Qt::Key_F, Qt::ControlModifier, "Ctrl+F"},
        {Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier, "Ctrl+Shift+S"},
        {Qt::Key_S, Qt::ControlModifier | Qt::AltModifier, "Ctrl+Alt+S"},
    };
    return keys;
}

const QString kTypedCharacters = QStringLiteral("abcXYZ019 .,-+\u263A\u263B\u00E9\u20AC\u00A0");

// The clipboard as the session leaves it before a paste.
struct ClipboardState {
    const char *what;
    QString text;   // used when `kind` is Text
    enum Kind { Nothing, NoFormat, ImageOnly, Text } kind;
};

const std::vector<ClipboardState> &ClipboardStates()
{
    static const std::vector<ClipboardState> states = {
        {"nothing", {}, ClipboardState::Nothing},
        {"data with no format", {}, ClipboardState::NoFormat},
        {"an image only", {}, ClipboardState::ImageOnly},
        {"an empty text", QString(), ClipboardState::Text},
        {"a word", QStringLiteral("pasted"), ClipboardState::Text},
        {"two lines", QStringLiteral("one\r\ntwo"), ClipboardState::Text},
        {"symbols", QStringLiteral("\u263A\u263B \u00E9"), ClipboardState::Text},
        {"a long text", QString(300, QLatin1Char('w')), ClipboardState::Text},
    };
    return states;
}

void SetClipboard(const ClipboardState &state)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (state.kind == ClipboardState::Nothing) {
        clipboard->clear();
        return;
    }
    auto *data = new QMimeData;
    if (state.kind == ClipboardState::ImageOnly)
        data->setData(QStringLiteral("image/png"), QByteArray("\x89PNG", 4));
    else if (state.kind == ClipboardState::Text)
        data->setText(state.text);
    clipboard->setMimeData(data);
}

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class Session {
public:
    Session(uint32_t seed, int events, ProgramWindows &windows, const QString &scratch)
        : rng_(seed), events_(events), w_(windows), scratch_(scratch)
    {
        trace_ = qEnvironmentVariableIsSet("GLOSSMITH_SESSION_TRACE");
        fixtures_ = QDir(QStringLiteral(GLOSSMITH_LANGPACK_FIXTURES))
                        .entryInfoList({QStringLiteral("*.ZVlang")}, QDir::Files, QDir::Name);
    }

    // Sends the events from the event loop, each from a timer that the one before set up
    // first, so that they go on inside the nested loop of a modal box (the about box) as
    // they would for a user.
    void Run()
    {
        QEventLoop loop;
        loop_ = &loop;
        QTimer::singleShot(0, loop_, [this] { Tick(); });
        loop.exec();
        loop_ = nullptr;
    }

    // The last events sent, oldest first.
    std::string RecentEvents() const
    {
        std::string text;
        for (const std::string &event : recent_)
            text += "  " + event + "\n";
        return text;
    }

    int Sent() const { return sent_; }

    // Answers for the message boxes and the file dialogs, at random.
    int AnswerBox(unsigned flags)
    {
        switch (flags & 0x0F) {
        case MB_YESNO: return Chance(50) ? IDYES : IDNO;
        case MB_YESNOCANCEL: return std::vector<int>{IDYES, IDNO, IDCANCEL}[Pick(3)];
        case MB_OKCANCEL: return Chance(50) ? IDOK : IDCANCEL;
        default: return IDOK;
        }
    }

    std::optional<QString> AnswerFileDialog(const TFileDialog &dialog)
    {
        const int choice = Pick(4);
        if (choice == 0)
            return std::nullopt;
        const QString own = QDir(scratch_).filePath(QStringLiteral("session.ZVlang"));
        if (dialog.kind() == TFileDialog::Kind::Save)
            return own;
        if (choice == 1 && QFile::exists(own))
            return own;
        if (fixtures_.isEmpty())
            return std::nullopt;
        return fixtures_[Pick(int(fixtures_.size()))].filePath();
    }

private:
    // What the last event set going and the next must wait for, so that a session runs
    // the same at any speed: a button's underlined letter clicks it a moment later (the
    // button is drawn pressed meanwhile), and a window asked to become active becomes so
    // when the window system says so.
    bool Settling() const
    {
        if (activating_ && QApplication::activeWindow() != activating_)
            return true;
        for (QWidget *window : {static_cast<QWidget *>(w_.main.get()), static_cast<QWidget *>(w_.about.get())})
            for (const QAbstractButton *button : window->findChildren<QAbstractButton *>())
                if (button->isDown())
                    return true;
        return false;
    }

    // One event per turn of the event loop. The next turn is set up before the event is
    // sent, so that it comes also while the event runs a modal box's loop.
    void Tick()
    {
        if (sent_ >= events_) {
            CloseModalsAndPopups();
            loop_->quit();
            return;
        }
        // (A window that never becomes active is given up after a second.)
        if (Settling() && ++waits_ < 200) {
            QTimer::singleShot(5, loop_, [this] { Tick(); });
            return;
        }
        waits_ = 0;
        activating_ = nullptr;
        // Two turns of the loop to the next event: what this one queued with the window
        // system (a window's activation) is delivered in between, at any speed.
        QTimer::singleShot(0, loop_, [this] { QTimer::singleShot(0, loop_, [this] { Tick(); }); });
        Step();
    }

    uint32_t Next() { return uint32_t(rng_()); }
    int Pick(int n) { return n <= 1 ? 0 : int(Next() % uint32_t(n)); }
    bool Chance(int percent) { return Pick(100) < percent; }

    void Note(const std::string &event)
    {
        ++sent_;
        const std::string line = "#" + std::to_string(sent_) + " " + event;
        if (trace_)
            std::fprintf(stderr, "%s\n", line.c_str());
        recent_.push_back(line);
        if (recent_.size() > 40)
            recent_.pop_front();
    }

    static std::string NameOf(const QWidget *widget)
    {
        if (!widget)
            return "(none)";
        const QString name = widget->objectName();
        return name.isEmpty() ? std::string(widget->metaObject()->className()) : name.toStdString();
    }

    // ---- the keyboard and the mouse, as a user has them ----

    // Where keys for a window go: its focus widget, else the window itself (the main
    // window when none is named).
    QWidget *KeyTarget(QWidget *window = nullptr) const
    {
        if (!window)
            window = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : w_.main.get();
        if (QWidget *focus = window->focusWidget(); focus && focus->isVisible())
            return focus;
        return window;
    }

    void Press(QWidget *target, Qt::Key key, Qt::KeyboardModifiers modifiers, const QString &text = QString())
    {
        QPointer<QWidget> to(target);
        QPointer<QWidget> window(target->window());
        QTest::simulateEvent(to, true, key, modifiers, text, false);
        // The press may have closed the widget (Enter ends an in-place edit): the release
        // goes where the window's keys now go.
        QTest::simulateEvent(to ? to.data() : KeyTarget(window), false, key, modifiers, text, false);
    }

    void Click(QWidget *target, QPoint at, Qt::MouseButton button = Qt::LeftButton, bool twice = false)
    {
        QPointer<QWidget> to(target);
        QPointer<QWidget> window(target->window());
        auto release = [&] {
            QWidget *where = to ? to.data() : window.data();
            if (where)
                QTest::mouseRelease(where, button, {}, to ? at : QPoint());
        };
        QTest::mousePress(to, button, {}, at);
        release();
        if (twice && to) {
            QMouseEvent dbl(QEvent::MouseButtonDblClick, at, to->mapToGlobal(at), button, button, Qt::NoModifier);
            QApplication::sendEvent(to, &dbl);
            release();
        }
    }

    QPoint RandomPointIn(const QWidget *widget)
    {
        return QPoint(Pick(std::max(widget->width(), 1)), Pick(std::max(widget->height(), 1)));
    }

    // ---- one event ----

    void Step()
    {
        if (QWidget *popup = QApplication::activePopupWidget())
            return PopupEvent(popup);
        if (QWidget *modal = QApplication::activeModalWidget())
            return ModalEvent(modal);

        // The search window, while it is shown, gets a share of the events: the session
        // turns to it or back now and then. A window that is not active is first clicked
        // on, as a user would.
        if (Chance(15))
            inSearch_ = !inSearch_;
        const bool toSearch = inSearch_ && w_.search->isVisible();
        QWidget *window = toSearch ? static_cast<QWidget *>(w_.search.get()) : w_.main.get();
        if (QApplication::activeWindow() != window) {
            Note("activate " + NameOf(window));
            window->activateWindow();
            activating_ = window;
            return;
        }
        if (toSearch)
            return SearchEvent();

        const int roll = Pick(40);
        if (roll < 6) return TypeText();
        if (roll < 12) return PlainKey();
        if (roll < 14) return CommandKey();
        if (roll < 18) return Paste();
        if (roll < 21) return AltCode();
        if (roll < 25) return TreeClick();
        if (roll < 29) return ClickButton();
        if (roll < 32) return FocusField();
        if (roll < 34) return EditInPlace();
        if (roll < 36) return SpinKey();
        if (roll < 38) return ClickAnywhere();
        if (roll < 39) return ChooseBaseLanguage();
        return Resize();
    }

    void TypeText()
    {
        QWidget *target = KeyTarget();
        const int count = 1 + Pick(4);
        QString typed;
        for (int i = 0; i < count; ++i) {
            const QChar c = kTypedCharacters[Pick(int(kTypedCharacters.size()))];
            typed += c;
            const Qt::Key key = c.isLetterOrNumber() && c.unicode() < 0x80 ? Qt::Key(c.toUpper().unicode()) : Qt::Key_unknown;
            Press(target, key, c.isUpper() ? Qt::ShiftModifier : Qt::NoModifier, QString(c));
            target = KeyTarget();
        }
        Note("type \"" + typed.toStdString() + "\" into " + NameOf(target));
    }

    void PlainKey()
    {
        const Key &key = PlainKeys()[size_t(Pick(int(PlainKeys().size())))];
        QWidget *target = KeyTarget();
        Note(std::string(key.name) + " in " + NameOf(target));
        Press(target, key.key, key.modifiers);
    }

    void CommandKey()
    {
        const Key &key = CommandKeys()[size_t(Pick(int(CommandKeys().size())))];
        QWidget *target = KeyTarget();
        Note(std::string(key.name) + " in " + NameOf(target));
        Press(target, key.key, key.modifiers);
    }

    void Paste()
    {
        const ClipboardState &state = ClipboardStates()[size_t(Pick(int(ClipboardStates().size())))];
        SetClipboard(state);
        // Into the field that has the focus, or into a text field clicked first.
        if (Chance(50)) {
            std::vector<QWidget *> fields = {w_.main->New->viewport(), w_.main->Nameed, w_.main->IDed};
            if (QWidget *editor = w_.main->Tree->EditorWidget())
                fields.push_back(editor);
            QWidget *field = fields[size_t(Pick(int(fields.size())))];
            if (field->isVisible())
                Click(field, RandomPointIn(field));
        }
        QWidget *target = KeyTarget();
        switch (Pick(3)) {
        case 0:
            Note(std::string("Ctrl+V with ") + state.what + " in " + NameOf(target));
            Press(target, Qt::Key_V, Qt::ControlModifier);
            break;
        case 1:
            Note(std::string("Shift+Insert with ") + state.what + " in " + NameOf(target));
            Press(target, Qt::Key_Insert, Qt::ShiftModifier);
            break;
        default: {
            // A context menu on a text field, whose Paste the next events may choose.
            QWidget *field = Chance(50) ? static_cast<QWidget *>(w_.main->New->viewport())
                                        : static_cast<QWidget *>(w_.main->Nameed);
            if (!field->isVisible())
                return Note("no context menu: field hidden");
            Note(std::string("context menu with ") + state.what + " on " + NameOf(field));
            const QPoint at = RandomPointIn(field);
            QContextMenuEvent event(QContextMenuEvent::Mouse, at, field->mapToGlobal(at));
            QApplication::sendEvent(field, &event);
            break;
        }
        }
    }

    // Alt held, keypad digits (NumLock on or off), now and then another key between them,
    // Alt released.
    void AltCode()
    {
        QPointer<QWidget> target = KeyTarget();
        const bool numLock = Chance(50);
        static const Qt::Key kNavigation[10] = {Qt::Key_Insert, Qt::Key_End,   Qt::Key_Down,  Qt::Key_PageDown,
                                                Qt::Key_Left,   Qt::Key_Clear, Qt::Key_Right, Qt::Key_Home,
                                                Qt::Key_Up,     Qt::Key_PageUp};
        std::string digits;
        QTest::simulateEvent(target, true, Qt::Key_Alt, Qt::AltModifier, QString(), false);
        const int count = 1 + Pick(4);
        for (int i = 0; i < count && target; ++i) {
            if (Chance(10)) {
                const Key &other = Chance(50) ? CommandKeys()[size_t(Pick(4))] : Key{Qt::Key_F3, Qt::AltModifier, "Alt+F3"};
                digits += std::string(" ") + other.name + " ";
                Press(target, other.key, other.modifiers);
                continue;
            }
            const int digit = Pick(10);
            digits += char('0' + digit);
            const Qt::Key key = numLock ? Qt::Key(Qt::Key_0 + digit) : kNavigation[digit];
            const QString text = numLock ? QString::number(digit) : QString();
            QTest::simulateEvent(target, true, key, Qt::AltModifier | Qt::KeypadModifier, text, false);
            if (target)
                QTest::simulateEvent(target, false, key, Qt::AltModifier | Qt::KeypadModifier, text, false);
        }
        Note("Alt code " + digits + (numLock ? " (NumLock on)" : " (NumLock off)") + " in " + NameOf(target));
        QWidget *releaseTo = target ? target.data() : KeyTarget();
        QTest::simulateEvent(releaseTo, false, Qt::Key_Alt, Qt::AltModifier, QString(), false);
    }

    // A click on a row of the tree near its focused node: on a cell, a check box or an
    // expand button; sometimes twice.
    void TreeClick()
    {
        TVirtualStringTree *tree = w_.main->Tree;
        QWidget *client = tree->ClientWidget();
        if (!client->isVisible())
            return Note("no tree click: tree hidden");
        std::vector<PVirtualNode> shown;
        PVirtualNode node = tree->FocusedNode() ? tree->FocusedNode() : tree->GetFirstVisible();
        for (int i = 0; i < 8 && node; ++i, node = tree->GetPreviousVisible(node))
            shown.push_back(node);
        node = tree->FocusedNode() ? tree->GetNextVisible(tree->FocusedNode()) : nullptr;
        for (int i = 0; i < 8 && node; ++i, node = tree->GetNextVisible(node))
            shown.push_back(node);
        std::vector<std::pair<PVirtualNode, QRect>> targets;
        for (PVirtualNode n : shown) {
            const int column = Pick(3);
            const QRect box = Chance(40) ? tree->CheckBoxRect(n)
                              : Chance(20) ? tree->ExpandButtonRect(n) : tree->CellRect(n, column);
            if (!box.isEmpty() && client->rect().intersects(box))
                targets.emplace_back(n, box.intersected(client->rect()));
        }
        if (targets.empty()) {
            Note("click in the tree at random");
            return Click(client, RandomPointIn(client));
        }
        const auto &[target, box] = targets[size_t(Pick(int(targets.size())))];
        const bool twice = Chance(15);
        Note(std::string(twice ? "double click" : "click") + " on a row of the tree");
        Click(client, box.center(), Qt::LeftButton, twice);
    }

    void ClickButton()
    {
        TZvLngFrm *frm = w_.main.get();
        const std::vector<QAbstractButton *> buttons = {
            frm->NewBtn,   frm->OpenBtn, frm->SaveBtn,   frm->RandGen,   frm->AboutBtn, frm->AddBtn,
            frm->DelBtn,   frm->CpyBtn,  frm->SearchBtn, frm->Ulnlck,    frm->AddStrBtn, frm->AddGrBtn,
            frm->DelGr,    frm->Ulnlck,  frm->AddBtn,    frm->DelBtn,
        };
        QAbstractButton *button = buttons[size_t(Pick(int(buttons.size())))];
        Note("click " + NameOf(button) + (button->isEnabled() ? "" : " (disabled)"));
        Click(button, button->rect().center());
    }

    void FocusField()
    {
        TZvLngFrm *frm = w_.main.get();
        const std::vector<QWidget *> fields = {frm->New,  frm->New,    frm->Old,        frm->Nameed,
                                               frm->IDed, frm->StIDed, frm->BaseLangCb, frm->Tree->ClientWidget()};
        QWidget *field = fields[size_t(Pick(int(fields.size())))];
        if (auto *memo = qobject_cast<QPlainTextEdit *>(field))
            field = memo->viewport();
        Note("click into " + NameOf(field->objectName().isEmpty() ? field->parentWidget() : field));
        if (qobject_cast<QComboBox *>(field)) {
            field->setFocus(Qt::MouseFocusReason);   // a click would open its list
            return;
        }
        Click(field, RandomPointIn(field));
    }

    void EditInPlace()
    {
        TVirtualStringTree *tree = w_.main->Tree;
        Note("F2 on the tree's focused node");
        tree->setFocus(Qt::OtherFocusReason);
        if (Chance(70))
            tree->SetFocusedColumn(2);
        Press(tree->ClientWidget(), Qt::Key_F2, Qt::NoModifier);
    }

    void SpinKey()
    {
        TJvSpinEdit *spin = Chance(60) ? w_.main->IDed : w_.main->StIDed;
        const bool up = Chance(50);
        const Qt::KeyboardModifiers modifiers = Chance(30) ? Qt::ShiftModifier : Qt::NoModifier;
        Note(std::string(up ? "Up" : "Down") + (modifiers ? " with Shift" : "") + " in " + NameOf(spin) +
             (spin->isEnabled() ? "" : " (disabled)"));
        if (spin->isEnabled())
            spin->setFocus(Qt::TabFocusReason);
        Press(spin, up ? Qt::Key_Up : Qt::Key_Down, modifiers);
    }

    // A click at a random place of the main window, on whatever is there (but the file
    // association, which would run a registry editor, and "π", which opens a web page).
    void ClickAnywhere()
    {
        TZvLngFrm *frm = w_.main.get();
        const QPoint at = RandomPointIn(frm);
        QWidget *target = frm->childAt(at);
        if (!target)
            target = frm;
        if (target == frm->AssocBtn || target == static_cast<QWidget *>(frm->StaticText3) || frm->AssocBtn->isAncestorOf(target))
            return Note("no click: on the association or on pi");
        const Qt::MouseButton button = Chance(80) ? Qt::LeftButton : Chance(50) ? Qt::MiddleButton : Qt::RightButton;
        Note("click (button " + std::to_string(int(button)) + ") on " + NameOf(target));
        Click(target, target->mapFrom(frm, at), button);
    }

    void ChooseBaseLanguage()
    {
        QComboBox *combo = w_.main->BaseLangCb;
        combo->setFocus(Qt::TabFocusReason);
        const bool down = Chance(50);
        Note(std::string("base language ") + (down ? "Down" : "Up"));
        Press(combo, down ? Qt::Key_Down : Qt::Key_Up, Qt::NoModifier);
    }

    void Resize()
    {
        TZvLngFrm *frm = w_.main.get();
        const QSize size(700 + Pick(200), 400 + Pick(300));
        Note("resize the window to " + std::to_string(size.width()) + "x" + std::to_string(size.height()));
        frm->resize(size);
    }

    void SearchEvent()
    {
        TSearchFrm *search = w_.search.get();
        switch (Pick(5)) {
        case 0: {
            search->FindEd->setFocus(Qt::MouseFocusReason);
            const QString text = QString(kTypedCharacters[Pick(int(kTypedCharacters.size()))]);
            Note("type \"" + text.toStdString() + "\" into the search field");
            Press(search->FindEd, Qt::Key_unknown, Qt::NoModifier, text);
            break;
        }
        case 1: {
            const std::vector<QAbstractButton *> buttons = {search->FindNext, search->FindBack, search->FromStart,
                                                            search->FromEnd,  search->InTempl,  search->InTrans,
                                                            search->CaseSens};
            QAbstractButton *button = buttons[size_t(Pick(int(buttons.size())))];
            Note("click " + NameOf(button) + " of the search window");
            Click(button, button->rect().center());
            break;
        }
        case 2:
            Note("Enter in the search window");
            Press(KeyTarget(search), Qt::Key_Return, Qt::NoModifier);
            break;
        case 3:
            Note("F3 in the search window");
            Press(KeyTarget(search), Qt::Key_F3, Qt::NoModifier);
            break;
        default:
            Note(Chance(50) ? "close the search window" : "Escape in the search window");
            if (Chance(50))
                search->close();
            else
                Press(KeyTarget(search), Qt::Key_Escape, Qt::NoModifier);
            break;
        }
    }

    void ModalEvent(QWidget *modal)
    {
        if (modal == w_.about.get()) {
            switch (Pick(4)) {
            case 0: Note("about box: OK"); return Click(w_.about->OKButton, w_.about->OKButton->rect().center());
            case 1: Note("about box: Escape"); return Press(KeyTarget(), Qt::Key_Escape, Qt::NoModifier);
            case 2: Note("about box: Enter"); return Press(KeyTarget(), Qt::Key_Return, Qt::NoModifier);
            default: Note("about box: a click"); return Click(modal, RandomPointIn(modal));
            }
        }
        Note("Escape in the modal " + NameOf(modal));
        Press(KeyTarget(), Qt::Key_Escape, Qt::NoModifier);
    }

    void PopupEvent(QWidget *popup)
    {
        auto *menu = qobject_cast<QMenu *>(popup);
        if (menu && Chance(60)) {
            const QList<QAction *> actions = menu->actions();
            QAction *action = actions.isEmpty() ? nullptr : actions[Pick(int(actions.size()))];
            if (action && !action->isSeparator()) {
                Note("menu: " + action->text().toStdString() + (action->isEnabled() ? "" : " (disabled)"));
                return Click(menu, menu->actionGeometry(action).center());
            }
        }
        const Key keys[] = {{Qt::Key_Escape, Qt::NoModifier, "Escape"},
                            {Qt::Key_Down, Qt::NoModifier, "Down"},
                            {Qt::Key_Return, Qt::NoModifier, "Enter"}};
        const Key &key = keys[Pick(3)];
        Note(std::string("popup: ") + key.name);
        Press(popup, key.key, key.modifiers);
    }

    void CloseModalsAndPopups()
    {
        for (int i = 0; i < 10; ++i) {
            if (QWidget *popup = QApplication::activePopupWidget())
                popup->close();
            else if (QApplication::activeModalWidget() == w_.about.get())
                w_.about->reject();
            else
                break;
        }
    }

    std::mt19937 rng_;
    QEventLoop *loop_ = nullptr;
    QPointer<QWidget> activating_;
    int waits_ = 0;   // turns waited in a row
    bool inSearch_ = false;   // the session is turned to the search window
    int events_;
    int sent_ = 0;
    ProgramWindows &w_;
    QString scratch_;
    QFileInfoList fixtures_;
    bool trace_ = false;
    std::deque<std::string> recent_;
};

class RandomSession : public ::testing::TestWithParam<uint32_t> {};

TEST_P(RandomSession, TheProgramGoesOnAndItsDocumentSavesTheSameBytesTwice)
{
    const uint32_t seed = GetParam() + SeedOffset();
    QTemporaryDir programFolder;
    QTemporaryDir scratch;
    ASSERT_TRUE(programFolder.isValid() && scratch.isValid());
    SetProgramFolder(programFolder.path());

    ProgramWindows windows;
    windows.Create();
    windows.main->Timer->stop();   // the colour walk: no part of what is tried here
    windows.main->show();
    windows.main->activateWindow();
    QApplication::processEvents();

    Session session(seed, EventsPerSeed(), windows, scratch.path());
    int boxes = 0;
    const MessageBoxResponder before =
        SetMessageBoxResponder([&](QWidget *, const QString &, const QString &, unsigned flags) {
            ++boxes;
            return session.AnswerBox(flags);
        });
    TFileDialog::SetResponder([&](const TFileDialog &dialog) { return session.AnswerFileDialog(dialog); });

    session.Run();
    SCOPED_TRACE("seed " + std::to_string(seed) + ", " + std::to_string(session.Sent()) +
                 " events, the last of them:\n" + session.RecentEvents());

    // The program still runs: its main window is there and takes events.
    QApplication::processEvents();
    ASSERT_TRUE(windows.main->isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    // Saved, opened again and saved once more: the same bytes.
    // What is still being typed is stored first, as leaving its field would store it.
    TZvLngFrm *frm = windows.main.get();
    if (frm->Tree->IsEditing())
        frm->Tree->EndEditNode();
    frm->CommitEdit();
    if (frm->IDed->Value() < 0)
        frm->IDed->SetValue(100);
    std::vector<QString> messages;
    SetMessageBoxResponder([&](QWidget *, const QString &text, const QString &, unsigned) {
        messages.push_back(text);
        return IDNO;
    });
    const QString first = QDir(scratch.path()).filePath(QStringLiteral("first.ZVlang"));
    const QString second = QDir(scratch.path()).filePath(QStringLiteral("second.ZVlang"));
    QString target = first;
    TFileDialog::SetResponder([&](const TFileDialog &) { return std::optional<QString>(target); });
    frm->SaveBtnClick(nullptr);
    ASSERT_TRUE(messages.empty()) << messages.front().toStdString();
    ASSERT_FALSE(frm->ChangedCb->isChecked());
    frm->OpenBtnClick(nullptr);
    EXPECT_TRUE(messages.empty()) << messages.front().toStdString();
    target = second;
    frm->SaveBtnClick(nullptr);
    EXPECT_TRUE(messages.empty()) << messages.front().toStdString();
    const QByteArray firstBytes = ReadAll(first);
    const QByteArray secondBytes = ReadAll(second);
    EXPECT_FALSE(firstBytes.isEmpty());
    if (firstBytes != secondBytes) {
        qsizetype at = 0;
        while (at < firstBytes.size() && at < secondBytes.size() && firstBytes[at] == secondBytes[at])
            ++at;
        ADD_FAILURE() << "the second save differs from the first from byte " << at << " on (sizes "
                      << firstBytes.size() << " and " << secondBytes.size() << ")";
        if (qEnvironmentVariableIsSet("GLOSSMITH_SESSION_KEEP")) {
            QFile::copy(first, qEnvironmentVariable("GLOSSMITH_SESSION_KEEP") + QStringLiteral("/first.ZVlang"));
            QFile::copy(second, qEnvironmentVariable("GLOSSMITH_SESSION_KEEP") + QStringLiteral("/second.ZVlang"));
        }
    }

    TFileDialog::SetResponder({});
    SetMessageBoxResponder(before);
    SetProgramFolder(QString());
    std::fprintf(stderr, "seed %u: %d events, %d message boxes answered\n", seed, session.Sent(), boxes);
}

INSTANTIATE_TEST_SUITE_P(FixedSeeds, RandomSession, ::testing::Values(1u, 2u, 3u, 4u));

} // namespace
