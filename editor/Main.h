// The main window of the editor, `TZvLngFrm`, and the document it holds.
//
// The document is the tree `Tree`: every top-level node is one record of the langpack
// being edited (a single string or a string group), every child of a group is one line of
// it, and a node's check box says whether the record or line belongs to the langpack. The
// tree is always laid over the stock strings of the base language chosen in `BaseLangCb`.
//
// The window's code is split by subject:
//   MainWindow.cpp    the constructor, the layout, the language-id field, the timer, the
//                     links to the search window, the about box and the web page, the
//                     column split and shut-down
//   MainDocument.cpp  the node record, adding and inserting nodes, the fill from the
//                     stock table, the base-language change and the tree callbacks
//   MainEditing.cpp   the commit rule, the display of the focused node and the editing
//                     commands (lines, records, the special functions)
//   MainSaving.cpp    the Save command and the writing of the langpack
//   MainLoading.cpp   opening a langpack and laying it over the stock strings
//   TopLevelIndex.cpp where a record goes among the top-level nodes (loading and the
//                     template reload)
//   MainFiles.cpp     New, Open, the close query and the association command
//   MainKeyboard.cpp  the window's keyboard commands and the tree's key handling
#pragma once

#include "Langdef.h"
#include "Rawmemorystream.h"
#include "platform/VirtualTree.h"

#include <QString>
#include <QStringList>
#include <QWidget>

#include <array>
#include <functional>
#include <cstdint>
#include <memory>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QTimer;
class QFrame;
class TFileDialog;
class TJvSpinEdit;

// The data of every node of `Tree`.
struct RecData {
    uint32_t id = 0;        // StringId; every line of a group carries its group's id
    uint32_t kind = 0;      // KindSingle (a single string or a line) or a group kind
    QString templateText;   // the stock text of the base language (CR LF line breaks)
    QString newText;        // the translation (CR LF line breaks)
};

// The template of a group node: this prefix, then the group's first stock line.
inline constexpr char16_t kGroupTemplatePrefix[] = u"<<GROUP>> ";

class TZvLngFrm : public QWidget {
    Q_OBJECT
public:
    explicit TZvLngFrm(QWidget *Owner = nullptr);
    ~TZvLngFrm() override;

    // ---- controls (object names as the members) ----
    TVirtualStringTree *Tree = nullptr;
    QPlainTextEdit *New = nullptr;
    QPlainTextEdit *Old = nullptr;
    QPushButton *AddBtn = nullptr;
    QPushButton *DelBtn = nullptr;
    QPushButton *MakeDefsBtn = nullptr;
    QComboBox *BaseLangCb = nullptr;
    std::unique_ptr<TFileDialog> OpenDialog;
    std::unique_ptr<TFileDialog> SaveDialog;
    QPushButton *OpenBtn = nullptr;
    QPushButton *SaveBtn = nullptr;
    TJvSpinEdit *IDed = nullptr;
    QLineEdit *Nameed = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QCheckBox *ChangedCb = nullptr;
    QPushButton *NewBtn = nullptr;
    QLineEdit *FiName = nullptr;
    TJvSpinEdit *StIDed = nullptr;
    QPushButton *AddStrBtn = nullptr;
    QPushButton *AddGrBtn = nullptr;
    QPushButton *DelGr = nullptr;
    QPushButton *AssocBtn = nullptr;
    QTimer *Timer = nullptr;
    QPushButton *RandGen = nullptr;
    QCheckBox *Ulnlck = nullptr;
    QGroupBox *GB1 = nullptr;
    QFrame *Panel1 = nullptr;
    QLabel *StaticText1 = nullptr;
    QLabel *StaticText2 = nullptr;
    QFrame *Panel3 = nullptr;
    QSplitter *Splitter2 = nullptr;
    QLabel *StaticText3 = nullptr;
    QSplitter *Splitter3 = nullptr;
    QFrame *Panel4 = nullptr;
    QPushButton *SearchBtn = nullptr;
    QPushButton *AboutBtn = nullptr;
    QPushButton *CpyBtn = nullptr;

