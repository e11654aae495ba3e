#include "About.h"

TAboutBox *AboutBox = nullptr;

TAboutBox::TAboutBox(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
}
