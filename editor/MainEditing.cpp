// What the main window does when the tree's focus moves: the commit of the translation
// field into the node it leaves and the display of the node it reaches.
#include "Main.h"

void TZvLngFrm::TreeFocusChanging(TVirtualStringTree *, PVirtualNode, PVirtualNode, TColumnIndex,
                                  TColumnIndex, bool &)
{
    // The commit rule and the display of the focused node are still to come: until then a
    // focus change shows nothing in the memos and is never refused.
}