    // ---- the window's own fields ----
    std::array<uint16_t, 4> StockVersion{};  // gameVersion of the stock table (caption)
    std::unique_ptr<Langdef> LangdefStream;  // the stock table, for the window's lifetime
    int32_t KeptId = 0;                      // the id IDed held when it last got the focus,
                                             // was last settled or was set from code
    int32_t DefaultBaseIndex = 0;            // the entry flagged as default, else 0

    // ---- the document ----
    PVirtualNode AddRecordNode(PVirtualNode parent, const RecData &record);
    PVirtualNode InsertRecordNode(PVirtualNode reference, TVTNodeAttachMode mode,
                                  const RecData &record);
    void ClearTree();
    void FillTreeFromBase();
    void ReloadTemplates();
    // The record of a node; null for the root and for no node.
    RecData *NodeRecord(PVirtualNode node) const;

    // ---- the changed flag (ChangedCb) ----
    // The one way the document becomes changed, called where an edit of the user's that a
    // save writes takes effect:
    //   a commit that stores a translation (typed into New, copied into it, or edited in
    //     the tree's place), which also checks the node;
    //   a node's check box toggled;
    //   the name edited (also back to what it was);
    //   the id field settled at an id it did not hold (left, or settled by a command), and
    //     a random id;
    //   another base language chosen;
    //   a checked line or record removed.
    // Nothing else marks it: not an unchecked line or record added or removed, not an id
    // taken back at the warning, not a value set from code (New, loading).
    void MarkChanged();
    // A completed save, a completed load and New: nothing is left unsaved.
    void MarkUnchanged();
    // Ends every edit still open in a field, as leaving the field would, before a command
    // asks about unsaved changes or replaces the document: an in-place edit of the tree is
    // accepted as Enter accepts it, the id field is settled (SettleIdField) and a
    // translation typed into New is stored. Each marks the document when it stores a change.
    void SettleOpenEdits();
    // An id typed or stepped into IDed while the field has the input focus is the
    // document's only once the field is left; a command that reads the id first settles
    // it here as leaving does (IDedExit). Nothing while the field is not being edited.
    void SettleIdField();
    // The language id set from code (New, loading, the random id): the field holds it as
    // the document's, so leaving the field has nothing to settle.
    void SetLanguageId(double id);

    // ---- the stock table, in the base language selected in BaseLangCb ----
    void AttachBaseLangdefBlock(TRawMemoryStream &stream) const;
    QString LookupStockText(uint32_t id) const;
    int FindLangIndex(int32_t languageId) const;

    // Opens a langpack and lays it over the stock strings (file loading).
    void LoadLangpack(const QString &fileName);

    // ---- handlers ----
    void BaseLangCbChange(QObject *Sender);

    void TreeGetNodeDataSize(TVirtualStringTree *Sender, int &NodeDataSize);
    void TreeGetText(TVirtualStringTree *Sender, PVirtualNode Node, TColumnIndex Column,
                     TVSTTextType TextType, QString &CellText);
    void TreeNewText(TVirtualStringTree *Sender, PVirtualNode Node, TColumnIndex Column,
                     const QString &NewText);
    void TreeEditing(TVirtualStringTree *Sender, PVirtualNode Node, TColumnIndex Column,
                     bool &Allowed);
    void TreeMeasureItem(TVirtualStringTree *Sender, TCanvas *TargetCanvas, PVirtualNode Node,
                         int &NodeHeight);
    void TreeCompareNodes(TVirtualStringTree *Sender, PVirtualNode Node1, PVirtualNode Node2,
                          TColumnIndex Column, int &Result);
    void TreeFocusChanging(TVirtualStringTree *Sender, PVirtualNode OldNode,
                           PVirtualNode NewNode, TColumnIndex OldColumn,
                           TColumnIndex NewColumn, bool &Allowed);
    void TreeResize(QObject *Sender);

