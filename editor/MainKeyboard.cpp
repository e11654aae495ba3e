// The window's keyboard commands and the tree's key handling.
//
// The window previews every key pressed in any of its controls (the tree's in-place editor
// included) before the control itself sees it: PreviewKey hands the key to FormKeyDown,
// and a key that FormKeyDown consumes (sets to 0) never reaches the control.
#include "Main.h"

#include "Searchx.h"

#include <QKeyEvent>

namespace {

bool IsNavigationKey(uint16_t key)
{
    switch (key) {
    case VK_UP:
    case VK_DOWN:
    case VK_LEFT:
    case VK_RIGHT:
    case VK_HOME:
    case VK_END:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_TAB:
        return true;
    default:
        return false;
    }
}

// Switches the window's key preview off for its lifetime, and on again however the scope
// is left (a handler that raises included).
class PreviewOff {
public:
    explicit PreviewOff(bool &preview) : preview_(preview) { preview_ = false; }
    ~PreviewOff() { preview_ = true; }
    PreviewOff(const PreviewOff &) = delete;
    PreviewOff &operator=(const PreviewOff &) = delete;

private:
    bool &preview_;
};

} // namespace

bool TZvLngFrm::PreviewKey(QObject *receiver, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || !KeyPreview || !receiver->isWidgetType())
        return false;
    auto *widget = static_cast<QWidget *>(receiver);
    if (widget->window() != this)
        return false;
    auto *keyEvent = static_cast<QKeyEvent *>(event);
    const int vk = VirtualKeyFromQtKey(keyEvent->key());
    if (vk == 0)
        return false;
    TShiftState shift = ShiftStateFromModifiers(keyEvent->modifiers());
    if (keyEvent->key() == Qt::Key_Backtab)
        shift |= ssShift;
    // A key that a control passes on goes to its parent and is previewed once more; that
    // is harmless, since every step below that acts also consumes the key.
    uint16_t key = uint16_t(vk);
    FormKeyDown(this, key, shift);
    return key == 0;
}

void TZvLngFrm::FormKeyDown(QObject *, uint16_t &Key, TShiftState Shift)
{
    // F3 with any modifiers: the last search again.
    if (Key == VK_F3) {
        if (SearchFrm) {
            if (!SearchFrm->isVisible())
                SearchFrm->show();
            SearchFrm->FindAgain();
        }
        Key = 0;
    }

    // The rest wants Ctrl without Alt (Ctrl+Alt is AltGr on many keyboards).
    if (!(Shift & ssCtrl) || (Shift & ssAlt))
        return;

    if (Key == VK_RETURN) {
        // Commit, then on to the next line or record in display order; a group is entered
        // at its first line, and after the last node the walk starts again at the top.
        CommitEdit();
        PVirtualNode focused = Tree->FocusedNode();
        if (focused)
            Tree->SetExpanded(focused, false);
        PVirtualNode target = Tree->GetFirstVisibleChild(focused);
        if (!target && focused)
            target = Tree->GetNextVisible(focused);
        if (target)
            Tree->SetFocusedNode(target);
        if (PVirtualNode child = Tree->GetFirstVisibleChild(target))
            Tree->SetFocusedNode(child);
        Key = 0;
    }

    // Ctrl with a navigation key moves the tree's focused node while the input focus stays
    // where it is (typically in New). The preview is off meanwhile, so the forwarded key
    // goes to the tree alone; the tree acts on it at once, commit rule included.
    if (IsNavigationKey(Key) && !Tree->HasInputFocus()) {
        {
            PreviewOff off(KeyPreview);
            Tree->SendKey(Key, Shift);
        }
        Key = 0;
    }

    if (Key == 'S') {
        SaveBtnClick(nullptr);
        Key = 0;
    }
    if (Key == 'O') {
        OpenBtnClick(nullptr);
        Key = 0;
    }
    if (Key == 'N') {
        NewBtnClick(nullptr);
        Key = 0;
    }
    if (Key == 'F') {
        SearchBtnClick(nullptr);
        Key = 0;
    }
}

void TZvLngFrm::TreeKeyAction(TVirtualStringTree *, int &, TShiftState &Shift, bool &)
{
    // Ctrl with a navigation key acts like the plain key, typed into the tree or forwarded
    // to it by FormKeyDown.
    Shift &= ~TShiftState(ssCtrl);
}
