#include "platform/Beep.h"

#include <QApplication>

namespace {
int gBeeps = 0;
}

void MessageBeep(unsigned)
{
    ++gBeeps;
    QApplication::beep();
}

int BeepCount()
{
    return gBeeps;
}

void ResetBeepCount()
{
    gBeeps = 0;
}