    void IDedEnter(QObject *Sender);
    void IDedExit(QObject *Sender);
    void NameedChange(QObject *Sender);
    void RandGenClick(QObject *Sender);
    void TimerTimer(QObject *Sender);
    void PiClick(QObject *Sender);
    void SearchBtnClick(QObject *Sender);
    void AboutBtnClick(QObject *Sender);
    void MakeDefsBtnClick(QObject *Sender);
    void FormDestroy(QObject *Sender);

    // ---- editing (MainEditing.cpp) ----
    void CommitEdit();
    void NewExit(QObject *Sender);
    void NewKeyPress(QObject *Sender, QChar &Key);
    void TreeChecked(TVirtualStringTree *Sender, PVirtualNode Node);
    void TreeDblClick(TVirtualStringTree *Sender);
    void CpyBtnClick(QObject *Sender);
    void AddBtnClick(QObject *Sender);
    void DelBtnClick(QObject *Sender);
    void AddStrBtnClick(QObject *Sender);
    void DelGrClick(QObject *Sender);
    void StIDedTopClick(QObject *Sender);
    void StIDedBottomClick(QObject *Sender);
    void StIDedChange(QObject *Sender);
    void UlnlckClick(QObject *Sender);

    // ---- saving (MainSaving.cpp) ----
    void SaveBtnClick(QObject *Sender);
    void SaveLangpack(const QString &fileName);

    // ---- file commands and keyboard (MainFiles.cpp, MainKeyboard.cpp) ----
    void FormKeyDown(QObject *Sender, uint16_t &Key, TShiftState Shift);
    void TreeKeyAction(TVirtualStringTree *Sender, int &CharCode, TShiftState &Shift,
                       bool &DoDefault);
    void OpenBtnClick(QObject *Sender);
    void NewBtnClick(QObject *Sender);
    void FormCloseQuery(QObject *Sender, bool &CanClose);
    void AssocBtnClick(QObject *Sender);
    // The window sees every key pressed in its controls first (FormKeyDown) while this is
    // on; FormKeyDown switches it off while it forwards a key to the tree.
    bool KeyPreview = true;
    // The key preview: called for every event of the application; true when FormKeyDown
    // consumed a key pressed in one of the window's controls.
    bool PreviewKey(QObject *receiver, QEvent *event);

signals:
    // The window has closed (the program's message loop ends with it).
    void Closed();

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Reads the selected base language's block record by record inside one update bracket
    // of the tree, then shows the first record and sorts.
    using BaseRecordVisitor = std::function<void(const LangdefRecord &, const QStringList &)>;
    void WalkBaseBlock(const BaseRecordVisitor &visit);

    // Stores a translation into a single string or a line when it differs from the one
    // stored: the node, and a line's group, become checked and the document changed. False
    // when nothing was stored (no such node, a group, or the same text).
    bool CommitText(PVirtualNode node, const QString &text);
    // Shows the focused node in the fields again without a commit: a text in New that was
    // not stored is dropped.
    void ShowFocusedNode();
    // The entry of the built-in language whose id this value of IDed is, else -1: leaving
    // the field at such an id asks first.
    int BuiltInLanguageOf(double languageId) const;

    // The layout, strip by strip (each function makes its strip's controls and returns
    // the strip), and every handler binding in one place.
    void BuildLayout();
    QFrame *BuildTopStrip();
    TVirtualStringTree *BuildTree(QWidget *parent);
    QFrame *BuildCommandStrip(QWidget *parent);
    void BuildMemoArea(QWidget *parent);
    void BuildPiLabel();
    void BindEvents();
    void PlacePiLabel();
    // Focus the last, then the first top-level record, and sort every level by id: the
    // common end of a fill and of a template reload.
    void ShowFirstRecordSorted();

    bool destroyed_ = false;
};

// The program's main window, once start-up has created it.
extern TZvLngFrm *ZvLngFrm;

// The address that a Ctrl+click on "π" opens.
extern const char *const ProjectWebPage;
