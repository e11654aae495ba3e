// The about box. Created hidden at start-up and kept until the program ends; the main
// window shows it modally.
#pragma once

#include <QDialog>

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget *owner = nullptr);
};

extern TAboutBox *AboutBox;
