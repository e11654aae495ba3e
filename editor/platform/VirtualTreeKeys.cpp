// The keys of `TVirtualStringTree`: the one path every key takes, typed or sent.
#include "platform/VirtualTreeView.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QScrollBar>

#include <algorithm>

// ---- keys ------------------------------------------------------------------------------------

void TVirtualStringTree::SendKey(int vk, TShiftState shift)
{
    const int key = QtKeyFromVirtualKey(vk);
    const Qt::KeyboardModifiers modifiers = ModifiersFromShiftState(shift);
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QCoreApplication::sendEvent(FView, &press);
    QCoreApplication::sendEvent(FView, &release);
}

bool TVirtualStringTree::HasInputFocus() const
{
    return FView->hasFocus();
}

TColumnIndex TVirtualStringTree::NextColumn(TColumnIndex column, int direction) const
{
    const int pos = ColumnPosition(column) + direction;
    if (pos < 0 || pos >= ColumnCount())
        return NoColumn;
    return ColumnAtPosition(pos);
}

// Rows of about one page above or below `node` in display order.
PVirtualNode TVirtualStringTree::PageFrom(PVirtualNode node, int direction) const
{
    int room = std::max(ClientHeight(), FDefaultNodeHeight);
    PVirtualNode n = node;
    while (true) {
        PVirtualNode next = direction > 0 ? GetNextVisible(n) : GetPreviousVisible(n);
        if (!next)
            break;
        room -= std::max(1, next->NodeHeight);
        if (room < 0)
            break;
        n = next;
    }
    return n;
}

bool TVirtualStringTree::HandleKey(int vk, TShiftState shift)
{
    bool doDefault = true;
    if (OnKeyAction)
        OnKeyAction(this, vk, shift, doDefault);
    if (!doDefault || vk == 0)
        return true;

    const bool ctrl = shift & ssCtrl;
    PVirtualNode f = FFocusedNode;
    PVirtualNode target = nullptr;
    TColumnIndex column = FFocusedColumn;

    switch (vk) {
    case VK_UP:
    case VK_DOWN:
    case VK_HOME:
    case VK_END:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_LEFT:
    case VK_RIGHT:
        if (ctrl) {
            QScrollBar *v = FView->verticalScrollBar();
            QScrollBar *h = FView->horizontalScrollBar();
            switch (vk) {
            case VK_UP: v->triggerAction(QAbstractSlider::SliderSingleStepSub); break;
            case VK_DOWN: v->triggerAction(QAbstractSlider::SliderSingleStepAdd); break;
            case VK_HOME: v->triggerAction(QAbstractSlider::SliderToMinimum); break;
            case VK_END: v->triggerAction(QAbstractSlider::SliderToMaximum); break;
            case VK_PRIOR: v->triggerAction(QAbstractSlider::SliderPageStepSub); break;
            case VK_NEXT: v->triggerAction(QAbstractSlider::SliderPageStepAdd); break;
            case VK_LEFT: h->triggerAction(QAbstractSlider::SliderSingleStepSub); break;
            default: h->triggerAction(QAbstractSlider::SliderSingleStepAdd); break;
            }
            return true;
        }
        switch (vk) {
        case VK_UP: target = f ? GetPreviousVisible(f) : GetFirstVisible(); break;
        case VK_DOWN: target = f ? GetNextVisible(f) : GetFirstVisible(); break;
        case VK_HOME: target = GetFirstVisible(); break;
        case VK_END: target = GetLastVisible(); break;
        case VK_PRIOR: target = f ? PageFrom(f, -1) : GetFirstVisible(); break;
        case VK_NEXT: target = f ? PageFrom(f, 1) : GetFirstVisible(); break;
        case VK_LEFT:
            if (TColumnIndex c = NextColumn(column, -1); c != NoColumn) {
                target = f;
                column = c;
            } else if (f && f->Expanded && f->FirstChild) {
                SetExpanded(f, false);
            } else if (f && f->Parent != FRoot) {
                target = f->Parent;
            }
            break;
        default:   // VK_RIGHT
            if (TColumnIndex c = NextColumn(column, 1); c != NoColumn) {
                target = f;
                column = c;
            } else if (f && f->FirstChild && !f->Expanded) {
                SetExpanded(f, true);
            }
            break;
        }
        break;
    case VK_TAB: {
        if (ctrl)
            return false;
        const int direction = (shift & ssShift) ? -1 : 1;
        if (!f) {
            target = GetFirstVisible();
            column = ColumnAtPosition(0);
        } else if (TColumnIndex c = NextColumn(column, direction); c != NoColumn) {
            target = f;
            column = c;
        } else if (PVirtualNode n = direction > 0 ? GetNextVisible(f) : GetPreviousVisible(f)) {
            target = n;
            column = ColumnAtPosition(direction > 0 ? 0 : ColumnCount() - 1);
        }
        break;
    }
    case VK_SPACE:
        if (f && f->CheckType == ctCheckBox)
            UserToggleCheck(f);
        return true;
    case VK_F2:
        if (f && !(shift & (ssShift | ssAlt)))
            EditNode(f, column);
        return true;
    default:
        return false;
    }

    if (target && ChangeFocus(target, column))
        SetSelected(target, true);
    return true;
}
