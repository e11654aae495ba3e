// The about box. Created hidden at start-up and kept until the program ends; the main
// window shows it modally. It names the program, shows its picture and its version.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QPixmap>
#include <QString>

class QFrame;
class QLabel;
class QPushButton;

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    // Reads the version once, here.
    explicit TAboutBox(QWidget *owner = nullptr);
    ~TAboutBox() override;

    // ---- controls (object names as the members) ----
    QFrame *Panel1 = nullptr;
    QLabel *ProgramIcon = nullptr;
    QLabel *ProductName = nullptr;
    QLabel *Version = nullptr;
    QLabel *Comments = nullptr;
    QPushButton *OKButton = nullptr;
    QLabel *Ver = nullptr;

    // Closes the box with the result OK.
    void OKButtonClick(QObject *Sender);

protected:
    void showEvent(QShowEvent *event) override;
};

extern TAboutBox *AboutBox;

// "major.minor.release.build" of four decimal numbers of 0 to 65535 each, printed again
// without leading zeros; empty when `version` is not such a text.
QString FormatFileVersion(const char *version);

// The program's picture, 128 x 128, drawn on first use; the same as the icon of every
// window of the program (start-up gives it to the application).
QPixmap ProgramPicture();
QIcon ProgramWindowIcon();
