// The search window. Created hidden at start-up and kept until the program ends; the main
// window shows it without blocking.
//
// It finds the query of `FindEd` in the templates ("in template") or in the translations
// ("in translate") of the main window's tree, one leaf at a time, forwards (►) or
// backwards (◄), and shows a hit by focusing its node and selecting the matched
// characters in the main window's `Old` or `New` memo. Texts are compared in the game
// character set, upper-cased by the game's own table unless "case-sensitive" is checked.
// A search that finds nothing beeps and changes nothing.
//
// The window sees every key of its controls first: F3 repeats the last search and Enter
// searches from the first node of the tree.
#pragma once

#include "platform/Keys.h"
#include "platform/VirtualTree.h"

#include <QByteArray>
#include <QString>
#include <QWidget>

#include <cstdint>

class QCheckBox;
class QFrame;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class TZvLngFrm;

class TSearchFrm : public QWidget {
    Q_OBJECT
public:
    explicit TSearchFrm(QWidget *owner = nullptr);
    ~TSearchFrm() override;

    // ---- controls (object names as the members) ----
    QLineEdit *FindEd = nullptr;
    QPushButton *FindBack = nullptr;
    QPushButton *FindNext = nullptr;
    QPushButton *FromEnd = nullptr;
    QPushButton *FromStart = nullptr;
    QRadioButton *InTempl = nullptr;
    QRadioButton *InTrans = nullptr;
    QCheckBox *CaseSens = nullptr;
    QFrame *Panel1 = nullptr;

    // The node at which the last hit was shown (none before the first). Only ever compared
    // with the tree's focused node, never followed.
    PVirtualNode MatchNode = nullptr;
    // 0: no search yet, 1: forwards, 2: backwards.
    int32_t LastDirection = 0;

    // ---- handlers ----
    void FindNextClick(QObject *Sender);
    void FindBackClick(QObject *Sender);
    // Repeats the last search in its direction; beeps when there was none.
    void FindAgain();
    void InTemplClick(QObject *Sender);
    void FromStartClick(QObject *Sender);
    void FromEndClick(QObject *Sender);
    // F3: show the window if hidden, then FindAgain. Enter: FromStartClick. Both set Key to
    // 0 (consumed); every other key passes on.
    void FormKeyDown(QObject *Sender, int &Key, TShiftState Shift);

    // The 1-based position of the first occurrence of `query` in `text`, both taken in the
    // game character set one byte per UTF-16 code unit, upper-cased by the game's table
    // unless `caseSensitive`; 0 when there is none, and always 0 for an empty query or
    // text.
    static int GamePos(const QString &query, const QString &text, bool caseSensitive);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    enum Direction { Forwards = 1, Backwards = 2 };

    void BuildLayout();
    void Search(Direction direction);
    // Focuses the first node of the tree (forwards) or its very last node (backwards) and
    // searches from there.
    void SearchFromFirstOrLast(Direction direction);
    // Focuses `node` in the tree and selects characters [start, start + length) of `text`
    // (CR LF counted as two) in `memo`.
    void ShowHit(TZvLngFrm *main, PVirtualNode node, QPlainTextEdit *memo, const QString &text,
                 int start, int length);

    bool placed_ = false;   // centred on the main window at the first showing
};

extern TSearchFrm *SearchFrm;
